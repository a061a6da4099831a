#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# test.sh's wrapper for its test runs: where the machine allows a network
# namespace, the command sees loopback alone, gets its arguments intact and
# gives back its exit status; where it does not, the command runs as it is
# and the note says so.
#   loopback_test.sh SCRIPTS_DIR
set -euo pipefail
scripts=$1
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# shellcheck source=/dev/null
source "$scripts/loopback-only.sh"
echo "note: $loopback_only_note"

args=$(run_loopback_only printf '%s|' "a b" "" 'c$d')
[ "$args" = "a b||c\$d|" ] || fail "arguments changed on the way: $args"
status=0
run_loopback_only bash -c 'exit 7' || status=$?
[ "$status" = 7 ] || fail "exit status $status, not 7"

if [ "$loopback_only" = 1 ]; then
    # /proc/net/dev: two header lines, then one line per interface.
    interfaces=$(run_loopback_only awk -F: 'NR > 2 { gsub(/ /, "", $1); print $1 }' /proc/net/dev)
    [ "$interfaces" = lo ] || fail "interfaces in the namespace: $(echo "$interfaces" | tr '\n' ' ')"
    run_loopback_only "$loopback_only_ip" -o link show lo | grep -q 'UP' ||
        fail "loopback is not up in the namespace"
else
    case "$loopback_only_note" in
    "no network namespace allowed here"*) ;;
    *) fail "the note does not say the tests run with the machine's network" ;;
    esac
fi

# Without unshare or ip on the way, the wrapper says so and runs the command as it is.
bare=$(mktemp -d)
trap 'rm -rf "$bare"' EXIT
for tool in id bash printf; do
    ln -s "$(command -v "$tool")" "$bare/$tool" 2>/dev/null || true
done
fallback=$(PATH="$bare" bash -c 'source "$0/loopback-only.sh" && echo "$loopback_only" &&
    run_loopback_only printf "%s" ran' "$scripts") || true
case "$fallback" in
*$'\n'ran) [ "${fallback%%$'\n'*}" = 0 ] || fail "without unshare: loopback_only is not 0" ;;
*) fail "without unshare the command did not run: $fallback" ;;
esac

[ "$failures" = 0 ] || exit 1
echo "loopback-only wrapper: ok"
