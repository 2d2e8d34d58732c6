#!/usr/bin/env bash
# Tests of Murelta installed from a build and packaged from it, as a user and a cluster get it:
#   install_test.sh BUILD CASE
#   install    `cmake --install` into a temporary prefix: the programs run from there, the Slurm
#              scripts find the installed murelta-batch, the desktop entry is valid and names
#              what is installed
#   manual     the manual pages hold every option of each program and of each subcommand
#   packages   `cpack -G DEB`: murelta-batch without Qt, murelta with it and on murelta-batch,
#              and every installed file in one of the two
# CMAKE and CPACK name the programs, MURELTA_VERSION is the project's version, MURELTA_DESKTOP
# is 1 when the desktop program is built and MURELTA_SANITIZED is set in a sanitized build.
set -euo pipefail
build=$(realpath "$1")
case_name=$2
source=$(cd "$(dirname "$0")/../.." && pwd)
work=$(realpath "$(mktemp -d)")
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }

# Installs the build into PREFIX, quietly.
install_into() { "$CMAKE" --install "$build" --prefix "$1" > install.txt || fail "cmake --install"; }

# Runs the desktop program as on a machine with no display.
headless() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }

# The option names (--name, -x) in a program's help, one a line.
options() { grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' | sed 's/^[ ,]//' | sort -u; }

# A manual page as man shows it, in plain ASCII, lines long enough that no option is broken.
show() { LC_ALL=C MANWIDTH=250 man -l "$1" 2> /dev/null | col -b; }

case "$case_name" in
install)
    prefix=$work/prefix
    install_into "$prefix"
    batch=$prefix/bin/murelta-batch
    [ -x "$batch" ] || fail "no bin/murelta-batch"
    "$batch" --version | grep -q '^murelta-batch ' || fail "--version of the installed program"
    mkdir run
    (cd run && "$batch" --runs 3 --cycles 400 --out out > out.txt) ||
        fail "a simulation with the installed program"
    [ "$(wc -l < run/out/murData_untitle_w50x50_c400_r3_ag10_s0.xls)" -eq 4 ] ||
        fail "not three runs in the data file"
    [ -f run/out/murData_untitle_w50x50_c400_r3_ag10_s0.toml ] || fail "no record"
    # A calibration, which the installed program hands to its murelta-calibrate.
    printf '%s\n' '[parameters]' 'runs = "2"' 'cycles = "300"' '[calibration]' \
        'method = "nsga2"' 'evaluations = 8' 'population = 8' '[calibration.free]' \
        'retina = { from = 1, to = 15 }' '[calibration.targets]' 'last_mean = 300' \
        'first_mean = 100' > calibration.toml
    (cd run && "$batch" calibrate ../calibration.toml --out calibrated > out.txt 2> err.txt) ||
        fail "a calibration with the installed program: $(cat run/err.txt)"
    grep -q '^8 evaluations; written in calibrated' run/out.txt || fail "$(cat run/out.txt)"

    for file in "$source/README.md" "$source"/docs/*.toml; do
        cmp -s "$file" "$prefix/share/doc/murelta/$(basename "$file")" ||
            fail "$(basename "$file") is not in share/doc/murelta"
    done

    # The Slurm scripts answer --help, refuse a bad call with their usage, and hand sbatch the
    # installed program, found beside them and, moved elsewhere, on the PATH. sbatch here only
    # writes down what it was given.
    scripts=$prefix/share/murelta
    mkdir fake
    printf '#!/bin/sh\nprintf "%%s\\n" "$@" >> "%s/sbatch.txt"\necho 42\n' "$work" > fake/sbatch
    chmod +x fake/sbatch
    printf '%s\n' '[parameters]' 'runs = "2"' 'cycles = "300"' '[sweep]' \
        'preset = ["None", "Tab 10b"]' > sweep.toml
    for script in submit-sweep.sh submit-calibration.sh local-cluster.sh; do
        [ -x "$scripts/$script" ] || fail "no share/murelta/$script"
    done
    for script in submit-sweep.sh submit-calibration.sh; do
        "$scripts/$script" --help | grep -q "^usage: .*$script FILE DIR" || fail "$script --help"
        status=0
        "$scripts/$script" > out.txt 2> err.txt || status=$?
        [ $status -eq 2 ] || fail "$script without arguments exited with $status"
        grep -q '^usage: ' err.txt || fail "$script without arguments gave no usage"
    done
    # Deep enough that no murelta-batch lies in ../../bin from there.
    elsewhere=$work/a/b/elsewhere
    mkdir -p "$elsewhere" && cp "$scripts"/submit-*.sh "$elsewhere"
    for run in "$scripts:$work/fake:/usr/bin:/bin" \
        "$elsewhere:$prefix/bin:$work/fake:/usr/bin:/bin"; do
        IFS=: read -r folder path <<< "$run"
        rm -f sbatch.txt
        PATH=$path "$folder/submit-sweep.sh" sweep.toml shared 2 > out.txt ||
            fail "submit-sweep.sh from $folder: $(cat out.txt)"
        grep -qF "'$batch' sweep '$work/sweep.toml' --out '$work/shared' --shard" sbatch.txt ||
            fail "submit-sweep.sh from $folder gave sbatch: $(cat sbatch.txt)"
        grep -qF "'$batch' collect '$work/shared'" sbatch.txt || fail "no collect job"
        PATH=$path "$folder/submit-calibration.sh" calibration.toml calibrated > out.txt ||
            fail "submit-calibration.sh from $folder: $(cat out.txt)"
        grep -qF "'$batch' calibrate '$work/calibration.toml'" sbatch.txt ||
            fail "submit-calibration.sh from $folder gave sbatch: $(cat sbatch.txt)"
    done

    # The Python module, where it is built, imports from the prefix and runs there.
    if [ -n "${MURELTA_PYTHON_DIR:-}" ] && [ -z "${MURELTA_SANITIZED:-}" ]; then
        PYTHONPATH=$prefix/$MURELTA_PYTHON_DIR /usr/bin/python3 -c '
import sys, murelta
assert murelta.__file__.startswith(sys.argv[1]), murelta.__file__
assert len(murelta.run(runs=2, cycles=300).runs) == 2' "$prefix" ||
            fail "the installed Python module"
    fi

    [ "${MURELTA_DESKTOP:-0}" = 1 ] || exit 0
    [ -x "$prefix/bin/murelta" ] || fail "no bin/murelta"
    headless "$prefix/bin/murelta" --version 2> /dev/null | grep -q '^Murelta ' ||
        fail "murelta --version without a display"
    entry=$prefix/share/applications/murelta.desktop
    desktop-file-validate "$entry" || fail "desktop-file-validate"
    # A path (%f), not a URL (%u): murelta opens files by their path.
    grep -qx 'Exec=murelta %f' "$entry" || fail "the entry does not start murelta with a path"
    icon=$prefix/share/icons/hicolor/scalable/apps/$(sed -n 's/^Icon=//p' "$entry").svg
    file "$icon" | grep -q 'SVG' || fail "the entry's icon is no SVG in the hicolor theme"
    ;;
manual)
    prefix=$work/prefix
    install_into "$prefix"
    pages=$prefix/share/man/man1
    show "$pages/murelta-batch.1.gz" > batch.txt
    grep -q '^NAME' batch.txt || fail "no page for murelta-batch"
    "$prefix/bin/murelta-batch" --help > help.txt
    for option in $(options < help.txt); do
        grep -qF -- "$option" <(sed '/^SUBCOMMANDS/,$d' batch.txt) ||
            fail "murelta-batch's page lacks $option"
    done
    # Each subcommand's options in its own part of the SUBCOMMANDS section.
    subcommands=$(sed -n '/^Subcommands:/,$p' help.txt | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p')
    [ -n "$subcommands" ] || fail "the help lists no subcommands"
    for subcommand in $subcommands; do
        awk -v name="$subcommand" '/^[A-Z]/ { inside = $0 == "SUBCOMMANDS" }
            inside && /^   [a-z]/ { part = $1 } inside && part == name' batch.txt > part.txt
        [ -s part.txt ] || fail "murelta-batch's page has no part on $subcommand"
        for option in $("$prefix/bin/murelta-batch" "$subcommand" --help | options); do
            grep -qF -- "$option" part.txt ||
                fail "the part on murelta-batch $subcommand lacks $option"
        done
    done

    [ "${MURELTA_DESKTOP:-0}" = 1 ] || exit 0
    show "$pages/murelta.1.gz" > murelta.txt
    grep -q '^NAME' murelta.txt || fail "no page for murelta"
    grep -q '^ *murelta - ' murelta.txt || fail "the page is not named murelta"
    options=$(headless "$prefix/bin/murelta" --help 2> /dev/null | options)
    [ -n "$options" ] || fail "murelta --help without a display"
    for option in $options; do
        grep -qF -- "$option" murelta.txt || fail "murelta's page lacks $option"
    done
    ;;
packages)
    # A sanitized build's programs need its sanitizer's libraries and are no one's package.
    if [ -n "${MURELTA_SANITIZED:-}" ]; then
        echo "SKIPPED: the packages are made from the Release build"
        exit 77
    fi
    "$CPACK" -G DEB -B "$work/packages" --config "$build/CPackConfig.cmake" > cpack.txt ||
        fail "cpack: $(cat cpack.txt)"
    version=$MURELTA_VERSION
    arch=$(dpkg --print-architecture)
    batch_deb=packages/murelta-batch_${version}_$arch.deb
    [ -f "$batch_deb" ] || fail "no $batch_deb: $(ls packages)"
    dpkg-deb -I "$batch_deb"
    dpkg-deb -c "$batch_deb" > batch.txt
    depends=$(dpkg-deb -f "$batch_deb" Depends)
    ! grep -qi 'qt' <<< "$depends" || fail "murelta-batch depends on Qt: $depends"
    grep -q 'libtbb' <<< "$depends" || fail "murelta-batch's Depends lack murelta-calibrate's TBB"
    for file in usr/bin/murelta-batch usr/libexec/murelta/murelta-calibrate \
        usr/share/man/man1/murelta-batch.1.gz \
        usr/share/murelta/submit-sweep.sh usr/share/doc/murelta/README.md; do
        grep -q " \./$file$" batch.txt || fail "murelta-batch's package lacks /$file"
    done
    packaged=batch.txt
    if [ "${MURELTA_DESKTOP:-0}" = 1 ]; then
        desktop_deb=packages/murelta_${version}_$arch.deb
        [ -f "$desktop_deb" ] || fail "no $desktop_deb: $(ls packages)"
        dpkg-deb -I "$desktop_deb"
        dpkg-deb -c "$desktop_deb" > desktop.txt
        depends=$(dpkg-deb -f "$desktop_deb" Depends)
        grep -q "murelta-batch (= $version)" <<< "$depends" ||
            fail "murelta does not depend on murelta-batch: $depends"
        grep -q 'libqt6widgets6' <<< "$depends" || fail "murelta's Depends lack Qt: $depends"
        if [ -n "${MURELTA_PYTHON_DIR:-}" ]; then
            grep -q " \./usr/$MURELTA_PYTHON_DIR/murelta/_murelta.*\.so$" desktop.txt ||
                fail "murelta's package lacks the Python module"
            grep -q 'python3 (>= 3\.[0-9]*), python3 (<< 3\.[0-9]*)' <<< "$depends" ||
                fail "murelta's Depends do not name the module's Python: $depends"
            grep -q 'python3-pandas' <<< "$depends" || fail "murelta's Depends lack pandas"
        fi
        for file in usr/bin/murelta usr/share/man/man1/murelta.1.gz \
            usr/share/applications/murelta.desktop \
            usr/share/icons/hicolor/scalable/apps/murelta.svg; do
            grep -q " \./$file$" desktop.txt || fail "murelta's package lacks /$file"
        done
        # dpkg refuses to install two packages that hold the same file.
        shared=$(comm -12 <(awk '$1 !~ /^d/ { print $NF }' batch.txt | sort) \
            <(awk '$1 !~ /^d/ { print $NF }' desktop.txt | sort))
        [ -z "$shared" ] || fail "in both packages: $shared"
        packaged="batch.txt desktop.txt"
    fi
    # Everything `cmake --install` installs is in a package, so that no install rule is left
    # out of the packages' components.
    DESTDIR=$work/root "$CMAKE" --install "$build" --prefix /usr > install.txt
    (cd root && find . -type f | sort) > installed.txt
    # shellcheck disable=SC2086
    awk '$1 !~ /^d/ { print $NF }' $packaged | sort > in-packages.txt
    missing=$(comm -23 installed.txt in-packages.txt)
    [ -z "$missing" ] || fail "installed but in no package: $missing"
    ;;
*)
    fail "unknown case $case_name"
    ;;
esac
