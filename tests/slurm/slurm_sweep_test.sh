#!/usr/bin/env bash
# A sweep on a real one-node Slurm cluster (scripts/slurm/local-cluster.sh): a Sobol' design of
# 4 base samples around 2 presets, 32 configurations as 3 array tasks and a collect job, through
# sbatch, and a calibration as one job on two CPUs. The tables must equal those of the same
# sweep and calibration run in one process. slurm_sweep_test.sh MURELTA_BATCH
set -euo pipefail
batch=$(realpath "$1")
scripts=$(cd "$(dirname "$0")/../../scripts/slurm" && pwd)
work=$(mktemp -d)
trap '"$scripts/local-cluster.sh" stop "$work/cluster"; rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    tail -n 20 "$work"/cluster/log/slurm*.log "$work"/shared/logs/*.out >&2 2>/dev/null || true
    exit 1
}

status=0
"$scripts/local-cluster.sh" start "$work/cluster" > "$work/start.txt" || status=$?
if [ $status -eq 77 ]; then
    echo "SKIPPED: $(cat "$work/start.txt")"
    exit 77
fi
cat "$work/start.txt"
[ $status -eq 0 ] || fail "the cluster did not start"
source "$work/cluster/env"

cd "$work"
printf '%s\n' '[parameters]' 'runs = "3"' 'cycles = "800"' '[sweep]' 'preset = ["None", "Tab 10b"]' \
    '[design]' 'method = "sobol"' 'samples = 4' '[design.factors]' \
    'retina = { from = 1, to = 15 }' 'foods = { from = 1, to = 5 }' > sweep.toml
"$batch" sweep sweep.toml --out alone --threads 1 > /dev/null 2>&1 || fail "the sweep in one process"

MURELTA_BATCH=$batch "$scripts/submit-sweep.sh" sweep.toml shared 3 | tee submitted.txt
grep -Eq '^submitted array job [0-9]+ \(3 tasks\) and collect job [0-9]+' submitted.txt ||
    fail "sbatch did not take the jobs"

for _ in $(seq 240); do
    grep -q 'Tables written' shared/logs/collect.out 2> /dev/null && break
    sleep 0.5
done
grep -q 'Tables written' shared/logs/collect.out 2> /dev/null || fail "no tables after 120 s"
for table in runs generations summary design sensitivity compare; do
    cmp alone/$table.csv shared/$table.csv || fail "$table.csv differs from the one-process sweep"
done
echo "the cluster's tables equal the one-process sweep's"

# A calibration as one job on two of the node's CPUs.
printf '%s\n' '[parameters]' 'runs = "4"' 'cycles = "800"' '[calibration]' 'method = "nsga2"' \
    'evaluations = 24' 'population = 8' 'seed = 1' '[calibration.free]' \
    'retina = { from = 1, to = 15 }' 'p = { from = 0.0, to = 1.0 }' '[calibration.targets]' \
    'last_mean = 300' 'first_mean = 100' > calibration.toml
"$batch" calibrate calibration.toml --out calibration-alone --threads 1 > /dev/null 2>&1 ||
    fail "the calibration in one process"
MURELTA_BATCH=$batch "$scripts/submit-calibration.sh" calibration.toml calibration-shared 2 |
    tee submitted.txt
grep -Eq '^submitted calibration job [0-9]+ \(2 CPUs\)' submitted.txt ||
    fail "sbatch did not take the calibration"
for _ in $(seq 240); do
    grep -q 'written in' calibration-shared/logs/calibrate.out 2> /dev/null && break
    sleep 0.5
done
grep -q 'written in' calibration-shared/logs/calibrate.out 2> /dev/null ||
    fail "no calibration tables after 120 s: $(cat calibration-shared/logs/calibrate.out)"
for table in evaluations front validation; do
    cmp calibration-alone/$table.csv calibration-shared/$table.csv ||
        fail "$table.csv differs from the one-process calibration"
done
echo "the cluster's calibration equals the one-process calibration"
