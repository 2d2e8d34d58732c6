#!/usr/bin/env bash
# Installs what is missing, builds Murelta and runs every test.
#   scripts/test.sh              Release build in build/
#   scripts/test.sh --sanitize   AddressSanitizer and UndefinedBehaviorSanitizer build in
#                                build-sanitize/ (no benchmarks)
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
"")
    scripts/build.sh
    ctest --test-dir build --output-on-failure
    ;;
--sanitize)
    scripts/setup.sh
    # Optimised, so that the random tests stay quick, with the debug information a report needs
    # to name lines.
    cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMURELTA_WERROR=ON \
        -DMURELTA_SANITIZE=ON -DMURELTA_BUILD_BENCH=OFF
    cmake --build build-sanitize
    # An undefined-behaviour report names the whole stack, as an address report does.
    export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}print_stacktrace=1"
    ctest --test-dir build-sanitize --output-on-failure
    ;;
*)
    echo "usage: scripts/test.sh [--sanitize]" >&2
    exit 2
    ;;
esac
