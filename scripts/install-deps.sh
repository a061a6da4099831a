#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages the build and the tests need, only those missing.
# ca-certificates: the system's CA bundle, trusted beside a --cacert file;
# iproute2 and util-linux: test.sh's loopback-only namespace (ip, unshare).
# dpkg-dev: dpkg-shlibdeps, which the DEB packing step runs.
set -euo pipefail

# The major version of the clang that is (or will be) installed: the
# compiler's own word when it is there, else the version Debian's clang
# package depends on. The fuzz build links libFuzzer from the runtime
# package of exactly that version.
clang_major() {
    if command -v clang >/dev/null 2>&1; then
        clang --version | sed -n 's/.*clang version \([0-9][0-9]*\)\..*/\1/p' | head -n 1
    else
        apt-cache depends clang 2>/dev/null | sed -n 's/.*Depends: clang-\([0-9][0-9]*\)$/\1/p' | head -n 1
    fi
}
clang_version=$(clang_major || true)
# Without a known version, the unversioned package follows Debian's default clang.
clang_runtime=libclang-rt-dev
[ -n "$clang_version" ] && clang_runtime="libclang-rt-${clang_version}-dev"

packages=(
    cmake g++ make pkg-config
    qt6-base-dev libgl-dev
    # The expiry chart; Qt Charts' CMake files need Qt OpenGL's, which
    # Debian 12's qt6-charts-dev does not pull in. dbus: the notification test's bus.
    qt6-charts-dev libqt6opengl6-dev dbus
    libgtest-dev libgmock-dev libbenchmark-dev
    libcurl4-openssl-dev nlohmann-json3-dev libssl-dev zlib1g-dev
    fonts-wqy-microhei qt6-translations-l10n
    libidn2-dev
    libsqlite3-dev sqlite3
    clang "$clang_runtime"
    dpkg-dev
    ca-certificates
    iproute2 util-linux
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
