#!/usr/bin/env bash
# Installs what is missing, builds Murelta and starts the desktop program in the folder this was
# called from, where its data files and records then go.
set -euo pipefail
here=$(pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
(cd "$root" && scripts/build.sh)
cd "$here"
exec "$root/build/src/murelta" "$@"
