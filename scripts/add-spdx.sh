#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Puts the licence's SPDX identifier at the top of every source file that git
# tracks and that lacks one; a file that has one is left alone, so running it
# again changes nothing.
#   scripts/add-spdx.sh [ROOT]           add the missing headers
#   scripts/add-spdx.sh --check [ROOT]   list the files without one; exit 1 if any
# ROOT is the checkout (default: the one holding this script). Sources are C++
# files and headers (// comment), CMake files and shell scripts (# comment,
# after the #! line).
set -euo pipefail

tag="SPDX-License-Identifier: MIT"
check=false
if [ "${1:-}" = "--check" ]; then
    check=true
    shift
fi
root=${1:-"$(dirname "$0")/.."}
cd "$root"

# The comment that starts the file's header, or nothing for a file that is
# not a source file.
comment_for() {
    case "$1" in
    *.cpp | *.h | *.h.in) echo "//" ;;
    CMakeLists.txt | */CMakeLists.txt | *.cmake | *.sh) echo "#" ;;
    *)
        if head -c 2 "$1" 2>/dev/null | grep -q '^#!'; then
            echo "#"
        fi
        ;;
    esac
}

has_tag() {
    head -n 5 "$1" | grep -qF "$tag"
}

missing=0
while IFS= read -r -d '' file; do
    [ -f "$file" ] && [ ! -L "$file" ] || continue
    comment=$(comment_for "$file")
    [ -n "$comment" ] || continue
    has_tag "$file" && continue
    if $check; then
        echo "$file"
        missing=$((missing + 1))
        continue
    fi
    tmp=$(mktemp "$file.spdx.XXXXXX")
    if head -c 2 "$file" | grep -q '^#!'; then
        # The interpreter line must stay first.
        { awk 'NR == 1' "$file"; echo "$comment $tag"; tail -n +2 "$file"; } >"$tmp"
    else
        { echo "$comment $tag"; cat "$file"; } >"$tmp"
    fi
    chmod --reference="$file" "$tmp"
    mv "$tmp" "$file"
done < <(git ls-files -z)

if $check && [ "$missing" -gt 0 ]; then
    echo "$missing file(s) without \"$tag\"" >&2
    exit 1
fi
exit 0
