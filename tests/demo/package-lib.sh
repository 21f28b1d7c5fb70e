# Shared by the package tests; the caller sets $build (the build tree) and $work (scratch space).

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Builds the Debian package from the build tree into $work/package and prints its path.
buildPackage() {
    (cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package") \
        >"$work/cpack.log" 2>&1 || fail "cpack -G DEB failed: $(cat "$work/cpack.log")"
    local packages=("$work"/package/*.deb)
    if [ ${#packages[@]} -ne 1 ] || [ ! -f "${packages[0]}" ]; then
        fail "cpack made no single .deb: $(ls "$work/package")"
    fi
    echo "${packages[0]}"
}
