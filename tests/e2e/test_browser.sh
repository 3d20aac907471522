#!/usr/bin/env bash
# The browser as a user meets it: the folder given at start is selected in the tree and its
# pictures fill the grid; a click on a thumbnail shows that picture in the image pane; after
# File › Exit a start without arguments comes back to the same folder in tree and grid.
# Usage: test_browser.sh PROGRAM ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

e2e_init browser "$1" "$2"
pictures=$E2E_PICTURES
e2e_rgb_pictures

# Screen regions of the maximised window on a 1280 × 1024 screen: the folder tree above the
# grid on the right, the image pane on the left.
tree_region=470x200+805+125
grid_region=460x300+807+335
pane_x=400 pane_y=560
highlight='srgb(48,140,198)'

# selected_row SHOT OUT: the tree's highlighted row cut out into OUT; fails without one.
selected_row()
{
    local box
    box=$(convert "$1" -crop "$tree_region" +repage -fill magenta -opaque "$highlight" \
        -fill black +opaque magenta -fill white -opaque magenta -trim -format '%w %h %X %Y' info:)
    read -r w h x y <<< "${box//+/}"
    [[ "$w" -ge 100 && "$h" -ge 10 ]] || return 1
    convert "$1" -crop "$tree_region" +repage -crop "${w}x${h}+${x}+${y}" +repage "$2"
}

# wait_thumbnails NAME: screenshot NAME once red, green and blue cells are all in the grid.
wait_thumbnails()
{
    local n
    for n in $(seq 40); do
        shot=$(e2e_screenshot "$1")
        red=$(e2e_find_colour "$shot" "$grid_region" FF0000)
        [[ -n "$red" && -n "$(e2e_find_colour "$shot" "$grid_region" 00FF00)" &&
            -n "$(e2e_find_colour "$shot" "$grid_region" 0000FF)" ]] && return 0
        sleep 0.5
    done
    e2e_fail "the grid does not show the three pictures"
}

e2e_start_viewer "$E2E_MAIN_TITLE" "$pictures"
wait_thumbnails first-visit
selected_row "$shot" "$E2E_ARTIFACTS/row-first.png" || e2e_fail "no folder is selected in the tree"
[[ "$(e2e_rgb "$shot" "$pane_x" "$pane_y")" == "194,194,194" ]] || e2e_fail "the image pane is not empty at start"
e2e_log "grid shows the three pictures; red cell at $red"

read -r x y <<< "$red"
xdotool mousemove "$((x + 10))" "$((y + 10))" && sleep 0.3 && xdotool click 1
for n in $(seq 30); do
    sleep 0.3
    shot=$(e2e_screenshot chosen)
    [[ "$(e2e_rgb "$shot" "$pane_x" "$pane_y")" == "255,0,0" ]] && break
done
[[ "$(e2e_rgb "$shot" "$pane_x" "$pane_y")" == "255,0,0" ]] ||
    e2e_fail "after a click on the red thumbnail the image pane shows $(e2e_rgb "$shot" "$pane_x" "$pane_y")"
e2e_log "the clicked picture fills the image pane"
e2e_quit_viewer
lastpath=$(e2e_ini_value "$E2E_SETTINGS" setting lastpath)
[[ "$lastpath" == "$pictures" ]] || e2e_fail "lastpath is '$lastpath', expected '$pictures'"

# No folder on the command line: the last one comes back, in the tree and in the grid.
e2e_start_viewer "$E2E_MAIN_TITLE"
wait_thumbnails restart
selected_row "$shot" "$E2E_ARTIFACTS/row-restart.png" || e2e_fail "no folder is selected in the tree after restart"
differ=$(compare -metric AE "$E2E_ARTIFACTS/row-first.png" "$E2E_ARTIFACTS/row-restart.png" null: 2>&1 || true)
[[ "$differ" == 0 ]] || e2e_fail "the tree's selected row differs after restart ($differ pixels)"
e2e_log "after restart the same folder is selected and its grid is shown"
e2e_quit_viewer
echo "PASS"
