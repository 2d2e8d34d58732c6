#!/usr/bin/env bash
# Takes a picture of the results viewer on a small sweep, or on a calibration of an experiment
# file (calibration: docs/calibration-example.toml, front: docs/front-example.toml by default),
# or on the sweep of one (effects, heatmap: docs/effects-example.toml by default),
# under a virtual X display:
#   scripts/screenshot-results.sh [file.png [boxes|compare|sensitivity|calibration|front|effects|heatmap [file.toml]]]
# (default: results.png)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh > /dev/null
out=$(realpath -m "${1:-results.png}")
xvfb-run -a -s "-screen 0 1280x800x24" build/tools/results_screenshot "$out" "${@:2}"
