#!/usr/bin/env bash
# Installs what is missing, then configures and builds Murelta in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DMURELTA_WERROR=ON
cmake --build build
