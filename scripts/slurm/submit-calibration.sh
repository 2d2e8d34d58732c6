#!/usr/bin/env bash
# Submits a calibration to a Slurm cluster as one job on CPUS cores of a node (2 by default):
# its candidates' runs go to the threads Slurm gives the job.
#   scripts/slurm/submit-calibration.sh FILE DIR [CPUS]
# DIR must be on a folder the node sees. A job that ends early (a time limit, a node lost) is
# continued by submitting the same command again: every finished evaluation in DIR is reused
# and the tables come out the same. MURELTA_BATCH names the murelta-batch to run (by default
# the one built in this checkout).
set -euo pipefail
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
    echo "usage: $0 FILE DIR [CPUS]" >&2
    exit 2
fi
file=$(realpath "$1")
dir=$(realpath -m "$2")
cpus=${3:-2}
[[ $cpus =~ ^[1-9][0-9]*$ ]] || { echo "CPUS must be a positive whole number" >&2; exit 2; }
batch=${MURELTA_BATCH:-$(cd "$(dirname "$0")/../.." && pwd)/build/src/murelta-batch}
[ -x "$batch" ] || { echo "no murelta-batch at $batch: build it or set MURELTA_BATCH" >&2; exit 2; }
# Refuse a bad file now rather than once the job starts.
"$batch" --experiment "$file" --save-experiment /dev/null > /dev/null
grep -q '^\[calibration\]' "$file" || { echo "$file holds no [calibration]" >&2; exit 2; }

mkdir -p "$dir/logs"
job=$(sbatch --parsable --cpus-per-task="$cpus" --job-name=murelta-calibrate \
    --output="$dir/logs/calibrate.out" \
    --wrap "'$batch' calibrate '$file' --out '$dir' --threads \${SLURM_CPUS_PER_TASK:-1}")
echo "submitted calibration job $job ($cpus CPUs)"
