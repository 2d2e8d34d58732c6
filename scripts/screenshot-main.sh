#!/usr/bin/env bash
# Takes a picture of the main window during a run, under a virtual X display:
#   scripts/screenshot-main.sh [file.png [WIDTHxHEIGHT]]   (default: main-window.png, 1500x760)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh > /dev/null
out=$(realpath -m "${1:-main-window.png}")
xvfb-run -a -s "-screen 0 1600x900x24" build/tools/main_window_screenshot "$out" "${@:2}"
