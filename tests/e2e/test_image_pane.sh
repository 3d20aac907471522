#!/usr/bin/env bash
# The image pane as a user meets it: a picture opened with the main toolbar's Open button shows
# fitted and centred on the grey background; a rectangle dragged with the Rectangle tool crawls in
# red and green; Delete whitens it; File › Exit ends the program (and the outline worker) cleanly.
# Usage: test_image_pane.sh PROGRAM ARTIFACT_DIR [PICTURE_FOLDER]
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

e2e_init image-pane "$1" "$2"
pictures=$E2E_PICTURES
if [[ -n "${3:-}" && -f "$3/lake-at-dusk.png" ]]; then
    cp "$3/lake-at-dusk.png" "$pictures/picture.png"
else
    convert -size 320x240 gradient:navy-gold "$pictures/picture.png"
fi
picture=$pictures/picture.png
checksum=$(md5sum < "$picture")

# Window coordinates of the Rectangle button: the gripper, then 31-pixel edit buttons on the row
# below the main toolbar.
rectangle_x=$((10 + 31 + 19))
rectangle_y=$((${E2E_MAIN_TOOLBAR_Y:-47} + 43))

# dashes SHOT X Y WIDTH: how many pixels of the row are pure red or pure green.
dashes()
{
    convert "$1" -crop "${4}x1+$2+$3" +repage txt:- | grep -c -E '#(FF0000|00FF00)' || true
}

e2e_start_viewer "$E2E_MAIN_TITLE" "$pictures"
sleep 1

# The image pane fills the left 800 pixels below the toolbars; empty, it is grey.
read -r win_x win_y < <(e2e_window_position "$window")
shot=$(e2e_screenshot empty)
pane_x=$((win_x + 400)) pane_y=$((win_y + 500))
[[ "$(e2e_rgb "$shot" "$pane_x" "$pane_y")" == "194,194,194" ]] ||
    e2e_fail "the empty image pane is $(e2e_rgb "$shot" "$pane_x" "$pane_y") at ($pane_x, $pane_y), not grey 194"

e2e_open_file "$picture"

# The picture's box: the part of the pane that is not grey.
shot=$(e2e_screenshot opened)
pane=$(e2e_picture_box "$shot")
read -r pic_x pic_y pic_w pic_h <<< "$pane"
e2e_log "picture shown at ($pic_x, $pic_y), $pic_w x $pic_h"
[[ "$pic_w" -ge 100 && "$pic_h" -ge 80 ]] || e2e_fail "no picture in the image pane ($pane)"
left_margin=$((pic_x - win_x)) right_margin=$((win_x + 800 - pic_x - pic_w))
(( left_margin - right_margin <= 12 && right_margin - left_margin <= 12 )) ||
    e2e_fail "the picture is not centred: margins $left_margin and $right_margin"

# Rectangle tool, then a drag inside the picture.
e2e_click "$window" "$rectangle_x" "$rectangle_y"
x0=$((pic_x + pic_w / 5)) y0=$((pic_y + pic_h / 5))
x1=$((pic_x + pic_w * 3 / 5)) y1=$((pic_y + pic_h * 3 / 5))
xdotool mousemove "$x0" "$y0" && sleep 0.2
xdotool mousedown 1 && sleep 0.2
xdotool mousemove $(((x0 + x1) / 2)) $(((y0 + y1) / 2)) && sleep 0.2
xdotool mousemove "$x1" "$y1" && sleep 0.2
xdotool mouseup 1
xdotool mousemove $((x1 + 40)) $((y1 + 40))
sleep 0.5
shot=$(e2e_screenshot selected)
count=$(dashes "$shot" "$x0" "$y0" $((x1 - x0)))
e2e_log "$count of $((x1 - x0)) pixels along the selection's top edge are dashes"
[[ "$count" -ge $(((x1 - x0) * 9 / 10)) ]] || e2e_fail "no crawling outline along the selection ($count dashes)"

e2e_key Delete
sleep 0.5
shot=$(e2e_screenshot deleted)
inside=$(e2e_rgb "$shot" $(((x0 + x1) / 2)) $(((y0 + y1) / 2)))
outside=$(e2e_rgb "$shot" $((x1 + 5)) $((y1 + 5)))
[[ "$inside" == "255,255,255" ]] || e2e_fail "Delete left the selection $inside"
[[ "$outside" != "255,255,255" ]] || e2e_fail "Delete whitened outside the selection"
[[ "$(dashes "$shot" "$x0" "$y0" $((x1 - x0)))" -eq 0 ]] || e2e_fail "the outline stayed after Delete"
e2e_log "Delete whitened the selection"

# The edit is not saved: File › Exit asks about it, No ends the program, the outline worker with
# it.
e2e_activate "$window"
e2e_key alt+f
sleep 0.5
e2e_key x
box=$(e2e_wait_window '^Tarnis Viewer$' 10) || e2e_fail "Exit did not ask about the edited picture"
e2e_activate "$box"
e2e_key alt+n
e2e_wait_exit "$E2E_APP_PID" 15 || e2e_fail "the program did not end after File › Exit"
[[ "$E2E_EXIT_CODE" -eq 0 ]] || e2e_fail "the program ended with code $E2E_EXIT_CODE"
[[ "$(md5sum < "$picture")" == "$checksum" ]] || e2e_fail "the picture file changed"
e2e_log "program ended with code 0"
echo "PASS"
