#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the program and starts it.
#   ./run.sh            the desktop program when a display is available,
#                       otherwise the command-line batch on examples/domains.txt,
#                       shown as a table
#   ./run.sh --batch    always the command-line batch
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZENTRIX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"

mode=gui
[ "${1:-}" = "--batch" ] && mode=batch
[ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && mode=batch
[ -x "$build/shell/zentrix" ] || mode=batch

if [ "$mode" = gui ]; then
    exec "$build/shell/zentrix"
fi
if [ -x "$build/cli/zentrix-batch" ]; then
    # A person reads this: a table in UTF-8 even when the output is a pipe.
    exec "$build/cli/zentrix-batch" --format table examples/domains.txt
fi
echo "Built: $(find "$build" -maxdepth 2 -name '*.a' -o -maxdepth 2 -type f -perm -u+x -name 'zentrix*' | sort | tr '\n' ' ')"
