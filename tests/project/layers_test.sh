#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Layers the build enforces: a source of each library, preprocessed with the
# library's own compile line from the build's compile database, finds the
# headers of the layers below it and not those above or beside it.
#   layers_test.sh SOURCE_DIR BUILD_DIR WITH_GUI(ON|OFF)
set -euo pipefail
src=$1
build=$2
gui=$3
db="$build/compile_commands.json"
[ -f "$db" ] || { echo "FAIL: no $db (CMAKE_EXPORT_COMPILE_COMMANDS)" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

# The compile line of a source file, as words.
compile_line() {
    local line
    line=$(awk -v file="\"file\": \"$1\"" '
        /"command": / { command = $0 }
        index($0, file) { print command; exit }' "$db")
    [ -n "$line" ] || return 1
    line=${line#*\"command\": \"}
    line=${line%\",}
    line=${line//\\\"/\"}
    line=${line//\\\\/\\}
    echo "$line"
}

# Preprocesses a file holding only `#include "header"` as the library of
# source compiles; true when the header was found.
finds() {
    local source=$1 header=$2 words=() kept=() skip=
    local line
    line=$(compile_line "$src/$source") || { echo "FAIL: $source is not in $db" >&2; exit 1; }
    eval "words=($line)"
    for w in "${words[@]}"; do
        if [ -n "$skip" ]; then
            skip=
            continue
        fi
        case "$w" in
        -o | -c) skip=1 ;;
        *) kept+=("$w") ;;
        esac
    done
    printf '#include "%s"\n' "$header" >"$scratch/probe.cpp"
    (cd "$(dirname "$db")" && "${kept[@]}" -E -o /dev/null "$scratch/probe.cpp" 2>/dev/null)
}

check() { # source, header, expected (sees|blind)
    local got=blind
    if finds "$1" "$2"; then got=sees; fi
    if [ "$got" != "$3" ]; then
        echo "FAIL: $1 $got $2 (expected: $3)" >&2
        failures=$((failures + 1))
    fi
}

# Down the layers: found.
check engine/domaintable.cpp core/text.h sees
check formats/csvexport.cpp engine/domaintable.h sees
check cli/batchprogram.cpp formats/csvexport.h sees
# Up or across: not found.
check core/text.cpp engine/domaintable.h blind
check core/text.cpp cli/batchoptions.h blind
check engine/domaintable.cpp formats/csvexport.h blind
check engine/domaintable.cpp cli/batchoptions.h blind
check engine/domaintable.cpp platform/windowmessage.h blind
check formats/csvexport.cpp cli/batchoptions.h blind
# The results store sits below the engine, which feeds it.
check engine/store/storedcheck.cpp core/text.h sees
check engine/store/storedcheck.cpp engine/domaintable.h blind
check engine/domaintable.cpp engine/store/resultstore.h sees

# Inside the engine: net/ at the bottom, then the engine's own folder (the
# domain table, row details, failure reasons), then whois/ and rdap/ side by
# side, then batch/, which asks by both.
check engine/net/idn.cpp core/text.h sees
check engine/domaintable.cpp engine/net/idn.h sees
check engine/whois/recipes.cpp engine/domaintable.h sees
check engine/whois/whoisclient.cpp engine/net/connectto.h sees
check engine/rdap/rdapclient.cpp engine/net/connectto.h sees
check engine/rdap/rdapdomain.cpp engine/valueclean.h sees
check engine/batch/querythread.cpp engine/whois/whoisclient.h sees
check engine/batch/querythread.cpp engine/rdap/rdaphttp.h sees
check engine/batch/querythread.cpp engine/store/resultstore.h sees
check cli/batchprogram.cpp engine/batch/querythread.h sees
check formats/csvexport.cpp engine/whois/whoisservers.h sees
# The two protocols do not see each other, nor the batch above them.
check engine/whois/recipes.cpp engine/rdap/rdaphttp.h blind
check engine/whois/proxiedwhois.cpp engine/rdap/rdapclient.h blind
check engine/rdap/rdapclient.cpp engine/whois/whoisclient.h blind
check engine/whois/recipes.cpp engine/batch/querythread.h blind
check engine/whois/ianawhois.cpp engine/batch/queryoptions.h blind
check engine/rdap/rdapclient.cpp engine/batch/querythread.h blind
# The engine's own folder exposes its headers, not its sub-folders'.
check engine/domaintable.cpp engine/whois/whoisclient.h blind
check engine/domaintable.cpp engine/rdap/rdaphttp.h blind
check engine/domaintable.cpp engine/batch/querythread.h blind
check engine/net/idn.cpp engine/domaintable.h blind
check engine/net/idn.cpp engine/whois/whoisclient.h blind
check engine/net/idn.cpp engine/batch/querythread.h blind
check engine/store/storedcheck.cpp engine/net/idn.h blind
check formats/csvexport.cpp engine/batch/querythread.h blind

if [ "$gui" = ON ]; then
    check dock/dockbar.cpp dock/dockids.h sees
    check sidebar/resizablebar.cpp dock/docksite.h sees
    check listwin/makehtmlview.cpp platform/windowmessage.h sees
    check panel/controlpaneldlg.cpp listwin/makehtmlview.h sees
    check shell/mainframe.cpp sidebar/sidebarhost.h sees
    check shell/mainframe.cpp panel/controlpaneldlg.h sees
    check shell/mainframe.cpp watch/watchcontroller.h sees
    check watch/watchcontroller.cpp listwin/makehtmlview.h sees

    check platform/gbkqt.cpp engine/domaintable.h blind
    check platform/gbkqt.cpp dock/docksite.h blind
    check dock/dockbar.cpp platform/windowmessage.h blind
    check dock/dockbar.cpp sidebar/resizablebar.h blind
    check dock/dockbar.cpp engine/domaintable.h blind
    check sidebar/resizablebar.cpp panel/controlpaneldlg.h blind
    check sidebar/resizablebar.cpp listwin/makehtmlview.h blind
    check listwin/makehtmlview.cpp dock/docksite.h blind
    check listwin/makehtmlview.cpp panel/controlpaneldlg.h blind
    check panel/controlpaneldlg.cpp sidebar/sidebarhost.h blind
    check panel/controlpaneldlg.cpp shell/mainframe.h blind
    check watch/watchcontroller.cpp shell/mainframe.h blind
    check watch/watchcontroller.cpp panel/controlpaneldlg.h blind
    check listwin/makehtmlview.cpp watch/watchcontroller.h blind
fi
[ "$failures" -eq 0 ]
