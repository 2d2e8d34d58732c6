#!/usr/bin/env bash
# Installs what is missing, builds Murelta and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
if [ -x build/src/app/murelta ]; then
    exec build/src/app/murelta "$@"
fi
echo "Murelta is built; the desktop program is not part of this version yet."
