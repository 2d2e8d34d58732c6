#!/usr/bin/env bash
# Tests of murelta-batch as a user runs it: batch_test.sh PROGRAM CASE
set -euo pipefail
program=$1
case_name=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }

# Caps the address space at 400 MB. A sanitized program reserves terabytes of it for its shadow
# memory and could not start at all, so there the cap is left to the plain build's run.
limit_memory() {
    [ -n "${MURELTA_SANITIZED:-}" ] || ulimit -v 400000
}

case "$case_name" in
defaults)
    # The default file: header and 100 rows, CRLF, first column 0..99; same again byte for byte.
    "$program" > out.txt
    file=murData_untitle_w50x50_c20000_r100_ag10_s0.xls
    [ -f "$file" ] || fail "no $file"
    [ "$(wc -l < "$file")" -eq 101 ] || fail "not 101 lines"
    [ "$(grep -c $'\r$' "$file")" -eq 101 ] || fail "not every line ends in CRLF"
    [ "$(head -1 "$file")" = $'No.Run\tFirst\tLast\tAg. on target %\r' ] || fail "header"
    [ "$(tail -n +2 "$file" | cut -f1 | tr '\n' ' ')" = "$(seq 0 99 | tr '\n' ' ')" ] ||
        fail "first column is not 0..99"
    grep -q '^Total Fitness: ' out.txt || fail "no Total Fitness line"
    mkdir again && (cd again && "$program" > /dev/null)
    cmp "$file" "again/$file" || fail "two runs differ"
    "$program" --seed 1 --out again > /dev/null
    ! cmp -s "$file" again/murData_untitle_w50x50_c20000_r100_ag10_s1.xls || fail "seed 1 = seed 0"
    ;;
presets)
    # Every preset runs with 10 and with 50 agents.
    for agents in 10 50; do
        for preset in "None" "Tab 1" "Tab 2" "Tab 3" "Tab 4" "Tab 5" "Tab 6a" "Tab 6b" "Tab 6c" \
            "Tab 7" "Tab 8" "Tab 9" "Tab 10a" "Tab 10b" "Tab 11a" "Tab 11b" "Tab 11c" "Tab 12"; do
            "$program" --agents $agents --preset "$preset" --runs 2 --cycles 300 \
                --label "${preset// /}" > /dev/null || fail "$preset with $agents agents"
            [ -f "murData_${preset// /}_w50x50_c300_r2_ag${agents}_s0.xls" ] ||
                fail "no file for $preset with $agents agents"
        done
    done
    ;;
generations)
    "$program" --generations 5 --exp-gene --com-gene --exp-cost-on --com-cost-on --runs 10 \
        --cycles 1000 --show-genes > out.txt
    [ "$(grep -c '^Total Fitness: ' out.txt)" -eq 5 ] || fail "not five Total Fitness lines"
    [ "$(tail -1 out.txt)" != "Mean genes: exploration 25, communication 0" ] ||
        fail "the genes did not drift"
    ! ls murData_*.xls 2> /dev/null || fail "a data file for five generations"
    # ... but a record of every generation and run.
    record=murData_untitle_w50x50_c1000_r10_ag10_s0
    [ "$(grep -c '^ *\[\[provenance.generations\]\]' $record.toml)" -eq 5 ] || fail "record"
    [ "$(wc -l < $record.csv)" -eq 51 ] || fail "not 50 runs in the record's table"
    ;;
bad-options)
    for args in "--agents abc" "--bogus" "--preset Tab99" "--width 40000" "--agents 0" \
        "--out $work/out.txt/sub" "--cycles 0 --com-cost-on" "--com-cost 1e308 --com-cost-on" \
        "--food-size 60"; do
        status=0
        # shellcheck disable=SC2086
        "$program" $args > out.txt 2> err.txt || status=$?
        [ $status -eq 2 ] || fail "'$args' exited with $status"
        [ -s err.txt ] || fail "'$args' printed no message"
    done
    grep -q 'Foods size' err.txt || fail "the message does not name the box"
    # Refused at once, before any run and before anything large is allocated (the memory
    # limit turns a large allocation into a crash).
    for args in "--label a/b" "--label $(printf 'x%.0s' {1..250})" "--generations 0" \
        "--agents 1,000" "--p 1e-400" "--food-size -1" "--agents 0 --width 32767 --height 16000" \
        "--agents 32767 --width 127 --height 127" "--runs 32767 --seed 1" \
        "--agents 1 --width 0 --height 0 --foods 0 --runs 32767 --generations 1000 --cycles 0"; do
        status=0
        # shellcheck disable=SC2086
        (limit_memory && exec "$program" $args) > out.txt 2> err.txt || status=$?
        [ $status -eq 2 ] || fail "'${args:0:40}' exited with $status"
        [ -s err.txt ] || fail "'${args:0:40}' printed no message"
    done
    grep -q 'too close to zero' <("$program" --p 1e-400 2>&1) || fail "1e-400 is not an underflow"
    ! ls murData_* 2> /dev/null || fail "a refused simulation left a file"
    ;;
interrupt)
    # Ctrl-C, and SIGTERM as a cluster's time limit sends it, close the current run and write
    # the file, marked incomplete, on one thread and on several.
    for run in "INT 1" "TERM 1" "INT 2" "TERM 2"; do
        read -r signal threads <<< "$run"
        mkdir "$signal$threads" && cd "$signal$threads"
        "$program" --runs 3000 --threads "$threads" > out.txt &
        pid=$!
        sleep 1
        kill -"$signal" $pid
        status=0
        wait $pid || status=$?
        [ $status -eq 130 ] || fail "SIG$signal: exited with $status"
        file=murData_untitle_w50x50_c20000_r3000_ag10_s0.xls
        [ "$(wc -l < "$file")" -eq 3001 ] || fail "SIG$signal: not 3001 lines"
        grep -q 'not complete' out.txt || fail "SIG$signal, $threads: not reported as incomplete"
        [ "$(tail -1 "$file")" = $'0\t0\t0\t0\r' ] || fail "rows not run are not zero"
        # The record says so and holds only the runs that took place.
        record=${file%.xls}
        grep -q '^ *completed = false' $record.toml || fail "the record does not say it was stopped"
        rows=$(($(wc -l < $record.csv) - 1))
        [ $rows -ge 1 ] && [ $rows -lt 3000 ] || fail "$rows rows in the record's table"
        cd ..
    done
    ;;
files)
    # What a user types that cannot mean what it says is refused, naming the option or file.
    refused() {
        local expected=$1
        shift
        status=0
        "$program" "$@" > out.txt 2> err.txt || status=$?
        [ $status -eq 2 ] || fail "'$*' exited with $status"
        grep -qF -- "$expected" err.txt || fail "'$*' said: $(cat err.txt)"
    }
    refused 'murelta-batch: --retina: Retina radius: "abc" is not a number.' --retina abc
    refused 'is a folder' --experiment "$work"
    refused 'No experiment file' --experiment ""
    printf '[parameters]\nruns = "2"\n[sweep]\nagents = ["5", "6"]\n' > swept.toml
    refused 'murelta-batch sweep swept.toml' --experiment swept.toml
    python3 -c "print('['+'.'.join(['a']*50000)+']')" > deep.toml
    refused 'dotted parts' --experiment deep.toml
    refused '--shard takes K/N' sweep swept.toml --out s --shard 0.5/2
    refused '--shard takes K/N' sweep swept.toml --out s --shard "0/ 2"
    refused 'Communication Cost' --com-cost 1e308 --com-cost-on
    "$program" --version | grep -q '^murelta-batch ' || fail "--version"
    "$program" --help | grep -q 'seeded with Initial Seed + r + 1' || fail "--help"
    # A missing --out folder is made; a second simulation of the same name keeps the first's
    # files and takes the next free name.
    "$program" --runs 2 --cycles 100 --out new/folder > /dev/null || fail "--out new/folder"
    name=new/folder/murData_untitle_w50x50_c100_r2_ag10_s0
    cp $name.xls first.xls
    "$program" --runs 2 --cycles 100 --seed 1 --label x > /dev/null
    "$program" --runs 2 --cycles 100 --out new/folder > out.txt || fail "the second simulation"
    grep -q 'were there already and are kept' out.txt || fail "the second did not say so"
    cmp first.xls $name.xls || fail "the first data file was replaced"
    for suffix in xls toml csv; do
        [ -f ${name}_2.$suffix ] || fail "no ${name}_2.$suffix"
    done
    ;;
records)
    # A record run in another folder reproduces the data file and the table of runs.
    reproduce() {
        local name=$1
        shift
        mkdir first again
        (cd first && "$program" "$@" > /dev/null) || fail "$name did not run"
        (cd again && "$program" --experiment ../first/"$name".toml > /dev/null) ||
            fail "the record of $name did not run"
        cmp first/"$name".csv again/"$name".csv || fail "$name: the tables differ"
        if [ -f first/"$name".xls ]; then
            cmp first/"$name".xls again/"$name".xls || fail "$name: the data files differ"
        fi
        rm -rf first again
    }
    reproduce murData_untitle_w50x50_c20000_r100_ag10_s0
    reproduce murData_untitle_w50x50_c20000_r100_ag50_fOut_s0 --agents 50 --preset "Tab 10b" \
        --first-out --p 0.3
    "$program" --agents 50 --preset "Tab 10b" --runs 1 --cycles 10 > /dev/null
    grep -q "^preset = 'Tab 10b'$" murData_untitle_w50x50_c10_r1_ag50_s0.toml ||
        fail "the record does not name its preset"
    rm murData_*
    reproduce murData_genes_w50x50_c2000_r20_ag10_s0 --generations 3 --exp-gene --com-gene \
        --exp-cost-on --com-cost-on --runs 20 --cycles 2000 --label genes
    # Options override the file; --save-experiment writes without running.
    "$program" --runs 7 --p 0.5 --label saved --save-experiment saved.toml > /dev/null
    ! ls murData_* 2> /dev/null || fail "--save-experiment ran the simulation"
    "$program" --experiment saved.toml --runs 2 > /dev/null
    [ "$(wc -l < murData_saved_w50x50_c20000_r2_ag10_s0.xls)" -eq 3 ] || fail "--runs 2"
    ;;
memory)
    # Everybody tells everybody in a group of 4000 on two threads, within the memory cap: one
    # copy of the state per thread and none besides, and the record written agent by agent with
    # its receivers as ranges. Read back within the same cap, the record gives the same files.
    name=murData_untitle_w50x50_c0_r2_ag4000_s0
    mkdir first again
    (cd first && limit_memory && exec "$program" --agents 4000 --p 1 --runs 2 --cycles 0 \
        --threads 2) > /dev/null || fail "the dense network did not run"
    grep -q "^receivers = '0-3998'$" first/$name.toml || fail "the receivers are not ranges"
    (cd again && limit_memory && exec "$program" --experiment ../first/$name.toml) > /dev/null ||
        fail "its record did not run"
    cmp first/$name.xls again/$name.xls || fail "the data files differ"
    cmp first/$name.csv again/$name.csv || fail "the tables differ"
    ;;
sweep)
    # Six configurations; killed, stopped with Ctrl-C and started again, the tables equal those
    # of a sweep that ran through.
    printf '[parameters]\nruns = "8"\ncycles = "6000"\n[sweep]\nagents = ["10", "50"]\n%s\n' \
        'preset = ["None", "Tab 10b", "Tab 11c"]' > sweep.toml
    "$program" sweep sweep.toml --out whole --threads 2 > /dev/null 2>&1 || fail "the sweep"
    "$program" sweep sweep.toml --out killed --threads 2 > /dev/null 2>&1 &
    sleep 0.3
    kill -KILL $! 2> /dev/null || true
    wait $! 2> /dev/null || true
    # Ctrl-C stops a sweep far from its end at once, keeping only whole configurations.
    printf '[parameters]\nruns = "3000"\n[sweep]\nretina = ["1", "2", "3", "4"]\n' > long.toml
    "$program" sweep long.toml --out stopped --threads 2 > /dev/null 2> err.txt &
    sleep 0.6
    kill -INT $!
    status=0
    wait $! || status=$?
    [ $status -eq 130 ] && grep -q 'stopped; the configurations finished are kept in stopped' err.txt ||
        fail "Ctrl-C did not stop the sweep cleanly ($status): $(cat err.txt)"
    [ -z "$(find stopped -name '.*-*')" ] || fail "Ctrl-C left a half-made configuration"
    status=0
    "$program" collect stopped > out.txt 2> err.txt || status=$?
    [ $status -eq 3 ] && ! grep -q damaged err.txt ||
        fail "the stopped sweep's folder: $status $(cat out.txt err.txt)"
    "$program" sweep sweep.toml --out killed --threads 2 > /dev/null 2>&1 || fail "the restart"
    for table in runs generations summary compare; do
        cmp whole/$table.csv killed/$table.csv || fail "$table.csv differs after the kills"
    done
    [ "$(wc -l < whole/runs.csv)" -eq 49 ] || fail "not 6 x 8 runs"
    [ -z "$(find killed/configs -name '.*-*')" ] || fail "a half-made configuration is left"
    # A damaged configuration is named and left out, and the sweep makes it again.
    truncate -s -3 killed/configs/0004/*.csv
    status=0
    "$program" collect killed > out.txt 2> err.txt || status=$?
    [ $status -eq 3 ] && grep -q 'missing configuration(s): 4$' out.txt &&
        grep -q 'damaged configuration 4 .*cut short' err.txt ||
        fail "collect took a damaged configuration: $(cat out.txt err.txt)"
    ! grep -q '^4,' killed/runs.csv || fail "runs.csv holds the damaged configuration"
    "$program" sweep sweep.toml --out killed > /dev/null 2>&1 || fail "the remake"
    for table in runs generations summary; do
        cmp whole/$table.csv killed/$table.csv || fail "$table.csv differs after the remake"
    done
    # A Sobol' design around a sweep, killed twice and started again: its derived tables equal
    # those of a design that ran through.
    printf '%s\n' '[parameters]' 'runs = "12"' 'cycles = "3000"' '[sweep]' \
        'preset = ["None", "Tab 10b"]' '[design]' 'method = "sobol"' 'samples = 8' 'seed = 3' \
        '[design.factors]' 'retina = { from = 1, to = 15 }' 'foods = { from = 1, to = 5 }' \
        > design.toml
    "$program" sweep design.toml --out design-whole --threads 2 > /dev/null 2>&1 ||
        fail "the design"
    for moment in 0.3 0.9; do
        "$program" sweep design.toml --out design-killed --threads 2 > /dev/null 2>&1 &
        sleep $moment
        kill -KILL $! 2> /dev/null || true
        wait $! 2> /dev/null || true
    done
    "$program" sweep design.toml --out design-killed --threads 2 > /dev/null 2>&1 ||
        fail "the design's restart"
    for table in runs summary design sensitivity compare; do
        cmp design-whole/$table.csv design-killed/$table.csv ||
            fail "the design's $table.csv differs after the kills"
    done
    [ "$(wc -l < design-whole/design.csv)" -eq 65 ] || fail "not 2 x 8 x 4 points"
    # Another sweep may not go into the same folder.
    sed -i 's/"8"/"9"/' sweep.toml
    status=0
    "$program" sweep sweep.toml --out whole > /dev/null 2> err.txt || status=$?
    [ $status -eq 2 ] && grep -q 'different sweep' err.txt || fail "a different sweep was taken"
    # A shard left out is named by collect.
    sed -i 's/"9"/"2"/' sweep.toml
    "$program" sweep sweep.toml --out half --shard 0/2 > /dev/null 2>&1 || fail "shard 0/2"
    status=0
    "$program" collect half > out.txt || status=$?
    [ $status -eq 3 ] && grep -q 'missing configuration(s): 1 3 5$' out.txt ||
        fail "collect does not name the missing configurations: $(cat out.txt)"
    ;;
calibrate)
    # A calibration killed twice and started again ends with the tables of one that ran
    # through, and so does one on a single thread; the provenance's time aside.
    printf '%s\n' '[parameters]' 'runs = "24"' 'cycles = "6000"' '[calibration]' \
        'method = "cmaes"' 'evaluations = 64' 'population = 8' 'seed = 5' '[calibration.free]' \
        'retina = { from = 1, to = 20 }' 'p = { from = 0.0, to = 1.0 }' \
        '[calibration.targets]' 'last_mean = 2500' 'percent_out_mean = 100' > cmaes.toml
    printf '%s\n' '[parameters]' 'runs = "24"' 'cycles = "6000"' '[calibration]' \
        'method = "nsga2"' 'evaluations = 64' 'population = 8' 'seed = 5' '[calibration.free]' \
        'retina = { from = 1, to = 20 }' 'p = { from = 0.0, to = 1.0 }' \
        '[calibration.targets]' 'last_mean = 1000' 'first_mean = 100' > nsga2.toml
    same() {
        cmp "$1/evaluations.csv" "$2/evaluations.csv" && cmp "$1/validation.csv" "$2/validation.csv" &&
            for made in "$1"/best.toml "$1"/front.csv "$1"/front/*.toml; do
                [ -e "$made" ] || continue
                cmp <(grep -v '^written = ' "$made") <(grep -v '^written = ' "$2/${made#"$1"/}")
            done
    }
    for method in cmaes nsga2; do
        "$program" calibrate $method.toml --out $method-whole --threads 2 > out.txt 2> err.txt ||
            fail "the $method calibration: $(cat err.txt)"
        grep -q "written in $method-whole" out.txt || fail "no summary line: $(cat out.txt)"
        "$program" calibrate $method.toml --out $method-one --threads 1 > /dev/null 2>&1 ||
            fail "the $method calibration on one thread"
        same $method-whole $method-one || fail "$method differs between 1 and 2 threads"
        # Killed once three evaluations are finished, and again at twenty.
        for count in 3 20; do
            "$program" calibrate $method.toml --out $method-killed --threads 2 > /dev/null 2>&1 &
            pid=$!
            while kill -0 $pid 2> /dev/null &&
                [ "$(ls $method-killed/evaluations 2> /dev/null | wc -l)" -lt $count ]; do
                sleep 0.02
            done
            kill -KILL $pid 2> /dev/null || fail "the $method calibration ended before the kill"
            wait $pid 2> /dev/null || true
        done
        "$program" calibrate $method.toml --out $method-killed --threads 2 > out.txt 2>&1 ||
            fail "the $method restart"
        same $method-whole $method-killed || fail "$method differs after the kills"
        [ -z "$(find $method-killed -name '.*-*')" ] || fail "a half-made evaluation is left"
    done
    [ "$(wc -l < cmaes-whole/validation.csv)" -eq 3 ] || fail "not a row per target"
    # The front's members dominate no one another: no row is at least as good in both.
    tail -n +2 nsga2-whole/front.csv | tr -d '\r' | awk -F, '
        { a[NR] = $(NF - 1); b[NR] = $NF }
        END { for (i in a) for (j in a) if (i != j && a[i] <= a[j] && b[i] <= b[j]) exit 1 }' ||
        fail "the front holds a dominated member"
    # Another calibration may not go into the same folder.
    sed -i 's/seed = 5/seed = 6/' cmaes.toml
    status=0
    "$program" calibrate cmaes.toml --out cmaes-whole > /dev/null 2> err.txt || status=$?
    [ $status -eq 2 ] && grep -q 'different calibration' err.txt ||
        fail "a different calibration was taken"
    # murelta-batch hands a calibration to murelta-calibrate beside it; without it, it says so.
    mkdir alone && cp "$program" alone/
    status=0
    alone/murelta-batch calibrate nsga2.toml --out alone/out > /dev/null 2> err.txt || status=$?
    [ $status -eq 2 ] && grep -q 'calibration runs in murelta-calibrate' err.txt &&
        [ ! -e alone/out ] || fail "a calibration without murelta-calibrate: $(cat err.txt)"
    # A calibration file is not run as a simulation.
    status=0
    "$program" --experiment cmaes.toml > /dev/null 2> err.txt || status=$?
    [ $status -eq 2 ] && grep -q 'murelta-batch calibrate cmaes.toml' err.txt ||
        fail "a calibration file ran as a simulation"
    ;;
*)
    fail "unknown case $case_name"
    ;;
esac
echo "PASS: $case_name"
