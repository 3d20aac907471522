#!/usr/bin/env bash
# A picture named on the command line, as a file manager's "Open With" passes it: the picture
# shows in the image pane, its folder in the tree, and the grid has loaded the folder with that
# picture's thumbnail selected and no other. A second start on the bundled samples takes the
# screenshot that the AppStream metainfo shows (SHOT_OUT, when given).
# Usage: test_command_line.sh PROGRAM ARTIFACT_DIR SAMPLES [SHOT_OUT]
set -euo pipefail
samples=$3
shot_out=${4:-}
source "$(dirname "$0")/e2e_lib.sh"

e2e_init command-line "$1" "$2"
pictures=$E2E_PICTURES
e2e_rgb_pictures

# Screen regions of the maximised window on a 1280 × 1024 screen (as in test_browser.sh).
grid_region=460x300+807+335
pane_region=790x700+0+150

# colour_box SHOT REGION HEX: "X Y W H" (screen) of the pixels of exactly that colour.
colour_box()
{
    local offset=${2#*+} box
    box=$(convert "$1" -crop "$2" +repage -fill white +opaque "#$3" -fill black -opaque "#$3" \
        -negate -trim -format '%w %h %X %Y' info: 2>/dev/null) || return 1
    read -r w h x y <<< "${box//+/}"
    [[ "$w" -gt 1 && "$h" -gt 1 ]] || return 1
    echo "$((x + ${offset%+*})) $((y + ${offset#*+})) $w $h"
}

# label_marks SHOT X Y W: pixels of the selection highlight in the 40 rows below a thumbnail,
# where the cell's name label is.
highlight=308CC6
label_marks()
{
    convert "$1" -crop "$(($4 + 20))x40+$(($2 - 10))+$(($3 + 2))" +repage txt:- | grep -c "#$highlight " || true
}

e2e_start_viewer '^2-green\.bmp - Tarnis Viewer$' "$pictures/2-green.bmp"

for n in $(seq 40); do
    shot=$(e2e_screenshot opened)
    red=$(colour_box "$shot" "$grid_region" FF0000 || true)
    green=$(colour_box "$shot" "$grid_region" 00FF00 || true)
    blue=$(colour_box "$shot" "$grid_region" 0000FF || true)
    [[ -n "$red" && -n "$green" && -n "$blue" ]] && break
    sleep 0.5
done
[[ -n "$red" && -n "$green" && -n "$blue" ]] || e2e_fail "the grid does not show the folder's three pictures"
sleep 1
shot=$(e2e_screenshot opened)
e2e_log "grid cells: red $red, green $green, blue $blue"

# The image pane shows the green picture, and only it.
pane=$(colour_box "$shot" "$pane_region" 00FF00) || e2e_fail "the image pane does not show the green picture"
read -r _ _ pane_w pane_h <<< "$pane"
[[ "$pane_w" -ge 100 && "$pane_h" -gt "$pane_w" ]] || e2e_fail "the pane's green area is ${pane_w}x$pane_h"
colour_box "$shot" "$pane_region" FF0000 >/dev/null && e2e_fail "red in the image pane"
e2e_log "image pane shows the green picture (${pane_w}x$pane_h)"

# The green thumbnail's label is highlighted, the other two are not.
marks() { read -r x y w h <<< "$1"; label_marks "$shot" "$x" "$((y + h))" "$w"; }
green_marks=$(marks "$green") red_marks=$(marks "$red") blue_marks=$(marks "$blue")
e2e_log "highlighted label pixels: green $green_marks, red $red_marks, blue $blue_marks"
[[ "$green_marks" -ge 100 ]] || e2e_fail "the green thumbnail is not selected"
[[ "$red_marks" -lt 20 && "$blue_marks" -lt 20 ]] || e2e_fail "another thumbnail is selected too"

# The folder stays the browsed folder when the program ends.
e2e_quit_viewer
lastpath=$(e2e_ini_value "$E2E_SETTINGS" setting lastpath)
[[ "$lastpath" == "$pictures" ]] || e2e_fail "lastpath is '$lastpath', expected '$pictures'"

# The screenshot of the bundled samples with one of them open.
if [[ -n "$shot_out" ]]; then
    cp -r "$samples" "$E2E_TMP/samples"
    e2e_start_viewer '^lake-at-dusk\.jpg - Tarnis Viewer$' "$E2E_TMP/samples/lake-at-dusk.jpg"
    sleep 4
    shot=$(e2e_screenshot samples)
    mkdir -p "$(dirname "$shot_out")"
    cp "$shot" "$shot_out"
    e2e_log "AppStream screenshot in $shot_out"
fi
e2e_log "passed"
