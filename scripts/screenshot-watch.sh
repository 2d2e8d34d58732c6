#!/usr/bin/env bash
# Takes a picture of a paused "Tab 10b" run with message lines, trails and the agent inspector,
# under a virtual X display:
#   scripts/screenshot-watch.sh [file.png]   (default: watch.png)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh > /dev/null
out=$(realpath -m "${1:-watch.png}")
xvfb-run -a -s "-screen 0 1600x1000x24" build/tools/watch_screenshot "$out"
