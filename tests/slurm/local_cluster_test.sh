#!/usr/bin/env bash
# The one-node cluster of scripts/slurm/local-cluster.sh runs what sbatch submits: a 3-task
# array, then a job that waits for it with --dependency=afterok and gathers its files.
set -euo pipefail
cluster=$(cd "$(dirname "$0")/../../scripts/slurm" && pwd)/local-cluster.sh
work=$(mktemp -d)
trap '"$cluster" stop "$work/cluster"; rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    tail -n 20 "$work"/cluster/log/slurm*.log "$work"/shared/*.out >&2 2>/dev/null || true
    exit 1
}

status=0
"$cluster" start "$work/cluster" > "$work/start.txt" || status=$?
if [ $status -eq 77 ]; then
    echo "SKIPPED: $(cat "$work/start.txt")"
    exit 77
fi
cat "$work/start.txt"
[ $status -eq 0 ] || fail "the cluster did not start"
source "$work/cluster/env"

mkdir "$work/shared"
cd "$work/shared"
# Each task writes its own file, slowly enough that a collect job started too early would miss
# some and leave a short file behind.
array=$(sbatch --parsable --array=0-2 --output=task-%a.out \
    --wrap 'sleep 1; echo "task $SLURM_ARRAY_TASK_ID of $SLURM_ARRAY_JOB_ID" > part-$SLURM_ARRAY_TASK_ID')
collect=$(sbatch --parsable --dependency=afterok:"$array" --output=collect.out \
    --wrap 'cat part-0 part-1 part-2 > all.tmp; mv all.tmp all')
echo "sbatch: array job $array, collect job $collect (afterok:$array)"
[[ $array =~ ^[0-9]+$ && $collect =~ ^[0-9]+$ ]] || fail "sbatch gave no job ids"

for _ in $(seq 240); do
    [ -f all ] && break
    sleep 0.5
done
[ -f all ] || fail "no gathered file after 120 s"
expected=$(printf 'task %d of %s\n' 0 "$array" 1 "$array" 2 "$array")
[ "$(cat all)" = "$expected" ] || fail "gathered file is: $(cat all)"
echo "the collect job gathered the 3 tasks' files"
