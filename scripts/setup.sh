#!/usr/bin/env bash
# Installs the Debian packages Murelta needs to build and test, when any is missing.
# Works as root and, for other users, through sudo.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libtomlplusplus-dev libboost-math-dev
    libboost-random-dev libpagmo-dev
    qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev
    xvfb xauth
    # The statistics tests' reference values (tests/experiment/stats_reference.py), and the
    # murelta Python module with its tests and example.
    python3 python3-numpy python3-scipy
    pybind11-dev python3-dev python3-pytest python3-pandas python3-matplotlib
    slurm-wlm slurm-client munge iproute2
    # The manual pages (help2man), the Debian packages (CPack runs file and dpkg-shlibdeps), and
    # what the install tests check them with.
    help2man dpkg-dev file desktop-file-utils man-db bsdextrautils
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
else
    as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
