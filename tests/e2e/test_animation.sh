#!/usr/bin/env bash
# An animated GIF plays in the image pane: opened with the Open button, the middle of the shown
# picture changes colour within half a second, and keeps changing.
# Usage: test_animation.sh PROGRAM ARTIFACT_DIR
set -euo pipefail
program=$1
artifacts=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/e2e_lib.sh"

e2e_init animation "$artifacts"
pictures=$E2E_TMP/pictures
mkdir -p "$pictures"
# Three 200 × 150 frames shown 100, 170 and 230 ms, looping forever.
convert -size 200x150 -delay 10 xc:red -delay 17 xc:lime -delay 23 xc:blue -loop 0 "$pictures/anim.gif"
picture=$pictures/anim.gif

open_x=$((10 + 19))
open_y=${E2E_MAIN_TOOLBAR_Y:-47}

e2e_start_display 1280x1024
e2e_start_app "$program" "$pictures"
window=$(e2e_wait_window '^Tarnis Viewer - Tarnis Viewer$' 30) || e2e_fail "no main window"
e2e_wait_maximised "$window" || e2e_fail "the window is not maximised"
sleep 1
e2e_activate "$window"
read -r win_x win_y < <(xdotool getwindowgeometry "$window" | awk '/Position:/ { split($2, p, ","); print p[1], p[2] }')

e2e_click "$window" "$open_x" "$open_y"
e2e_wait_window '^Open$' 10 >/dev/null || e2e_fail "the Open button opened no 'Open' dialog"
xdotool type --delay 20 "$picture"
e2e_key Return
e2e_wait_no_window '^Open$' 10 || e2e_fail "the Open dialog did not close"
sleep 1

# The picture sits centred in the pane (800 pixels wide, below the toolbars): find a pixel of it.
shot=$(e2e_screenshot first)
box=$(convert "$shot" -crop "790x700+$win_x+$((win_y + 150))" +repage -bordercolor 'rgb(194,194,194)' \
    -border 1 -fuzz 0 -trim -format '%w %h %X %Y' info:)
read -r bw bh bx by <<< "$box"
[[ "$bw" -gt 20 && "$bh" -gt 20 ]] || e2e_fail "no picture in the pane ($box)"
cx=$((win_x + bx - 1 + bw / 2)) cy=$((win_y + 150 + by - 1 + bh / 2))
colours=("$(e2e_rgb "$shot" "$cx" "$cy")")
e2e_log "picture at ${bw}x${bh}, centre ($cx, $cy) is ${colours[0]}"
# Looks at the centre pixel for half a second: at least two frames seen.
start=$(date +%s%N)
while (($(date +%s%N) - start < 500000000)); do
    colours+=("$(import -window root -crop "1x1+$cx+$cy" +repage -depth 8 txt:- | awk 'NR == 2 { print $2 }' | tr -d '()' | awk -F, '{ print $1 "," $2 "," $3 }')")
    sleep 0.05
done
distinct=$(printf '%s\n' "${colours[@]}" | sort -u | wc -l)
e2e_log "colours seen: ${colours[*]}"
[[ "$distinct" -ge 2 ]] || e2e_fail "the animation did not move in half a second (${colours[*]})"
for c in "${colours[@]}"; do
    case "$c" in 255,0,0 | 0,255,0 | 0,0,255) ;; *) e2e_fail "a colour that is no frame's: $c" ;; esac
done

e2e_activate "$window"
e2e_key alt+f
sleep 0.5
e2e_key x
e2e_wait_exit "$E2E_APP_PID" 15 || e2e_fail "the program did not end after File › Exit"
[[ "$E2E_EXIT_CODE" -eq 0 ]] || e2e_fail "the program ended with code $E2E_EXIT_CODE"
echo "PASS"
