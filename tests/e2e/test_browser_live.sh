#!/usr/bin/env bash
# The browser from the keyboard and a folder that changes under it: after a click on the first
# thumbnail, Right then Enter opens the next picture; a picture copied into the shown folder by
# another program appears in the grid without any click; Ctrl + wheel over the picture zooms it.
# Usage: test_browser_live.sh PROGRAM ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

e2e_init browser_live "$1" "$2"
pictures=$E2E_PICTURES
e2e_rgb_pictures
convert -size 160x120 xc:'rgb(255,255,0)' "$E2E_TMP/4-yellow.png"

# The maximised window on a 1280 × 1024 screen: the grid at the right, the image pane at the left.
grid_region=460x300+807+335
pane_region=780x840+10+120
pane_x=400 pane_y=560

# colour_width SHOT REGION COLOUR: width of the box around that colour in the region (0 if none).
colour_width()
{
    local box
    box=$(convert "$1" -crop "$2" +repage -fill magenta -opaque "$3" -fill black +opaque magenta \
        -fill white -opaque magenta -trim -format '%w' info: 2>/dev/null || echo 0)
    echo "${box:-0}"
}

e2e_start_viewer "$E2E_MAIN_TITLE" "$pictures"
for n in $(seq 40); do
    shot=$(e2e_screenshot first-visit)
    red=$(e2e_find_colour "$shot" "$grid_region" FF0000)
    [[ -n "$red" && -n "$(e2e_find_colour "$shot" "$grid_region" 0000FF)" ]] && break
    sleep 0.5
done
[[ -n "$red" ]] || e2e_fail "the grid does not show the pictures"

# A click on the red thumbnail, then the keys: Right, Enter.
read -r x y <<< "$red"
xdotool mousemove "$((x + 10))" "$((y + 10))" && sleep 0.3 && xdotool click 1
e2e_wait_pane clicked 255,0,0
e2e_key Right Return
e2e_wait_pane keys 0,255,0
e2e_log "Right then Enter opened the next picture"

# Another program copies a picture in: it shows without a click.
cp "$E2E_TMP/4-yellow.png" "$pictures/"
for n in $(seq 30); do
    shot=$(e2e_screenshot copied-in)
    [[ -n "$(e2e_find_colour "$shot" "$grid_region" FFFF00)" ]] && break
    sleep 0.3
done
[[ -n "$(e2e_find_colour "$shot" "$grid_region" FFFF00)" ]] || e2e_fail "the copied picture does not appear in the grid"
e2e_log "the copied picture appeared in the grid"

# Ctrl + wheel over the picture: the green picture grows on the screen.
before=$(colour_width "$shot" "$pane_region" 'rgb(0,255,0)')
xdotool mousemove "$pane_x" "$pane_y"
sleep 0.3
xdotool keydown ctrl click 4 click 4 click 4 keyup ctrl
for n in $(seq 20); do
    sleep 0.3
    shot=$(e2e_screenshot zoomed)
    after=$(colour_width "$shot" "$pane_region" 'rgb(0,255,0)')
    [[ "$after" -gt "$before" ]] && break
done
[[ "$before" -gt 0 && "$after" -gt "$before" ]] || e2e_fail "Ctrl + wheel did not zoom ($before -> $after pixels wide)"
e2e_log "Ctrl + wheel zoomed the picture from $before to $after pixels wide"

e2e_quit_viewer
echo "PASS"
