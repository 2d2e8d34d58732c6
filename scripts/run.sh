#!/usr/bin/env bash
# Installs what is missing, builds Murelta and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
exec build/src/murelta "$@"
