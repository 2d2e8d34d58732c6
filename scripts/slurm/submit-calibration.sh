#!/usr/bin/env bash
# Submits a calibration to a Slurm cluster as one job on CPUS cores of a node (2 by default):
# its candidates' runs go to the threads Slurm gives the job.
#   scripts/slurm/submit-calibration.sh FILE DIR [CPUS]
# DIR must be on a folder the node sees. A job that ends early (a time limit, a node lost) is
# continued by submitting the same command again: every finished evaluation in DIR is reused
# and the tables come out the same. The murelta-batch the node runs is MURELTA_BATCH when set,
# else the one built in this checkout, the one installed beside this script (PREFIX/bin for
# PREFIX/share/murelta) or the one on the PATH, by the same path on the node.
set -euo pipefail
usage="usage: $0 FILE DIR [CPUS]"
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
cpus=${3:-2}
[[ $cpus =~ ^[1-9][0-9]*$ ]] || { echo "CPUS must be a positive whole number" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
batch=${MURELTA_BATCH:-}
for candidate in "$here/../../build/src/murelta-batch" "$here/../../bin/murelta-batch" \
    "$(command -v murelta-batch || true)"; do
    if [ -z "$batch" ] && [ -x "$candidate" ]; then batch=$(realpath "$candidate"); fi
done
[ -n "$batch" ] || { echo "no murelta-batch: build it, install it or set MURELTA_BATCH" >&2; exit 2; }
[ -x "$batch" ] || { echo "no murelta-batch at $batch: set MURELTA_BATCH to one" >&2; exit 2; }
# Refuse a bad file now rather than once the job starts.
"$batch" --experiment "$file" --save-experiment /dev/null > /dev/null
grep -q '^\[calibration\]' "$file" || { echo "$file holds no [calibration]" >&2; exit 2; }

mkdir -p "$dir/logs"
job=$(sbatch --parsable --cpus-per-task="$cpus" --job-name=murelta-calibrate \
    --output="$dir/logs/calibrate.out" \
    --wrap "'$batch' calibrate '$file' --out '$dir' --threads \${SLURM_CPUS_PER_TASK:-1}")
echo "submitted calibration job $job ($cpus CPUs)"
