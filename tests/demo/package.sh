#!/usr/bin/env bash
# Installing and packaging the built tree: `cmake --install` into a scratch prefix must give the
# programs (the window and the command-line check), their manual pages, the window's menu entry,
# AppStream metainfo and icons, the licence and the changelog and nothing else; `cpack -G DEB` must
# build a package whose dependencies bring Qt's ODBC driver and platform plugins, unixODBC and
# FreeTDS, which unpacks to the same files under /usr, and which dpkg installs into and purges from
# a scratch root without leaving anything there.
#
#   package.sh BUILD_DIR
set -euo pipefail

build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/package-lib.sh"

readonly installedFiles="bin/tovik-cpu-check
bin/tovik-sql-tester
share/applications/tovik-sql-tester.desktop
share/doc/tovik-sql-tester/changelog.gz
share/doc/tovik-sql-tester/copyright
share/icons/hicolor/256x256/apps/tovik-sql-tester.png
share/icons/hicolor/48x48/apps/tovik-sql-tester.png
share/icons/hicolor/scalable/apps/tovik-sql-tester.svg
share/man/man1/tovik-cpu-check.1.gz
share/man/man1/tovik-sql-tester.1.gz
share/metainfo/example.tovik.SqlTester.metainfo.xml"

# Named by the package itself, then by dpkg-shlibdeps from the libraries the program links.
readonly requiredDepends="libqt6sql6-odbc qt6-qpa-plugins unixodbc tdsodbc libqt6widgets6 libqt6sql6 libodbc2"

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
    for program in tovik-sql-tester tovik-cpu-check; do
        [ -x "$prefix/bin/$program" ] || fail "$what: $program is not executable"
        if ldd "$prefix/bin/$program" | grep -q 'not found'; then
            fail "$what: $program misses libraries: $(ldd "$prefix/bin/$program" | grep 'not found')"
        fi
    done
    "$prefix/bin/tovik-cpu-check" --version | grep -qx 'tovik-cpu-check [0-9.]*' \
        || fail "$what: the command-line check does not start"
    checkDesktopEntry "$prefix/share/applications/tovik-sql-tester.desktop" "$what"
    checkIcon "$prefix/share/icons/hicolor" 48 "$what"
    checkIcon "$prefix/share/icons/hicolor" 256 "$what"
    grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/tovik-sql-tester.svg" \
        || fail "$what: the scalable icon is no SVG"
    local metainfo
    for metainfo in "$prefix"/share/metainfo/*.metainfo.xml; do
        appstreamcli validate --no-net "$metainfo" >"$work/validate.txt" 2>&1 \
            || fail "$what: appstreamcli rejects $metainfo: $(cat "$work/validate.txt")"
    done
    local page
    for page in "$prefix"/share/man/man1/*.1.gz; do
        LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null | tee "$work/man.txt" | grep -q . \
            && fail "$what: man warns about $page: $(cat "$work/man.txt")"
    done
    checkChangelog "$prefix/share/doc/tovik-sql-tester/changelog.gz" "$what"
}

# The newest entry names the version the build makes.
checkChangelog() {
    local changelog=$1 what=$2
    local version built
    gzip -dc "$changelog" >"$work/changelog"
    version=$(dpkg-parsechangelog -l "$work/changelog" -S Version)
    built=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
    [ "$version" = "$built" ] \
        || fail "$what: the changelog's newest entry is $version, the build makes $built"
}

checkDesktopEntry() {
    local entry=$1 what=$2
    desktop-file-validate "$entry" >"$work/validate.txt" 2>&1 \
        || fail "$what: desktop-file-validate rejects the entry: $(cat "$work/validate.txt")"
    grep -qx 'Exec=tovik-sql-tester' "$entry" || fail "$what: the entry does not start the program"
    grep -qx 'Icon=tovik-sql-tester' "$entry" || fail "$what: the entry names another icon"
    grep -qx 'Categories=Network;Monitor;Database;' "$entry" \
        || fail "$what: the entry has other categories: $(grep '^Categories=' "$entry")"
}

checkIcon() {
    local hicolor=$1 size=$2 what=$3
    local icon="$hicolor/${size}x${size}/apps/tovik-sql-tester.png"
    file -b "$icon" | grep -q "^PNG image data, $size x $size," \
        || fail "$what: $icon is not a $size x $size PNG: $(file -b "$icon")"
}

checkInstall() {
    cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" \
        || fail "cmake --install failed: $(cat "$work/install.log")"
    checkTree "$work/prefix" "the installed prefix"
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
    appstreamcli validate-tree --no-net "$work/root" >"$work/validate.txt" 2>&1 \
        || fail "appstreamcli rejects the unpacked package: $(cat "$work/validate.txt")"
}

# dpkg installs the package into a root of its own and purges it again: nothing of it may remain.
checkInstallAndPurge() {
    local deb=$1
    local root="$work/dpkg-root"
    mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info"
    touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
    # The dependencies are those of this machine, which the scratch root does not hold.
    dpkg --root="$root" --force-depends --force-script-chrootless -i "$deb" >"$work/dpkg.log" 2>&1 \
        || fail "dpkg -i into a scratch root failed: $(cat "$work/dpkg.log")"
    [ -x "$root/usr/bin/tovik-sql-tester" ] || fail "dpkg -i installed no program"
    dpkg --root="$root" --force-depends --force-script-chrootless --purge tovik-sql-tester \
        >"$work/dpkg.log" 2>&1 || fail "dpkg --purge failed: $(cat "$work/dpkg.log")"
    local left
    # Only dpkg's own database stays, and it forgets the package.
    left=$(filesUnder "$root" | grep -v '^var/lib/dpkg/' || true)
    left+=$(find "$root/var/lib/dpkg/info" -name 'tovik-sql-tester.*')
    [ -z "$left" ] || fail "the purged package left files behind: $left"
    [ -z "$(find "$root/usr" -mindepth 1 2>/dev/null)" ] \
        || fail "the purged package left under usr: $(find "$root/usr" -mindepth 1)"
}

main() {
    local tool
    for tool in cpack dpkg dpkg-deb dpkg-parsechangelog dpkg-shlibdeps desktop-file-validate appstreamcli man file; do
        command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/setup"
    done
    checkInstall
    local deb
    deb=$(buildPackage)
    checkDepends "$deb"
    checkUnpacked "$deb"
    checkInstallAndPurge "$deb"
    echo "PASS: install and $(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends)"
}

main
