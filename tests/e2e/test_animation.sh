#!/usr/bin/env bash
# An animated GIF plays in the image pane: opened with the Open button, the middle of the shown
# picture changes colour within half a second, and keeps changing.
# Usage: test_animation.sh PROGRAM ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

e2e_init animation "$1" "$2"
pictures=$E2E_PICTURES
# Three 200 × 150 frames shown 100, 170 and 230 ms, looping forever.
convert -size 200x150 -delay 10 xc:red -delay 17 xc:lime -delay 23 xc:blue -loop 0 "$pictures/anim.gif"
picture=$pictures/anim.gif

e2e_start_viewer "$E2E_MAIN_TITLE" "$pictures"
sleep 1
e2e_open_file "$picture"

# The picture sits centred in the pane (800 pixels wide, below the toolbars): find a pixel of it.
shot=$(e2e_screenshot first)
box=$(e2e_picture_box "$shot")
read -r bx by bw bh <<< "$box"
[[ "$bw" -gt 20 && "$bh" -gt 20 ]] || e2e_fail "no picture in the pane ($box)"
cx=$((bx + bw / 2)) cy=$((by + bh / 2))
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

e2e_quit_viewer
echo "PASS"
