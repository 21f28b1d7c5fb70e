#!/usr/bin/env bash
# Debian's package checker on the package the build makes: no error and no warning. An
# informational tag is printed; docs/packaging.md says why each one stays.
#
#   lintian.sh BUILD_DIR
set -euo pipefail

build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/package-lib.sh"

command -v lintian >/dev/null || fail "lintian is missing: run scripts/setup"
deb=$(buildPackage)
# Errors and warnings fail; informational tags are shown. Lintian's own note that it runs as root
# says nothing about the package.
status=0
lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.txt" 2>&1 || status=$?
grep -v '^running with root privileges' "$work/lintian.txt" || true
[ "$status" -eq 0 ] || fail "lintian reports errors or warnings on $(basename "$deb") (status $status)"
echo "PASS: lintian on $(basename "$deb"): no error, no warning"
