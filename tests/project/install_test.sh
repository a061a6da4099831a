#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# `cmake --install` of this build into a scratch prefix: the programs, the
# desktop entry, the icons, the manual pages and the documents, where a
# desktop and a Debian package expect them.
#   install_test.sh BUILD_DIR WITH_GUI(ON|OFF)
set -euo pipefail
build=$1
gui=$2
source "${BASH_SOURCE%/*}/scratch.sh"
prefix=$scratch

cmake --install "$build" --prefix "$prefix" >/dev/null

expected=(
    bin/zentrix-batch
    share/man/man1/zentrix-batch.1.gz
    share/doc/zentrix/README.md
    share/doc/zentrix/LICENSE
    share/doc/zentrix/docs/mainwindow.png
    share/doc/zentrix/docs/watch-notification.png
    share/doc/zentrix/docs/watch-chart.png
    lib/systemd/user/zentrix-watch.service
    lib/systemd/user/zentrix-watch.timer
)
if [ "$gui" = ON ]; then
    expected+=(
        bin/zentrix
        share/applications/zentrix.desktop
        share/icons/hicolor/scalable/apps/zentrix.svg
        share/man/man1/zentrix.1.gz
    )
    for size in 16 22 24 32 48 64 128 256; do
        expected+=("share/icons/hicolor/${size}x${size}/apps/zentrix.png")
    done
fi
for f in "${expected[@]}"; do
    [ -f "$prefix/$f" ] || fail "$f is not installed"
done
for f in "$prefix"/bin/*; do
    [ -x "$f" ] || fail "$f is not executable"
done
# Nothing else lands in bin/ (the dock demo and the tests stay in the build).
[ "$(ls "$prefix/bin" | wc -l)" -eq "$([ "$gui" = ON ] && echo 2 || echo 1)" ] ||
    fail "bin/ holds $(ls "$prefix/bin" | tr '\n' ' ')"

version=$("$prefix/bin/zentrix-batch" --version)
[[ "$version" =~ ^zentrix-batch\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version says '$version'"

if [ "$gui" = ON ]; then
    entry="$prefix/share/applications/zentrix.desktop"
    for line in '[Desktop Entry]' 'Type=Application' 'Name=zentrix' 'Exec=zentrix' 'Icon=zentrix' \
        'Categories=Network;Utility;'; do
        grep -qxF "$line" "$entry" || fail "the desktop entry lacks '$line'"
    done
    grep -q '^Name\[zh_CN\]=.' "$entry" || fail "the desktop entry has no Chinese name"
    for size in 16 22 24 32 48 64 128 256; do
        # A PNG's width and height: big-endian words at bytes 16 and 20.
        actual=$(od -An -tu1 -j16 -N8 "$prefix/share/icons/hicolor/${size}x${size}/apps/zentrix.png" |
            awk '{ print ($3 * 256 + $4) "x" ($7 * 256 + $8) }')
        [ "$actual" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $actual"
    done
fi

# The batch tool's manual page lists every option its --help names.
page=$(gzip -dc "$prefix/share/man/man1/zentrix-batch.1.gz")
grep -q '^\.TH ZENTRIX-BATCH 1 ' <<<"$page" || fail "the manual page has no title line"
grep -qF "\"zentrix ${version#zentrix-batch }\"" <<<"$page" ||
    fail "the manual page does not carry the version"
for option in $("$prefix/bin/zentrix-batch" --help | grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' | tr -d ' ,' | sort -u); do
    grep -qF "$(sed 's/^--/\\-\\-/; s/^-\([a-z]\)/\\-\1/' <<<"$option")" <<<"$page" ||
        fail "the manual page lacks $option"
done
# And renders without a complaint where man is at hand.
if command -v man >/dev/null; then
    for f in "$prefix"/share/man/man1/*.1.gz; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$f" 2>&1 >/dev/null || true)
        [ -z "$warnings" ] || fail "$(basename "$f"): $warnings"
    done
fi

# The watch's user units run the installed program, and systemd reads them
# without a complaint where it is at hand.
service="$prefix/lib/systemd/user/zentrix-watch.service"
grep -qxF "ExecStart=$prefix/bin/zentrix-batch --quiet --alert-within 30 --format jsonl -o %h/.local/share/zentrix/watch.jsonl \${ZENTRIX_WATCH_LIST}" "$service" ||
    fail "the watch service does not run $prefix/bin/zentrix-batch"
if command -v systemd-analyze >/dev/null; then
    complaints=$(systemd-analyze verify --man=no "$service" "$prefix/lib/systemd/user/zentrix-watch.timer" 2>&1) ||
        fail "systemd-analyze verify: $complaints"
    [ -z "$complaints" ] || fail "systemd-analyze verify: $complaints"
fi
