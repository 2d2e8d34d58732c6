#!/usr/bin/env bash
# A real one-node Slurm cluster on this machine, for the tests of sweeps run as job arrays.
#
#   local-cluster.sh start DIR   key, munged, slurmctld and slurmd with every file inside DIR;
#                                returns once the node is idle; DIR/env holds what clients need
#   local-cluster.sh stop DIR    stops what start started there; safe to call twice
#
# Nothing in /etc/slurm or /etc/munge is read or changed: munged gets its own key and socket,
# and every daemon and client is pointed at DIR/slurm.conf. The ports are picked free, so two
# clusters (two test runs, two checkouts) live side by side. start must run as root (the
# daemons need it); otherwise it says why and exits 77, which the tests count as skipped.
set -euo pipefail

usage() { echo "usage: $0 start|stop DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
action=$1
[ "$action" = stop ] && [ ! -d "$2" ] && exit 0
mkdir -p "$2"
dir=$(cd "$2" && pwd)

# The daemons; each has DIR/run/NAME.pid, written as start launches it.
daemons=(slurmd slurmctld munged)

# running PID: that process has not ended (a zombie nobody reaped yet has ended too).
running() { [ -r "/proc/$1/stat" ] && ! grep -q '^[0-9]* (.*) Z' "/proc/$1/stat"; }

# alive NAME: that daemon runs, checked by name too as its pid may have gone to another program.
alive() {
    local pid
    pid=$(cat "$dir/run/$1.pid" 2>/dev/null) || return 1
    running "$pid" && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$1" ]
}

# The job steps of this cluster: slurmstepd processes that write to its slurmd log. They outlive
# slurmd, and one that cannot report its end keeps running, so stop ends them first.
steps() {
    local proc fd
    for proc in /proc/[0-9]*; do
        [ "$(cat "$proc/comm" 2>/dev/null)" = slurmstepd ] || continue
        for fd in "$proc"/fd/*; do
            if [ "$(readlink "$fd")" = "$dir/log/slurmd.log" ]; then
                echo "${proc#/proc/}"
                break
            fi
        done
    done
}

# Cancels the jobs left and lets their steps end (up to 10 s); then asks the daemons to end all
# at once, waits up to 10 s and kills what is left, steps included.
stop() {
    local name pid pids=()
    if alive slurmctld && alive slurmd; then
        SLURM_CONF=$dir/slurm.conf scancel --quiet --partition=local 2>/dev/null || true
        for _ in $(seq 100); do
            [ -z "$(steps)" ] && break
            sleep 0.1
        done
    fi
    for name in "${daemons[@]}"; do
        alive "$name" && pids+=("$(cat "$dir/run/$name.pid")")
    done
    if [ ${#pids[@]} -gt 0 ]; then
        kill -TERM "${pids[@]}" 2>/dev/null || true
        for _ in $(seq 100); do
            for pid in "${pids[@]}"; do
                running "$pid" && break
                pid=
            done
            [ -z "$pid" ] && break
            sleep 0.1
        done
    fi
    for pid in "${pids[@]}" $(steps); do
        running "$pid" && kill -KILL "$pid" 2>/dev/null
    done
    for name in "${daemons[@]}"; do rm -f "$dir/run/$name.pid"; done
}

# fail DAEMON MESSAGE: says what went wrong, with the end of that daemon's log.
fail() {
    echo "local-cluster: $2" >&2
    for log in "$dir/log/$1.log" "$dir/log/$1.out"; do
        [ -s "$log" ] && { echo "--- tail of $log" >&2; tail -n 20 "$log" >&2; }
    done
    exit 1
}

# A TCP port in 10000-32767 (below the kernel's ephemeral range) that no socket uses now.
free_port() {
    local port
    while :; do
        port=$((10000 + RANDOM % 22768))
        [ "$port" != "${1:-}" ] || continue
        [ -z "$(ss -Htan "( sport = :$port )")" ] && { echo "$port"; return; }
    done
}

# launch NAME COMMAND...: runs a daemon in the foreground, in the background of this script,
# its output to DIR/log/NAME.out (never our stdout, which a test runner waits on to close).
# Returns once the child is the daemon or has ended. Until it has replaced itself with the
# daemon the child is still a copy of this script, and on a busy machine that can take long
# enough for alive to take a daemon on its way for one that stopped.
launch() {
    local name=$1 pid
    shift
    "$@" < /dev/null >> "$dir/log/$name.out" 2>&1 &
    pid=$!
    echo "$pid" > "$dir/run/$name.pid"
    for _ in $(seq 200); do
        [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$name" ] && return
        running "$pid" || return 0
        sleep 0.05
    done
    fail "$name" "$name did not start in 10 s"
}

start() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "local-cluster: the Slurm daemons must run as root (this is uid $(id -u))"
        exit 77
    fi
    for program in munged mungekey slurmctld slurmd sbatch sinfo ss; do
        command -v "$program" > /dev/null ||
            { echo "local-cluster: $program is missing; run scripts/setup.sh" >&2; exit 1; }
    done
    for name in "${daemons[@]}"; do
        if [ -f "$dir/run/$name.pid" ] && alive "$name"; then
            echo "local-cluster: $name already runs for $dir; stop it first" >&2
            exit 1
        fi
    done
    # The socket path must fit in a sockaddr_un (108 bytes); slurm.conf takes no blanks.
    local socket=$dir/munge/munged.socket
    if [ ${#socket} -ge 100 ] || [[ $dir == *[[:space:]]* ]]; then
        echo "local-cluster: '$dir' is too long or has blanks; take another folder" >&2
        exit 1
    fi
    # From here on, a start that fails stops what it started.
    trap '[ $? -eq 0 ] || stop' EXIT

    mkdir -p "$dir/munge" "$dir/state" "$dir/spool" "$dir/log" "$dir/run"
    # munged refuses a key or folders that others may write; clients must reach the socket.
    chmod 755 "$dir" "$dir/munge"

    [ -f "$dir/munge/munge.key" ] || mungekey --create --keyfile="$dir/munge/munge.key"
    chmod 600 "$dir/munge/munge.key"
    # --force: run over a socket left by a killed munged, and under a folder others may write.
    launch munged munged --foreground --force --socket="$socket" \
        --key-file="$dir/munge/munge.key" --log-file="$dir/log/munged.log" \
        --pid-file="$dir/munge/munged.pid" --seed-file="$dir/munge/munged.seed"
    for _ in $(seq 100); do
        [ -S "$socket" ] && break
        alive munged || fail munged "munged did not start"
        sleep 0.1
    done
    [ -S "$socket" ] || fail munged "munged made no socket in 10 s"

    # This host as slurmd sees it (CPUs, sockets, cores, memory), under its short name, reached
    # on loopback only.
    local node hardware ctld_port slurmd_port
    node=$(hostname -s)
    hardware=$(slurmd -C | head -n 1 | sed 's/^NodeName=[^ ]* //')
    ctld_port=$(free_port)
    slurmd_port=$(free_port "$ctld_port")
    # Every address below is 127.0.0.1. The daemons also listen there only when this host's name
    # resolves to loopback: they bind to what it resolves to, which may be no address at all.
    local listen="# This host's name does not resolve to loopback: the daemons listen on all addresses."
    if getent ahostsv4 "$(hostname)" | awk '{ exit $1 !~ /^127\./ }'; then
        listen=CommunicationParameters=NoInAddrAny,NoCtldInAddrAny
    fi
    echo > "$dir/plugstack.conf"
    cat > "$dir/slurm.conf" << EOF
# Written by scripts/slurm/local-cluster.sh for a one-node test cluster in this folder.
ClusterName=murelta
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$socket
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/run/slurmctld.own.pid
SlurmdPidFile=$dir/run/slurmd.own.pid
SlurmctldLogFile=$dir/log/slurmctld.log
SlurmdLogFile=$dir/log/slurmd.log
PlugStackConfig=$dir/plugstack.conf
MailProg=/bin/true
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MpiDefault=none
$listen
ReturnToService=2
# Finished jobs leave the queue soon, and waiting jobs start as soon as they can, not in
# batches every few seconds: tests wait on whole chains of jobs.
MinJobAge=10
SchedulerParameters=batch_sched_delay=0
NodeName=$node NodeAddr=127.0.0.1 $hardware State=UNKNOWN
PartitionName=local Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
    printf 'export SLURM_CONF=%q\n' "$dir/slurm.conf" > "$dir/env"
    export SLURM_CONF=$dir/slurm.conf

    launch slurmctld slurmctld -D -f "$SLURM_CONF"
    launch slurmd slurmd -D -f "$SLURM_CONF"
    local state=
    for _ in $(seq 600); do
        alive slurmctld || fail slurmctld "slurmctld stopped while starting"
        alive slurmd || fail slurmd "slurmd stopped while starting"
        state=$(sinfo -h -n "$node" -o %T 2>/dev/null || true)
        [ "$state" = idle ] && break
        sleep 0.1
    done
    [ "$state" = idle ] || fail slurmd "the node is '$state', not idle, after 60 s"
    echo "local-cluster: running in $dir (slurmctld port $ctld_port, slurmd port $slurmd_port);" \
        "source $dir/env"
}

case "$action" in
start) start ;;
stop) stop ;;
*) usage ;;
esac
