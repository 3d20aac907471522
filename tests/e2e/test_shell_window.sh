#!/usr/bin/env bash
# The program as a user meets it: started on a picture folder under a window manager, its main
# window maximised with the right title, a toolbar button and an accelerator answered, File ›
# Exit ending it cleanly, and the browsed folder stored as "lastpath".
# Usage: test_shell_window.sh PROGRAM ARTIFACT_DIR [PICTURE_FOLDER]
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

e2e_init shell "$1" "$2"
folder=${3:-}
if [[ -z "$folder" || ! -d "$folder" ]]; then
    folder=$E2E_PICTURES
    convert -size 64x48 gradient:navy-gold "$folder/gradient.png"
    convert -size 40x40 xc:tomato "$folder/square.bmp"
fi
folder=$(cd "$folder" && pwd)

# Maximised by the window manager, covering the screen's width.
e2e_start_viewer "$E2E_MAIN_TITLE" "$folder"
e2e_log "main window $window: $(xdotool getwindowname "$window")"
read -r screen_w screen_h < <(e2e_screen_size)
read -r win_w win_h < <(e2e_window_size "$window")
[[ "$win_w" -eq "$screen_w" ]] || e2e_fail "window width $win_w, screen width $screen_w"
[[ "$win_h" -ge $((screen_h * 9 / 10)) ]] || e2e_fail "window height $win_h of $screen_h"
sleep 1 # let the first paint settle
shot=$(e2e_screenshot shell-window)
colours=$(identify -format '%k' "$shot")
[[ "$colours" -gt 30 ]] || e2e_fail "the screenshot has only $colours colours"
e2e_log "screenshot $shot ($colours colours)"

e2e_activate "$window"

# Main toolbar, third button (Save as): the gripper, two 39-pixel buttons, then this one.
save_as_x=$((10 + 39 * 2 + 19))
save_as_y=${E2E_MAIN_TOOLBAR_Y:-47}
e2e_click "$window" "$save_as_x" "$save_as_y"
dialog=$(e2e_wait_window '^Save As$' 10) || e2e_fail "the Save as button opened no 'Save As' dialog"
e2e_screenshot save-as-dialog >/dev/null
e2e_log "toolbar button opened dialog $dialog"
e2e_key Escape
e2e_wait_no_window '^Save As$' 10 || e2e_fail "the Save As dialog did not close"

# Ctrl+O is the document route's Open (the accelerator table): the chosen file becomes the
# document, which shows in the title and enters the recent-file list.
e2e_activate "$window"
e2e_key ctrl+o
open_dialog=$(e2e_wait_window '^Open$' 10) || e2e_fail "Ctrl+O opened no 'Open' dialog"
e2e_log "Ctrl+O opened the Open dialog $open_dialog"
picture=$(find "$folder" -maxdepth 1 -type f ! -name "*.tnv" | sort | head -n1)
[[ -n "$picture" ]] || e2e_fail "no file in $folder"
xdotool type --delay 20 "$picture"
e2e_key Return
e2e_wait_no_window '^Open$' 10 || e2e_fail "the Open dialog did not close"
document_title="$(basename "$picture") - Tarnis Viewer"
e2e_wait_window "^$(printf '%s' "$document_title" | sed 's/[].[^$*+?(){}|\\]/\\&/g')\$" 10 >/dev/null ||
    e2e_fail "title is '$(xdotool getwindowname "$window")', expected '$document_title'"
e2e_log "document opened: $document_title"

e2e_quit_viewer
e2e_log "program ended with code 0"

lastpath=$(e2e_ini_value "$E2E_SETTINGS" setting lastpath)
[[ "$lastpath" == "$folder" ]] || e2e_fail "lastpath is '$lastpath', expected '$folder'"
runtimes=$(e2e_ini_value "$E2E_SETTINGS" setting runtimes)
[[ "$runtimes" == 2 ]] || e2e_fail "runtimes is '$runtimes' after the first start, expected 2"
recent=$(e2e_ini_value "$E2E_PROFILE" "Recent%20File%20List" File1)
[[ "$recent" == "$picture" ]] || e2e_fail "recent file 1 is '$recent', expected '$picture'"
e2e_log "lastpath=$lastpath runtimes=$runtimes"
echo "PASS"
