#!/usr/bin/env bash
# Installing and packaging the built tree: `cmake --install` into a scratch prefix must give the
# program, its menu entry and its icons and nothing else; `cpack -G DEB` must build a package whose
# dependencies bring Qt's ODBC driver, unixODBC and FreeTDS, and which unpacks to the same files
# under /usr.
#
#   package.sh BUILD_DIR
set -euo pipefail

build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

readonly programs="tovik-sql-tester tovik-threshold-explorer"
readonly installedFiles="bin/tovik-sql-tester
bin/tovik-threshold-explorer
share/applications/tovik-sql-tester.desktop
share/applications/tovik-threshold-explorer.desktop
share/icons/hicolor/256x256/apps/tovik-sql-tester.png
share/icons/hicolor/256x256/apps/tovik-threshold-explorer.png
share/icons/hicolor/48x48/apps/tovik-sql-tester.png
share/icons/hicolor/48x48/apps/tovik-threshold-explorer.png
share/icons/hicolor/scalable/apps/tovik-sql-tester.svg
share/icons/hicolor/scalable/apps/tovik-threshold-explorer.svg"

# Named by the package itself, then by dpkg-shlibdeps from the libraries the program links.
readonly requiredDepends="libqt6sql6-odbc unixodbc tdsodbc libqt6widgets6 libqt6sql6 libodbc2 libqt6charts6 libqt6svg6"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

filesUnder() {
    (cd "$1" && find . -type f -o -type l | sed 's|^\./||' | sort)
}

checkTree() {
    local prefix=$1 what=$2
    local actual
    actual=$(filesUnder "$prefix")
    [ "$actual" = "$installedFiles" ] \
        || fail "$what holds other files than expected:"$'\n'"$(diff <(echo "$installedFiles") <(echo "$actual"))"
    local program
    for program in $programs; do
        [ -x "$prefix/bin/$program" ] || fail "$what: $program is not executable"
        if ldd "$prefix/bin/$program" | grep -q 'not found'; then
            fail "$what: $program misses libraries: $(ldd "$prefix/bin/$program" | grep 'not found')"
        fi
        checkDesktopEntry "$prefix/share/applications/$program.desktop" "$program" "$what"
        checkIcon "$prefix/share/icons/hicolor" 48 "$program" "$what"
        checkIcon "$prefix/share/icons/hicolor" 256 "$program" "$what"
        grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/$program.svg" \
            || fail "$what: the scalable icon of $program is no SVG"
    done
}

checkDesktopEntry() {
    local entry=$1 program=$2 what=$3
    desktop-file-validate "$entry" >"$work/validate.txt" 2>&1 \
        || fail "$what: desktop-file-validate rejects the entry: $(cat "$work/validate.txt")"
    grep -qx "Exec=$program" "$entry" || fail "$what: the entry does not start the program"
    grep -qx "Icon=$program" "$entry" || fail "$what: the entry names another icon"
    grep -qx 'Categories=Network;Monitor;Database;' "$entry" \
        || fail "$what: the entry has other categories: $(grep '^Categories=' "$entry")"
}

checkIcon() {
    local hicolor=$1 size=$2 program=$3 what=$4
    local icon="$hicolor/${size}x${size}/apps/$program.png"
    file -b "$icon" | grep -q "^PNG image data, $size x $size," \
        || fail "$what: $icon is not a $size x $size PNG: $(file -b "$icon")"
}

checkInstall() {
    cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" \
        || fail "cmake --install failed: $(cat "$work/install.log")"
    checkTree "$work/prefix" "the installed prefix"
}

buildPackage() {
    (cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package") \
        >"$work/cpack.log" 2>&1 || fail "cpack -G DEB failed: $(cat "$work/cpack.log")"
    local packages=("$work"/package/*.deb)
    if [ ${#packages[@]} -ne 1 ] || [ ! -f "${packages[0]}" ]; then
        fail "cpack made no single .deb: $(ls "$work/package")"
    fi
    echo "${packages[0]}"
}

checkDepends() {
    local deb=$1
    local depends
    depends=$(dpkg-deb -f "$deb" Depends)
    local package
    for package in $requiredDepends; do
        tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//' | grep -x "$package" >/dev/null \
            || fail "the package does not depend on $package: Depends: $depends"
    done
    # Read the whole listing first: "grep -q" stops early, and under pipefail the writer's
    # broken pipe would fail the check.
    local info
    info=$(dpkg-deb -I "$deb")
    grep -q "^ Depends: .*tdsodbc" <<<"$info" || fail "dpkg-deb -I does not show the dependencies"
    [ "$(dpkg-deb -f "$deb" Package)" = tovik-sql-tester ] || fail "the package has another name"
}

checkUnpacked() {
    local deb=$1
    dpkg -x "$deb" "$work/root"
    [ -d "$work/root/usr" ] || fail "the package installs nothing under /usr"
    [ "$(filesUnder "$work/root" | grep -vc '^usr/')" -eq 0 ] \
        || fail "the package installs outside /usr: $(filesUnder "$work/root" | grep -v '^usr/')"
    checkTree "$work/root/usr" "the unpacked package"
}

main() {
    local tool
    for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate file; do
        command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/setup"
    done
    checkInstall
    local deb
    deb=$(buildPackage)
    checkDepends "$deb"
    checkUnpacked "$deb"
    echo "PASS: install and $(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends)"
}

main
