#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright 2026 The Palavine developers
# Installs the build into a temporary prefix and checks the desktop files:
# each in its place, the menu entry and AppStream metadata valid, the manual
# page rendering without warnings, and the program, the metadata, the manual
# page and the changelog all naming the project's version.
# Usage: install_test.sh BUILD_DIR VERSION
set -u
build=${1:?usage: install_test.sh BUILD_DIR VERSION}
version=${2:?usage: install_test.sh BUILD_DIR VERSION}
source=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(mktemp -d "${TMPDIR:-/tmp}/palavine-install.XXXXXX") || exit 1
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

out=$(cmake --install "$build" --prefix "$prefix" 2>&1) || {
    printf '%s\n' "$out" >&2
    echo "FAIL: cmake --install" >&2
    exit 1
}

# The standard places below the prefix.
id=example.palavine.Palavine
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
manpage=$prefix/share/man/man1/palavine.1.gz
doc=$prefix/share/doc/palavine

[ -x "$prefix/bin/palavine" ] || fail "bin/palavine missing or not executable"
for f in "$desktop" "$metainfo" "$manpage" "$doc/copyright" "$doc/changelog.gz"; do
    [ -s "$f" ] || fail "${f#"$prefix"/} missing or empty"
done
# The theme's icons at the usual sizes, each the picture with transparency
# (an opaque one shows as a square on a dark panel).
for size in 16 22 24 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x$size/apps/palavine.png
    if [ ! -s "$icon" ]; then
        fail "icon ${size}x$size missing"
    else
        cmp -s "$icon" "$source/resources/icons/theme/palavine-$size.png" ||
            fail "icon ${size}x$size is not the theme's picture"
        if command -v file >/dev/null 2>&1; then
            file -b "$icon" | grep -q "PNG image data, $size x $size, 8-bit/color RGBA," ||
                fail "icon ${size}x$size is not a $size x $size PNG with transparency: $(file -b "$icon")"
        fi
    fi
done

# The entry starts the installed program by name and shows the installed icon.
# It takes folders (a file manager's "Open With"); the program adds them.
grep -qx 'Exec=palavine %F' "$desktop" || fail "desktop entry does not run palavine with folders"
grep -qx 'MimeType=inode/directory;' "$desktop" || fail "desktop entry does not take folders"
grep -qx 'Icon=palavine' "$desktop" || fail "desktop entry does not name the palavine icon"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "metainfo does not launch $id.desktop"

if command -v desktop-file-validate >/dev/null 2>&1; then
    # It exits 0 on mere hints; any error or warning line is a fault here.
    if ! out=$(desktop-file-validate "$desktop" 2>&1) || printf '%s\n' "$out" | grep -Eq 'error:|warning:'; then
        printf '%s\n' "$out" >&2
        fail "desktop-file-validate"
    fi
else
    echo "SKIP: desktop-file-validate not installed"
fi

# One version: the program, the newest AppStream release and the newest
# changelog entry say the project's.
out=$("$prefix/bin/palavine" --version 2>&1)
[ "$out" = "palavine $version" ] || fail "palavine --version says '$out', not 'palavine $version'"
release=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1)
[ "$release" = "<release version=\"$version\"" ] ||
    fail "newest AppStream release is '$release', not $version"
entry=$(gzip -dc "$doc/changelog.gz" | head -n 1)
case $entry in
"palavine ($version) "*) ;;
*) fail "newest changelog entry is '$entry', not $version" ;;
esac
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' \
    "$doc/copyright" || fail "copyright file is not machine-readable"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" ||
    fail "metainfo does not name the licence"

# Each screenshot the metadata names is one of the source tree's, at the
# size it says.
shots=$(grep -o '<image type="source" width="[0-9]*" height="[0-9]*">[^<]*' "$metainfo" |
    sed 's/.*width="\([0-9]*\)" height="\([0-9]*\)">.*\/\(.*\)/\3 \1 \2/')
[ -n "$shots" ] || fail "metainfo names no screenshot"
printf '%s\n' "$shots" | while read -r name width height; do
    shot=$source/data/screenshots/$name
    if [ ! -s "$shot" ]; then
        echo "FAIL: screenshot $name is not in data/screenshots" >&2
        echo x
    elif command -v file >/dev/null 2>&1 &&
        ! file -b "$shot" | grep -q "PNG image data, $width x $height,"; then
        echo "FAIL: screenshot $name is not $width x $height: $(file -b "$shot")" >&2
        echo x
    fi
done | grep -q x && failures=$((failures + 1))
# Every release carries its notes.
[ "$(grep -c '<release ' "$metainfo")" -eq "$(grep -A1 '<release ' "$metainfo" | grep -c '<description>')" ] ||
    fail "a release in the metainfo carries no notes"

if command -v appstreamcli >/dev/null 2>&1; then
    appstreamcli validate --no-net "$metainfo" >&2 || fail "appstreamcli validate"
else
    echo "SKIP: appstreamcli not installed"
fi

# The manual page: it renders, roff finds nothing to warn about, and it
# carries the project's version and every option of the command line.
if command -v groff >/dev/null 2>&1; then
    text=$(gzip -dc "$manpage" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$text" ] || {
        printf '%s\n' "$text" >&2
        fail "groff warns about the manual page"
    }
    rendered=$(gzip -dc "$manpage" | LC_ALL=C.UTF-8 groff -man -Tascii -P-c -P-b -P-u 2>/dev/null)
elif command -v man >/dev/null 2>&1; then
    rendered=$(MANWIDTH=80 man -l "$manpage" 2>/dev/null | col -b)
else
    rendered=
    echo "SKIP: neither groff nor man installed; manual page not rendered"
fi
if [ -n "$rendered" ]; then
    printf '%s\n' "$rendered" | grep -q "Palavine $version" ||
        fail "manual page does not carry version $version"
    for option in --no-subfolders --folders-from --null --filter --remove-containing \
        --remove-not-containing --remove-folders-containing \
        --remove-folders-not-containing --output --open --font --color \
        --background --settings --no-settings --relative-links --quiet --help --version \
        PALAVINE_SETTINGS \
        'EXIT STATUS' 'WINDOW OPTIONS'; do
        printf '%s\n' "$rendered" | grep -q -- "$option" ||
            fail "manual page does not mention $option"
    done
fi

# Two programs: the command line on Qt Core alone, and the window.
[ -x "$prefix/libexec/palavine/palavine-window" ] || fail "libexec/palavine/palavine-window missing"
if command -v ldd >/dev/null 2>&1 && ldd "$prefix/bin/palavine" | grep -Eq 'libQt6(Gui|Widgets)'; then
    fail "the command line links Qt Gui or Qt Widgets: $(ldd "$prefix/bin/palavine" | grep Qt6)"
fi

# Shell completions: each knows every long option of --help, and bash's
# completes a started option.
options=$("$prefix/bin/palavine" list --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
for completion in "$prefix/share/bash-completion/completions/palavine" \
    "$prefix/share/zsh/vendor-completions/_palavine" \
    "$prefix/share/fish/vendor_completions.d/palavine.fish"; do
    [ -s "$completion" ] || fail "${completion#"$prefix"/} missing"
    for option in $options; do
        name=${option#--}
        grep -q -- "$name" "$completion" || fail "${completion##*/} does not know $option"
    done
done
if command -v bash >/dev/null 2>&1; then
    got=$(bash -c '. "$1"; COMP_WORDS=(palavine list --fol); COMP_CWORD=2; _palavine;
        printf "%s\n" "${COMPREPLY[@]}"' sh "$prefix/share/bash-completion/completions/palavine")
    [ "$got" = "--folders-from" ] || fail "bash completes 'palavine list --fol' to '$got'"
fi

[ "$failures" -eq 0 ] || {
    echo "$failures check(s) failed" >&2
    exit 1
}
echo "install into $prefix: all checks passed"
