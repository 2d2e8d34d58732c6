#!/usr/bin/env bash
# Installs what is missing, builds Murelta and runs every test: the Release build in build/,
# then again with AddressSanitizer and UndefinedBehaviorSanitizer in build-sanitize/.
#   scripts/test.sh              both suites; either failing fails the run
#   scripts/test.sh --plain      only the Release suite (quick, while working)
#   scripts/test.sh --sanitize   only the sanitized suite
set -euo pipefail
cd "$(dirname "$0")/.."

plain() {
    scripts/build.sh
    ctest --test-dir build --output-on-failure -j "$(nproc)"
    headless
}

# murelta-batch and the Python module build where Qt is not installed, as on a cluster's nodes:
# CMake is told Qt cannot be found, and they must build and run all the same.
headless() {
    cmake -S . -B build-headless -G Ninja -DCMAKE_BUILD_TYPE=Release -DMURELTA_WERROR=ON \
        -DMURELTA_BUILD_DESKTOP=OFF -DMURELTA_BUILD_TESTS=OFF -DMURELTA_BUILD_BENCH=OFF \
        -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=TRUE > /dev/null
    cmake --build build-headless --target murelta-batch murelta_python
    build-headless/src/murelta-batch --version
    # murelta-batch is static where the C library's archive is installed, as setup.sh does;
    # murelta-calibrate keeps pagmo's threading library.
    if ! file build-headless/src/murelta-batch | grep -q 'statically linked'; then
        echo "murelta-batch is not linked statically" >&2
        exit 1
    fi
    if ldd build-headless/src/murelta-calibrate | grep -i -E 'qt|python'; then
        echo "murelta-calibrate links Qt or Python" >&2
        exit 1
    fi
    # The Python module builds there too, without Qt.
    PYTHONPATH=build-headless/python /usr/bin/python3 -c 'import murelta; print("murelta", murelta.__version__)'
    if ldd build-headless/python/murelta/_murelta*.so | grep -i qt; then
        echo "the Python module links Qt" >&2
        exit 1
    fi
}

sanitized() {
    scripts/setup.sh
    # Optimised, so that the random tests stay quick, with the debug information a report needs
    # to name lines.
    cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMURELTA_WERROR=ON \
        -DMURELTA_SANITIZE=ON -DMURELTA_BUILD_BENCH=OFF
    cmake --build build-sanitize
    # An undefined-behaviour report names the whole stack, as an address report does.
    export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}print_stacktrace=1"
    ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)"
}

case "${1:-}" in
"")
    plain
    sanitized
    ;;
--plain)
    plain
    ;;
--sanitize)
    sanitized
    ;;
*)
    echo "usage: scripts/test.sh [--plain | --sanitize]" >&2
    exit 2
    ;;
esac
