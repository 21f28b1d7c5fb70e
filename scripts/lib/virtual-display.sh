# shellcheck shell=bash
# Helpers for the scripts that show the window on an X display of their own (the screenshot and
# the demo test). Source it; it needs Xvfb and xdotool.

# Starts Xvfb on a free display number and exports DISPLAY; xvfbPid names the server to stop.
# $1 is the screen's size, by default 1280x1024.
startVirtualDisplay() {
    local dir size=${1:-1280x1024}
    dir=$(mktemp -d)
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$dir/display" >"$dir/log" 2>&1 &
    xvfbPid=$!
    local number=
    for _ in $(seq 100); do
        number=$(tr -dc '0-9' <"$dir/display")
        if [ -n "$number" ] && grep -q $'\n' "$dir/display"; then
            break
        fi
        if ! kill -0 "$xvfbPid" 2>/dev/null; then
            echo "Xvfb did not start: $(cat "$dir/log")" >&2
            rm -rf "$dir"
            return 1
        fi
        sleep 0.1
    done
    rm -rf "$dir"
    [ -n "$number" ] || return 1
    export DISPLAY=":$number"
    unset WAYLAND_DISPLAY
}

stopVirtualDisplay() {
    if [ -n "${xvfbPid:-}" ] && kill -0 "$xvfbPid" 2>/dev/null; then
        kill "$xvfbPid"
        wait "$xvfbPid" 2>/dev/null || true
    fi
    xvfbPid=
}

# Prints the id of the program's window once it is shown, waiting at most $1 seconds while the
# process $2 still runs; $3 is the window's title, by default the tester's.
awaitWindow() {
    local seconds=$1 pid=$2 title=${3:-Tovik SQL Tester}
    local window
    for _ in $(seq $((seconds * 5))); do
        window=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n 1)
        if [ -n "$window" ]; then
            echo "$window"
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.2
    done
    return 1
}

# Sets the window up as a first demo run wants it, by keyboard from the focus that the window
# opens with (the Test button, first in the tab order): seven tabs to the authentication list,
# one entry down to "Local SQL Authentication" (or, with "windows" as the second argument, none:
# "Windows Authentication" comes first), six tabs on to "CPU Load Monitoring", tick it.
chooseDemoSettings() {
    local window=$1 auth=${2:-local}
    local choice=(Down)
    [ "$auth" = windows ] && choice=()
    xdotool windowfocus --sync "$window"
    sleep 0.5
    xdotool key --delay 60 Tab Tab Tab Tab Tab Tab Tab "${choice[@]}" Tab Tab Tab Tab Tab Tab space
}

# From "CPU Load Monitoring": the monitoring time's Start and Stop, given as "HH:00" each, chosen
# from the top of their lists (Start runs from 00:00, Stop from 01:00); the focus then goes back
# to "CPU Load Monitoring".
chooseMonitoringTime() {
    local start=$((10#${1:0:2})) stop=$((10#${2:0:2} - 1))
    local keys=(Tab Home)
    for _ in $(seq "$start"); do keys+=(Down); done
    keys+=(Tab Home)
    for _ in $(seq "$stop"); do keys+=(Down); done
    keys+=(shift+Tab shift+Tab)
    xdotool key --delay 60 "${keys[@]}"
}

# From "CPU Load Monitoring", three tabs lead back round to the Test button.
pressTest() {
    xdotool key --delay 60 Tab Tab Tab space
}
