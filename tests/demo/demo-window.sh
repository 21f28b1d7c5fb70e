#!/usr/bin/env bash
# A newcomer's first run, on a display of its own: scripts/demo opens the window, the window is
# set to "Local SQL Authentication" with "CPU Load Monitoring" ticked and Test is pressed; the run
# log must appear beside the program, complete, and be handed to the viewer (a stand-in xdg-open
# that records its argument). When the demo says that the examined hour lies outside the default
# monitoring time, its Start and Stop are chosen too; either way the run must count one hour and
# catch devices. Closing the window must stop the demo's sample server.
#
#   demo-window.sh BUILD_DIR [--external] [--tls] [--kerberos]
#       [--clock 'YYYY-MM-DD HH:MM:SS' START END]
#
# --tls serves the demo forcing encryption: every connection of the window must then be encrypted
# whole, as the window connects to such a server without checking its certificate.
#
# --kerberos makes the demo's realm: the window stays on "Windows Authentication", every login is
# alice@TOVIK.TEST's, and the demo's KDC ends with it.
#
# --clock opens the window at that local time (through the test-only TOVIK_TEST_CLOCK_START) and
# expects the run to examine START to END, two 'YYYY-MM-DD HH:00:00' texts.
# Exit status 77 (skipped) when port 1433 or 1434 is taken: the demo needs those fixed ports.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=scripts/lib/virtual-display.sh
source "$root/scripts/lib/virtual-display.sh"

readonly skipped=77
readonly portsTaken=3
# Setup and the build run first; in a built tree both only check.
readonly windowSeconds=300
readonly runSeconds=90
readonly closeSeconds=30

build=$(realpath "$1")
shift
layout=online
tls=false
kerberos=false
demoArgs=()
clock=
expectedStart=
expectedEnd=
while [ $# -gt 0 ]; do
    case "$1" in
    --external)
        layout=external
        demoArgs+=(--external)
        ;;
    --tls)
        tls=true
        demoArgs+=(--tls)
        ;;
    --kerberos)
        kerberos=true
        demoArgs+=(--kerberos)
        ;;
    --clock)
        clock=$2 expectedStart=$3 expectedEnd=$4
        shift 3
        ;;
    *)
        echo "demo-window.sh: unknown option '$1'" >&2
        exit 2
        ;;
    esac
    shift
done

runLog="$build/ZU-TestCpuLoad.txt"
work=$(mktemp -d)
demoPid=
serverPid=

fail() {
    echo "FAIL: $*" >&2
    if [ -f "$work/demo.out" ]; then
        echo "--- scripts/demo said:" >&2
        cat "$work/demo.out" >&2
    fi
    exit 1
}

skip() {
    echo "SKIP: $*"
    exit "$skipped"
}

# shellcheck disable=SC2317 # runs from the EXIT trap
cleanUp() {
    local pid
    for pid in "$demoPid" "$serverPid"; do
        if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
            kill "$pid"
        fi
    done
    if [ -n "$demoPid" ]; then
        # The demo closes its window and stops its server on the signal; do not hang on it.
        for _ in $(seq 50); do
            kill -0 "$demoPid" 2>/dev/null || break
            sleep 0.2
        done
        kill -0 "$demoPid" 2>/dev/null && kill -KILL "$demoPid"
        wait "$demoPid" 2>/dev/null || true
    fi
    stopVirtualDisplay
    rm -rf "$work"
}
trap cleanUp EXIT

requireTools() {
    local tool
    for tool in Xvfb xdotool python3 ss; do
        command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/setup"
    done
}

portsInUse() {
    [ -n "$(ss -H -ltn 'sport = :1433')" ] || [ -n "$(ss -H -lun 'sport = :1434')" ]
}

installFakeViewer() {
    mkdir -p "$work/bin"
    cat >"$work/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>"$work/viewer-calls"
EOF
    chmod +x "$work/bin/xdg-open"
}

# For a sanitizer build: the window on a display leaks more in system libraries than the
# offscreen tests do, so the demo gets those suppressions added to any that LSAN_OPTIONS names.
addDisplaySuppressions() {
    local file
    file=$(echo "${LSAN_OPTIONS:-}" | tr ':' '\n' | sed -n 's/^suppressions=//p')
    { [ -n "$file" ] && cat "$file"; cat "$here/lsan-display.supp"; } >"$work/lsan.supp"
    LSAN_OPTIONS=$(echo "${LSAN_OPTIONS:-}" | tr ':' '\n' | { grep -v '^suppressions=' || true; } | paste -sd:)
    export LSAN_OPTIONS="suppressions=$work/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
}

startDemo() {
    addDisplaySuppressions
    local clockSetting=()
    [ -n "$clock" ] && clockSetting=(TOVIK_TEST_CLOCK_START="$clock")
    env -u QT_QPA_PLATFORM -u TOVIK_TEST_CLOCK_START PATH="$work/bin:$PATH" "${clockSetting[@]}" \
        "$root/scripts/demo" --build-dir "$build" "${demoArgs[@]}" >"$work/demo.out" 2>&1 &
    demoPid=$!
}

demoEndedEarly() {
    local status=0
    wait "$demoPid" || status=$?
    demoPid=
    if [ "$status" -eq "$portsTaken" ]; then
        skip "port 1433 or 1434 was taken when the demo started: $(tail -n 1 "$work/demo.out")"
    fi
    fail "scripts/demo ended with status $status before its window appeared"
}

readServerPid() {
    serverPid=$(sed -n 's/^demo: sample server (PID \([0-9]*\)) serves .*/\1/p' "$work/demo.out")
    [ -n "$serverPid" ] || fail "scripts/demo did not name its sample server's PID"
    kill -0 "$serverPid" 2>/dev/null || fail "the sample server (PID $serverPid) is not running"
}

awaitViewerCall() {
    for _ in $(seq $((runSeconds * 5))); do
        [ -s "$work/viewer-calls" ] && return 0
        sleep 0.2
    done
    fail "no viewer was opened within $runSeconds seconds of pressing Test"
}

checkRunLog() {
    local expectedUrl="file://$runLog"
    [ "$(cat "$work/viewer-calls")" = "$expectedUrl" ] \
        || fail "the viewer was called with '$(cat "$work/viewer-calls")', not '$expectedUrl'"
    [ -f "$runLog" ] || fail "no run log at $runLog"
    grep -q '^Devices caught by Threshold Conditions\.' "$runLog" \
        || fail "the run log has no summary: $(head -c 2000 "$runLog")"
    # The window's own default server text, this machine's name and the instance, was used.
    local connected login="User Id=sa;Password="
    $kerberos && login="Integrated Security=SSPI"
    connected="Connect OK to Provider=SQLOLEDB;Data Source=$(hostname)\\SNMPCONLINE;Initial Catalog=SNMPCONLINE;$login"
    grep -qF "$connected" "$runLog" || fail "the run log does not start with '$connected'"
    local reportDatabases
    reportDatabases=$(grep -c 'Initial Catalog=ATR_Report_' "$runLog" || true)
    if [ "$layout" = external ]; then
        [ "$reportDatabases" -gt 0 ] || fail "the external layout was served, yet no report database was opened"
    else
        [ "$reportDatabases" -eq 0 ] || fail "the online layout was served, yet a report database was opened"
    fi
}

# The Start and Stop that the demo's steps name, as "HH:00 HH:00"; nothing when they name none.
advisedMonitoringTime() {
    sed -n 's/^demo: in the window .*choose Start "\([0-9:]*\)" and Stop "\([0-9:]*\)".*/\1 \2/p' \
        "$work/demo.out"
}

checkAdvice() {
    local advised=$1
    [ -n "$clock" ] || return 0
    local expected=
    local hour=$((10#${expectedStart:11:2}))
    if [ "$hour" -lt 6 ] || [ "$hour" -ge 23 ]; then
        expected="${expectedStart:11:5} $(printf '%02d:00' $((hour + 1)))"
    fi
    [ "$advised" = "$expected" ] \
        || fail "for the examined hour ${expectedStart:11:5} the demo advised '$advised', not '$expected'"
}

# Every counting query names one hour, and the summary names at least one device.
checkExaminedHour() {
    local bounds
    bounds=$(grep -o "hist_time >= '[^']*' AND hist_time < '[^']*'" "$runLog" | sort -u)
    [ -n "$bounds" ] || fail "the run log has no counting query"
    [ "$(echo "$bounds" | wc -l)" -eq 1 ] || fail "the counting queries differ in their hour: $bounds"
    if [ -n "$clock" ]; then
        local expected="hist_time >= '$expectedStart' AND hist_time < '$expectedEnd'"
        [ "$bounds" = "$expected" ] || fail "the run examined \"$bounds\", not \"$expected\""
    else
        [ "$bounds" != "hist_time >= '' AND hist_time < ''" ] \
            || fail "the run examined no hour although the demo's steps were followed"
    fi
    sed -n '/^Devices caught by Threshold Conditions\./,$p' "$runLog" | grep -q $'\t[0-9]* times' \
        || fail "the summary names no caught device: $(sed -n '/^Devices caught/,$p' "$runLog")"
}

closeWindowAndAwaitDemo() {
    local window=$1
    python3 "$here/close_window.py" "$window"
    for _ in $(seq $((closeSeconds * 5))); do
        kill -0 "$demoPid" 2>/dev/null || break
        sleep 0.2
    done
    kill -0 "$demoPid" 2>/dev/null && fail "scripts/demo still runs $closeSeconds seconds after its window was closed"
    local status=0
    wait "$demoPid" || status=$?
    demoPid=
    [ "$status" -eq 0 ] || fail "scripts/demo ended with status $status after the window closed"
}

# The server's PRELOGIN lines name how each connection was protected.
checkEncryption() {
    $tls || return 0
    local log="$build/demo-data/$layout/requests.log"
    local modes
    modes=$(grep -o 'PRELOGIN encryption=[a-z ]*' "$log" | sort -u)
    [ "$modes" = "PRELOGIN encryption=full" ] \
        || fail "the window's connections to a server forcing encryption were: ${modes:-none logged}"
}

# Every login of the window was alice's, through Kerberos, and the demo's KDC ended with it.
checkKerberos() {
    $kerberos || return 0
    local log="$build/demo-data/$layout/requests.log"
    local principals
    principals=$(grep -o 'SSPI .*' "$log" | sort -u)
    [ "$principals" = "SSPI principal=alice@TOVIK.TEST" ] \
        || fail "the window's integrated logins were: ${principals:-none logged}"
    grep -q 'LOGIN7 user=' "$log" && fail "the window made a SQL login although Windows Authentication was chosen"
    grep -q '^demo: KDC (PID [0-9]*) stopped' "$work/demo.out" || fail "scripts/demo did not report stopping its KDC"
    [ ! -e "$build/demo-data/$layout/kerberos" ] || fail "the demo's realm directory was left behind"
}

checkServerStopped() {
    if kill -0 "$serverPid" 2>/dev/null; then
        fail "the sample server (PID $serverPid) still runs after the window closed"
    fi
    grep -qF "sample server (PID $serverPid) stopped" "$work/demo.out" \
        || fail "scripts/demo did not report stopping its sample server"
    serverPid=
    portsInUse && fail "port 1433 or 1434 is still taken after the demo ended"
    return 0
}

main() {
    requireTools
    portsInUse && skip "port 1433 or 1434 is taken on this machine; the demo needs both"
    startVirtualDisplay || fail "no virtual display"
    installFakeViewer
    rm -f "$runLog"

    startDemo
    local window
    window=$(awaitWindow "$windowSeconds" "$demoPid") || {
        kill -0 "$demoPid" 2>/dev/null || demoEndedEarly
        fail "the window did not appear within $windowSeconds seconds"
    }
    readServerPid

    if $kerberos; then
        chooseDemoSettings "$window" windows
    else
        chooseDemoSettings "$window"
    fi
    local advised
    advised=$(advisedMonitoringTime)
    checkAdvice "$advised"
    if [ -n "$advised" ]; then
        # shellcheck disable=SC2086 # two words, Start and Stop
        chooseMonitoringTime $advised
    fi
    pressTest
    awaitViewerCall
    checkRunLog
    checkExaminedHour
    checkEncryption

    closeWindowAndAwaitDemo "$window"
    checkServerStopped
    checkKerberos
    echo "PASS: $layout layout${clock:+ at $clock}: run log $runLog complete, viewer called, sample server stopped"
}

main
