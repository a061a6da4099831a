#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sourced by test.sh. run_loopback_only CMD [ARG...] runs a command inside a
# network namespace that holds only loopback when the machine allows one
# (root, or unprivileged user namespaces; unshare from util-linux, ip from
# iproute2), so nothing it starts can reach past this machine. Where that is
# not allowed it runs the command as it is. $loopback_only (1 or 0) and
# $loopback_only_note say which.

loopback_only_ip=$(PATH="$PATH:/usr/sbin:/sbin" command -v ip || true)
# Without root, a user namespace where we are root gives the right to bring lo up.
loopback_only_flags=(-n)
[ "$(id -u)" = 0 ] || loopback_only_flags=(-r -n)

if [ -n "$loopback_only_ip" ] && command -v unshare >/dev/null 2>&1 &&
    unshare "${loopback_only_flags[@]}" "$loopback_only_ip" link set lo up >/dev/null 2>&1; then
    loopback_only=1
    loopback_only_note="tests run in a network namespace that holds only loopback"
else
    loopback_only=0
    loopback_only_note="no network namespace allowed here (it needs root or user namespaces, \
unshare and ip): tests run with the machine's network"
fi

run_loopback_only() {
    if [ "$loopback_only" = 1 ]; then
        unshare "${loopback_only_flags[@]}" \
            bash -c '"$0" link set lo up && exec "$@"' "$loopback_only_ip" "$@"
    else
        "$@"
    fi
}
