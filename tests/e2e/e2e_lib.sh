# Helpers for window tests: a private X display with a window manager, the program started with
# its settings in a temporary home, windows found by title, clicks, keys and screenshots.
# Source this file, then call e2e_init NAME PROGRAM ARTIFACT_DIR first.

E2E_PIDS=()
# The main window's title with no document open.
E2E_MAIN_TITLE='^Tarnis Viewer - Tarnis Viewer$'

e2e_log() { echo "[e2e $(date +%H:%M:%S)] $*"; }

e2e_fail()
{
    echo "[e2e] FAIL: $*" >&2
    if [[ -n "${DISPLAY:-}" && -n "${E2E_ARTIFACTS:-}" ]]; then
        import -window root "$E2E_ARTIFACTS/failure.png" 2>/dev/null || true
        echo "[e2e] screen at failure: $E2E_ARTIFACTS/failure.png" >&2
    fi
    [[ -f "${E2E_APP_LOG:-}" ]] && sed 's/^/[app] /' "$E2E_APP_LOG" >&2
    exit 1
}

e2e_cleanup()
{
    local pid
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${E2E_PIDS[i]}
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    [[ -n "${E2E_TMP:-}" && -d "$E2E_TMP" ]] && rm -rf "$E2E_TMP"
}

# e2e_init NAME PROGRAM ARTIFACT_DIR: temporary home and config folder, artefact folder, tool
# check; E2E_PICTURES is an empty folder for the test's pictures.
e2e_init()
{
    local name=$1
    E2E_PROGRAM=$2
    E2E_ARTIFACTS=$3/$name
    mkdir -p "$E2E_ARTIFACTS"
    rm -f "$E2E_ARTIFACTS"/*.png "$E2E_ARTIFACTS"/*.log
    local tool
    for tool in Xvfb openbox xdotool xprop xdpyinfo import identify; do
        command -v "$tool" >/dev/null || e2e_fail "$tool is missing (tools/install-deps.sh installs it)"
    done
    E2E_TMP=$(mktemp -d)
    trap e2e_cleanup EXIT
    export HOME=$E2E_TMP/home
    export XDG_CONFIG_HOME=$HOME/.config
    export XDG_RUNTIME_DIR=$E2E_TMP/runtime
    E2E_PICTURES=$E2E_TMP/pictures
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$E2E_PICTURES"
    chmod 700 "$XDG_RUNTIME_DIR"
    export QT_QPA_PLATFORM=xcb
    unset SESSION_MANAGER
    E2E_SETTINGS=$XDG_CONFIG_HOME/TarnisTech/pexora.conf
    E2E_PROFILE="$XDG_CONFIG_HOME/Local AppWizard-Generated Applications/Tarnis Viewer.conf"
}

# e2e_start_display [WIDTHxHEIGHT]: Xvfb on a free display, then openbox; exports DISPLAY.
e2e_start_display()
{
    local size=${1:-1280x1024}
    local fdfile=$E2E_TMP/display
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$fdfile" >"$E2E_TMP/xvfb.log" 2>&1 &
    E2E_PIDS+=($!)
    local n
    for n in $(seq 100); do
        [[ -s "$fdfile" ]] && break
        sleep 0.1
    done
    [[ -s "$fdfile" ]] || e2e_fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
    export DISPLAY=:$(head -n1 "$fdfile")
    openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
    E2E_PIDS+=($!)
    for n in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
    xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || e2e_fail "openbox did not start"
    e2e_log "display $DISPLAY ($size) with openbox"
}

# e2e_rgb_pictures: red 200 × 150 PNG, green 150 × 200 BMP and blue 180 × 180 PNG in E2E_PICTURES,
# flat colours so that each thumbnail and the opened picture can be told apart.
e2e_rgb_pictures()
{
    convert -size 200x150 xc:'rgb(255,0,0)' "$E2E_PICTURES/1-red.png"
    convert -size 150x200 xc:'rgb(0,255,0)' "$E2E_PICTURES/2-green.bmp"
    convert -size 180x180 xc:'rgb(0,0,255)' "$E2E_PICTURES/3-blue.png"
}

# e2e_start_app PROGRAM ARGS...: starts the program; E2E_APP_PID, output in E2E_APP_LOG.
e2e_start_app()
{
    E2E_APP_LOG=$E2E_ARTIFACTS/app.log
    "$@" >>"$E2E_APP_LOG" 2>&1 &
    E2E_APP_PID=$!
    E2E_PIDS+=($E2E_APP_PID)
    e2e_log "started $* (pid $E2E_APP_PID)"
}

# e2e_start_viewer TITLE_REGEX ARGS...: the program with ARGS on the display (a 1280 × 1024 one is
# started first when there is none yet); its window, in $window, maximised and given the keyboard.
e2e_start_viewer()
{
    local title=$1
    shift
    [[ -s "$E2E_TMP/display" ]] || e2e_start_display 1280x1024
    e2e_start_app "$E2E_PROGRAM" "$@"
    window=$(e2e_wait_window "$title" 30) || e2e_fail "no window titled $title"
    e2e_wait_maximised "$window" || e2e_fail "the window is not maximised: $(xprop -id "$window" _NET_WM_STATE)"
    e2e_activate "$window"
}

# e2e_quit_viewer: File › Exit through the menu's mnemonics; the program must end with code 0.
e2e_quit_viewer()
{
    e2e_activate "$window"
    e2e_key alt+f
    sleep 0.5
    e2e_key x
    e2e_wait_exit "$E2E_APP_PID" 15 || e2e_fail "the program did not end after File › Exit"
    [[ "$E2E_EXIT_CODE" -eq 0 ]] || e2e_fail "the program ended with code $E2E_EXIT_CODE"
}

# e2e_open_file PATH: the main toolbar's Open button, then PATH typed into the Open dialog.
e2e_open_file()
{
    e2e_click "$window" $((10 + 19)) "${E2E_MAIN_TOOLBAR_Y:-47}"
    e2e_wait_window '^Open$' 10 >/dev/null || e2e_fail "the Open button opened no 'Open' dialog"
    xdotool type --delay 20 "$1"
    e2e_key Return
    e2e_wait_no_window '^Open$' 10 || e2e_fail "the Open dialog did not close"
    sleep 1
}

# e2e_window_position WINDOW: prints the screen "X Y" of the window.
e2e_window_position()
{
    xdotool getwindowgeometry "$1" | awk '/Position:/ { split($2, p, ","); print p[1], p[2] }'
}

# e2e_picture_box SHOT: screen "X Y W H" of the picture in the image pane of $window: what is not
# the pane's grey in its left 790 × 700 pixels below the toolbars.
e2e_picture_box()
{
    local win_x win_y box w h x y
    read -r win_x win_y < <(e2e_window_position "$window")
    box=$(convert "$1" -crop "790x700+$win_x+$((win_y + 150))" +repage -bordercolor 'rgb(194,194,194)' \
        -border 1 -fuzz 0 -trim -format '%w %h %X %Y' info:)
    read -r w h x y <<< "${box//+/}"
    echo "$((win_x + x - 1)) $((win_y + 150 + y - 1)) $w $h"
}

# e2e_wait_window TITLE_REGEX [SECONDS]: prints the id of the first visible window whose title
# matches.
e2e_wait_window()
{
    local pattern=$1 seconds=${2:-20} id n
    for n in $(seq $((seconds * 10))); do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1)
        [[ -n "$id" ]] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# e2e_wait_no_window TITLE_REGEX [SECONDS]
e2e_wait_no_window()
{
    local pattern=$1 seconds=${2:-10} n
    for n in $(seq $((seconds * 10))); do
        xdotool search --onlyvisible --name "$pattern" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

# e2e_is_maximised WINDOW: the window manager's state says maximised both ways.
e2e_is_maximised()
{
    local state
    state=$(xprop -id "$1" _NET_WM_STATE 2>/dev/null)
    [[ "$state" == *_NET_WM_STATE_MAXIMIZED_VERT* && "$state" == *_NET_WM_STATE_MAXIMIZED_HORZ* ]]
}

# e2e_wait_maximised WINDOW: up to 5 s for the window manager to maximise it; false if it never does.
e2e_wait_maximised()
{
    local n
    for n in $(seq 50); do
        e2e_is_maximised "$1" && return 0
        sleep 0.1
    done
    return 1
}

# e2e_rgb SHOT X Y: "R,G,B" of one screen pixel of a screenshot.
e2e_rgb()
{
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)],%[fx:int(255*p{$2,$3}.g+0.5)],%[fx:int(255*p{$2,$3}.b+0.5)]" info:
}

# e2e_window_size WINDOW: prints "WIDTH HEIGHT".
e2e_window_size()
{
    xwininfo -id "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }'
}

e2e_screen_size()
{
    xdotool getdisplaygeometry
}

# e2e_screenshot NAME: the whole screen as $E2E_ARTIFACTS/NAME.png; prints the path.
e2e_screenshot()
{
    local path=$E2E_ARTIFACTS/$1.png
    import -window root "$path" || e2e_fail "screenshot $1 failed"
    echo "$path"
}

# e2e_activate WINDOW: raises the window and gives it the keyboard.
e2e_activate()
{
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"
    sleep 0.2
}

# e2e_click WINDOW X Y: a left click at window coordinates.
e2e_click()
{
    xdotool mousemove --window "$1" "$2" "$3" && sleep 0.3 && xdotool click 1
}

# e2e_key KEYS...: key strokes to the focused window (xdotool names: ctrl+o, alt+f, Escape).
e2e_key()
{
    xdotool key --delay 80 "$@"
}

# e2e_wait_exit PID [SECONDS]: waits for the process and sets E2E_EXIT_CODE (124 on timeout).
# Call it directly, not in $(...): only this shell can collect its child's exit code.
e2e_wait_exit()
{
    local pid=$1 seconds=${2:-15} n
    E2E_EXIT_CODE=124
    for n in $(seq $((seconds * 10))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            E2E_EXIT_CODE=$?
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# e2e_ini_value FILE SECTION KEY: the value from a settings file, empty when missing.
e2e_ini_value()
{
    awk -v section="[$2]" -v key="$3" '
        /^\[/ { inside = ($0 == section); next }
        inside && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }' "$1" 2>/dev/null
}

# e2e_find_colour SHOT REGION HEX: screen "X Y" of the first pixel of that colour in the region
# (WxH+X+Y), nothing when there is none.
e2e_find_colour()
{
    local offset=${2#*+}
    convert "$1" -crop "$2" +repage txt:- | awk -v hex="#$3" -v ox="${offset%+*}" -v oy="${offset#*+}" '
        !found && index($0, hex " ") { split($1, p, "[,:]"); found = (p[1] + ox) " " (p[2] + oy) }
        END { if (found) print found }'
}

# e2e_wait_pane NAME R,G,B: screenshot NAME once the image pane shows that colour at its sample
# point ($pane_x, $pane_y); fails after about nine seconds.
e2e_wait_pane()
{
    local n
    for n in $(seq 30); do
        shot=$(e2e_screenshot "$1")
        [[ "$(e2e_rgb "$shot" "$pane_x" "$pane_y")" == "$2" ]] && return 0
        sleep 0.3
    done
    e2e_fail "$1: the image pane shows $(e2e_rgb "$shot" "$pane_x" "$pane_y"), expected $2"
}
