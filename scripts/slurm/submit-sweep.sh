#!/usr/bin/env bash
# Submits a sweep to a Slurm cluster: a job array of TASKS shards (4 by default), each running
# the configurations whose number modulo TASKS is its task id, then a job that collects the
# tables once every task has ended well.
#   scripts/slurm/submit-sweep.sh FILE DIR [TASKS]
# DIR must be on a folder every node sees. The murelta-batch the nodes run is MURELTA_BATCH when
# set, else the one built in this checkout (which must then be on the shared folder too), the
# one installed beside this script (PREFIX/bin for PREFIX/share/murelta) or the one on the PATH:
# the nodes run it by the same path, so install the murelta-batch package on every node or put
# the program on the shared folder.
set -euo pipefail
usage="usage: $0 FILE DIR [TASKS]"
case "${1:-}" in
-h | --help)
    echo "$usage"
    exit 0
    ;;
esac
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
    echo "$usage" >&2
    exit 2
fi
file=$(realpath "$1")
dir=$(realpath -m "$2")
tasks=${3:-4}
[[ $tasks =~ ^[1-9][0-9]*$ ]] || { echo "TASKS must be a positive whole number" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
batch=${MURELTA_BATCH:-}
for candidate in "$here/../../build/src/murelta-batch" "$here/../../bin/murelta-batch" \
    "$(command -v murelta-batch || true)"; do
    if [ -z "$batch" ] && [ -x "$candidate" ]; then batch=$(realpath "$candidate"); fi
done
[ -n "$batch" ] || { echo "no murelta-batch: build it, install it or set MURELTA_BATCH" >&2; exit 2; }
[ -x "$batch" ] || { echo "no murelta-batch at $batch: set MURELTA_BATCH to one" >&2; exit 2; }
# Refuse a bad file now rather than in every task.
"$batch" --experiment "$file" --save-experiment /dev/null > /dev/null

mkdir -p "$dir/logs"
# A task's thread count is what Slurm gave it (--cpus-per-task), one when not given.
array=$(sbatch --parsable --array="0-$((tasks - 1))" --job-name=murelta-sweep \
    --output="$dir/logs/task-%a.out" \
    --wrap "'$batch' sweep '$file' --out '$dir' --shard \$SLURM_ARRAY_TASK_ID/$tasks \
--threads \${SLURM_CPUS_PER_TASK:-1}")
collect=$(sbatch --parsable --dependency="afterok:$array" --job-name=murelta-collect \
    --output="$dir/logs/collect.out" --wrap "'$batch' collect '$dir'")
echo "submitted array job $array ($tasks tasks) and collect job $collect (afterok:$array)"
