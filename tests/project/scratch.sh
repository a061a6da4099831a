# SPDX-License-Identifier: MIT
# Sourced by the project's shell tests: $scratch, a folder removed when the
# test ends, and fail, which says why and ends the test.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
