#!/usr/bin/env bash
# An edited picture is not dropped without a question: after Negative, a click on another
# thumbnail asks "Save changes to ...?"; Cancel keeps the edited picture, the title marks it, and
# Ctrl+Z brings the original back. Exit then asks nothing.
# Usage: test_edits.sh PROGRAM ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

e2e_init edits "$1" "$2"
pictures=$E2E_PICTURES
# True colour, so that Negative turns the red into cyan (a palette picture inverts its indices).
convert -size 200x150 xc:'rgb(255,0,0)' -type TrueColor PNG24:"$pictures/1-red.png"
convert -size 150x200 xc:'rgb(0,255,0)' "$pictures/2-green.bmp"

grid_region=460x300+807+335
pane_x=400 pane_y=560

e2e_start_viewer "$E2E_MAIN_TITLE" "$pictures"

for n in $(seq 40); do
    shot=$(e2e_screenshot grid)
    red=$(e2e_find_colour "$shot" "$grid_region" FF0000)
    green=$(e2e_find_colour "$shot" "$grid_region" 00FF00)
    [[ -n "$red" && -n "$green" ]] && break
    sleep 0.5
done
[[ -n "$red" && -n "$green" ]] || e2e_fail "the grid does not show both pictures"

read -r x y <<< "$red"
xdotool mousemove "$((x + 10))" "$((y + 10))" && sleep 0.3 && xdotool click 1
e2e_wait_pane opened "255,0,0"

# The Negative button of the edit toolbar (window coordinates: the row below the main toolbar,
# 31-pixel buttons after the gripper, separators between the groups).
e2e_activate "$window"
e2e_click "$window" 461 "$((${E2E_MAIN_TOOLBAR_Y:-47} + 43))"
e2e_wait_pane negative "0,255,255"
title=$(xdotool getwindowname "$window")
[[ "$title" == \** ]] || e2e_fail "the title '$title' does not mark the picture as modified"
e2e_log "Negative shown; title '$title'"

read -r x y <<< "$green"
xdotool mousemove "$((x + 10))" "$((y + 10))" && sleep 0.3 && xdotool click 1
box=$(e2e_wait_window '^Tarnis Viewer$' 10) || e2e_fail "no question after clicking another thumbnail"
e2e_screenshot question >/dev/null
e2e_activate "$box"
e2e_key Escape
e2e_wait_no_window '^Tarnis Viewer$' 10 || e2e_fail "the question did not close on Cancel"
e2e_wait_pane kept "0,255,255"
e2e_log "Cancel kept the edited picture"

e2e_activate "$window"
e2e_key ctrl+z
e2e_wait_pane undone "255,0,0"
title=$(xdotool getwindowname "$window")
[[ "$title" != \** ]] || e2e_fail "after undo the title '$title' still marks a change"
e2e_log "Ctrl+Z restored the picture"

e2e_quit_viewer
echo "PASS"
