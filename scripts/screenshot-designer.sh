#!/usr/bin/env bash
# Builds Murelta and saves a picture of the network designer with the "Tab 10b" preset, on a
# virtual X display: scripts/screenshot-designer.sh [file.png] (designer.png by default).
set -euo pipefail
out="$(realpath -m "${1:-designer.png}")"
cd "$(dirname "$0")/.."
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DMURELTA_WERROR=ON
fi
cmake --build build
xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb build/tools/designer_screenshot "$out"
