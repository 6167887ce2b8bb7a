#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright 2026 The Palavine developers
#
# Builds the Debian package from the build and checks it as a distribution
# would: lintian finds no error and no warning; the control fields name the
# version, the libraries and the recommended xdg-utils; the copyright file,
# the changelog and the compressed manual page are in place; the program in
# it is hardened, runs "palavine list --help", and "man palavine" shows its
# page.
# Usage: package_test.sh BUILD_DIR VERSION
set -u
build=${1:?usage: package_test.sh BUILD_DIR VERSION}
version=${2:?usage: package_test.sh BUILD_DIR VERSION}
work=$(mktemp -d "${TMPDIR:-/tmp}/palavine-package.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
# man, run as root, reads the page as its own user.
chmod 755 "$work"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

out=$(cd "$build" && cpack -G DEB -B "$work" 2>&1) || {
    printf '%s\n' "$out" >&2
    echo "FAIL: cpack -G DEB" >&2
    exit 1
}
set -- "$work"/palavine_"$version"_*.deb
deb=$1
[ -f "$deb" ] || {
    printf '%s\n' "$out" >&2
    echo "FAIL: cpack made no palavine_${version}_*.deb" >&2
    exit 1
}

# The control fields.
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Version)" = "$version" ] || fail "package version is '$(field Version)', not $version"
field Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt libraries: $(field Depends)"
field Recommends | grep -qw 'xdg-utils' || fail "Recommends lacks xdg-utils: $(field Recommends)"

# The files a distribution wants, with the usual owner and modes.
contents=$(dpkg-deb --contents "$deb") || fail "dpkg-deb --contents"
for entry in '-rwxr-xr-x ./usr/bin/palavine' \
    '-rw-r--r-- ./usr/share/doc/palavine/copyright' \
    '-rw-r--r-- ./usr/share/doc/palavine/changelog.gz' \
    '-rw-r--r-- ./usr/share/man/man1/palavine.1.gz'; do
    printf '%s\n' "$contents" | awk '$2 == "root/root" { print $1, $6 }' | grep -qx -- "$entry" ||
        fail "package lacks $entry (owned by root)"
done

# Unpacked, the program runs and its manual page opens by name.
root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
program=$root/usr/bin/palavine
if out=$("$program" list --help 2>&1); then
    printf '%s\n' "$out" | grep -q 'palavine list' || fail "palavine list --help printed: $out"
else
    fail "palavine list --help failed: $out"
fi
if command -v man >/dev/null 2>&1; then
    page=$(MANPATH=$root/usr/share/man MANWIDTH=80 MANPAGER=cat PAGER=cat man palavine 2>&1) ||
        fail "man palavine failed: $page"
    printf '%s\n' "$page" | grep -q "Palavine $version" ||
        fail "man palavine does not show the page of version $version: $page"
else
    echo "SKIP: man not installed; the manual page not opened"
fi

# Hardened as Debian's build flags harden: relocations read-only and bound at
# start-up, position-independent, stack protector and fortified calls.
dynamic=$(readelf -dW "$program")
printf '%s\n' "$dynamic" | grep -Eq '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).* NOW' ||
    fail "program not linked with -z now"
readelf -lW "$program" | grep -q 'GNU_RELRO' || fail "program has no RELRO segment"
printf '%s\n' "$dynamic" | grep -Eq '\(FLAGS_1\).* PIE' || fail "program is not position-independent"
symbols=$(readelf --dyn-syms -W "$program")
printf '%s\n' "$symbols" | grep -q ' __stack_chk_fail' || fail "program has no stack protector"
# Fortified: some call goes to a checking __NAME_chk of the C library, unless
# the program calls none of the functions that have one.
if ! printf '%s\n' "$symbols" | grep -Eq ' __[a-z0-9_]+_chk(@|$)'; then
    libc=$(ldd "$program" | awk '$1 ~ /^libc\.so/ { print $3 }')
    readelf --dyn-syms -W "$libc" | awk '{ print $8 }' | sed -n 's/^__\(.*\)_chk@.*/\1/p' |
        sort -u >"$work/checked"
    printf '%s\n' "$symbols" | awk '$7 == "UND" { sub(/@.*/, "", $8); print $8 }' |
        sort -u >"$work/called"
    unchecked=$(comm -12 "$work/checked" "$work/called")
    [ -z "$unchecked" ] || fail "program calls no fortified function, only" $unchecked
fi

if command -v lintian >/dev/null 2>&1; then
    report=$(lintian --fail-on error,warning "$deb" 2>&1)
    status=$?
    [ -z "$report" ] || printf '%s\n' "$report"
    if [ "$status" -ne 0 ] || printf '%s\n' "$report" | grep -Eq '^[EW]: '; then
        fail "lintian reports errors or warnings"
    fi
else
    echo "SKIP: lintian not installed; the package not checked by it"
fi

[ "$failures" -eq 0 ] || {
    echo "$failures check(s) failed" >&2
    exit 1
}
echo "package $(basename "$deb"): all checks passed"
