#!/usr/bin/env bash
# Times the release pfs2vnk against the copy floor, `cat SRC > DST` and
# `dd bs=128K`.
#
#   bench/run.sh            build the release preset, generate the documents,
#                           time, print the table
#
# Environment (all optional):
#   RUNS_4K RUNS_1M RUNS_4M RUNS_64M    timed runs per program and size
#                                       (defaults 200, 40, 15, 7)
#   RSS_RUNS                            runs for the peak-memory median (3)
#   SKIP_BUILD=1                        use build/release as it is
#   BENCH_DIR=DIR                       where the documents go (default: a
#                                       fresh temporary directory, removed at exit)
#   CMAKE_BUILD_PARALLEL_LEVEL          build jobs (default 2)
#
# How it measures.  The documents are of three shapes from pfsgen (seed 1):
# prose (`pfsgen --prose`, long paragraphs of running text), mixed (the
# plain `pfsgen`: headings, indents, enhanced runs, tables, commands,
# format lines, double spacing) and typed (`pfsgen --typed`: short
# indented lines with commands, enhanced words and control codes every few
# lines), each at 4 KiB, 1 MiB and 64 MiB, plus a mixed document of 4 MiB.
# They are generated once and read once before timing, so every run reads
# them from the page cache.  For each document the programs take turns, run
# after run, so that a change in the machine's load hits all of them alike;
# each run writes a fresh target (the old one is removed before the clock
# starts), and the time is the wall time around the child as bash starts it
# ($EPOCHREALTIME, no extra process), so process creation counts for every
# program.  Medians are reported.
#
# GNU cat copies a regular file to a regular file with copy_file_range(2):
# the kernel moves the pages itself and the bytes never reach user space.
# That is the floor the targets are measured against; a converter has to
# read and write every byte.  For reference the table also times
# `dd bs=128K`, a plain read(2)/write(2) copy, on the same files.
#
# CPU time (user + system of the child, from bash's `times`, millisecond
# resolution) is reported beside the wall time: on a shared machine it is
# the figure that other people's work disturbs least.
#
# Peak resident memory is GNU time's %M (maximum RSS in KiB), median of
# RSS_RUNS runs, for pfs2vnk and cat on each file.

set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

RUNS_4K=${RUNS_4K:-200}
RUNS_1M=${RUNS_1M:-40}
RUNS_4M=${RUNS_4M:-15}
RUNS_64M=${RUNS_64M:-7}
RSS_RUNS=${RSS_RUNS:-3}

# ------------------------------------------------------------------ build ---

if [[ "${SKIP_BUILD:-0}" != 1 ]]; then
    echo "== building the release preset" >&2
    CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2} \
        cmake --workflow --preset release >&2
fi

PFS2VNK=$ROOT/build/release/pfs2vnk
PFSGEN=$ROOT/build/release/bench/pfsgen
for exe in "$PFS2VNK" "$PFSGEN"; do
    [[ -x $exe ]] || { echo "missing $exe (build the release preset)" >&2; exit 1; }
done
CAT=$(command -v cat)
DD=$(command -v dd)
GNUTIME=/usr/bin/time
[[ -x $GNUTIME ]] || GNUTIME=

# -------------------------------------------------------------- documents ---

if [[ -n "${BENCH_DIR:-}" ]]; then
    WORK=$BENCH_DIR
    mkdir -p "$WORK"
else
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/pfs2vnk-bench.XXXXXX")
    trap 'rm -rf "$WORK"' EXIT
fi

# Documents are named SHAPE-SIZE.
SIZES=(prose-4K mixed-4K typed-4K prose-1M mixed-1M typed-1M mixed-4M prose-64M mixed-64M typed-64M)
declare -A RUNS
for s in "${SIZES[@]}"; do
    case ${s#*-} in
    4K) RUNS[$s]=$RUNS_4K ;;
    1M) RUNS[$s]=$RUNS_1M ;;
    4M) RUNS[$s]=$RUNS_4M ;;
    64M) RUNS[$s]=$RUNS_64M ;;
    esac
done

echo "== generating documents in $WORK" >&2
for s in "${SIZES[@]}"; do
    case ${s%-*} in
    prose) "$PFSGEN" --prose "${s#*-}" "$WORK/doc-$s.pfs" 1 ;;
    typed) "$PFSGEN" --typed "${s#*-}" "$WORK/doc-$s.pfs" 1 ;;
    *) "$PFSGEN" "${s#*-}" "$WORK/doc-$s.pfs" 1 ;;
    esac
    "$CAT" "$WORK/doc-$s.pfs" > /dev/null # into the page cache
done

# ----------------------------------------------------------------- timing ---

# REPLY = the time bash's `times` prints ("1m2.345s") in milliseconds.
to_ms() {
    local t=$1 m s
    m=${t%%m*}
    s=${t#*m}
    s=${s%s}
    s=${s/,/.}
    REPLY=$(( (10#$m * 60 + 10#${s%.*}) * 1000 + 10#${s#*.} ))
}

# CHILD_MS = user + system time of all finished children of this shell, ms.
# `times` is a builtin and its output goes to a file: no process is started.
child_ms() {
    local self_u self_s kid_u kid_s total
    times > "$WORK/times"
    { read -r self_u self_s; read -r kid_u kid_s; } < "$WORK/times"
    to_ms "$kid_u"
    total=$REPLY
    to_ms "$kid_s"
    CHILD_MS=$(( total + REPLY ))
}

# Median of the numbers on standard input.
median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print 0; else if (NR % 2) print v[(NR + 1) / 2]; else print int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

# One timed run of a program kind on src writing dst; prints "wall_us cpu_ms".
# The target is removed first, so every run creates a fresh file.
time_one() {
    local kind=$1 src=$2 dst=$3 t0 t1 c0 rc=0
    rm -f "$dst"
    child_ms
    c0=$CHILD_MS
    case $kind in
    pfs2vnk)
        t0=$EPOCHREALTIME
        "$PFS2VNK" "$src" "$dst" 0 || rc=$?
        t1=$EPOCHREALTIME
        ;;
    cat)
        t0=$EPOCHREALTIME
        "$CAT" "$src" > "$dst" || rc=$?
        t1=$EPOCHREALTIME
        ;;
    dd)
        t0=$EPOCHREALTIME
        "$DD" if="$src" of="$dst" bs=128K status=none || rc=$?
        t1=$EPOCHREALTIME
        ;;
    esac
    child_ms
    if ((rc != 0)); then
        echo "$kind failed on $src (exit status $rc)" >&2
        exit 1
    fi
    t0=${t0/[.,]/}
    t1=${t1/[.,]/}
    echo "$(( 10#$t1 - 10#$t0 )) $(( CHILD_MS - c0 ))"
}

# Peak RSS in KiB of one run (GNU time %M).
rss_one() {
    local kind=$1 src=$2 dst=$3 out=$WORK/rss.txt
    rm -f "$dst"
    case $kind in
    pfs2vnk) "$GNUTIME" -f %M -o "$out" "$PFS2VNK" "$src" "$dst" 0 ;;
    cat) "$GNUTIME" -f %M -o "$out" "$CAT" "$src" > "$dst" ;;
    esac
    tail -n 1 "$out"
}

declare -A T_P T_C T_D C_P C_C R_P R_C BYTES
load_start=$(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo unknown)
for s in "${SIZES[@]}"; do
    src=$WORK/doc-$s.pfs
    BYTES[$s]=$(wc -c < "$src")
    n=${RUNS[$s]}
    echo "== $s: $n runs each" >&2
    # One untimed run each to settle caches.
    time_one pfs2vnk "$src" "$WORK/out-p" > /dev/null
    time_one cat "$src" "$WORK/out-c" > /dev/null
    time_one dd "$src" "$WORK/out-d" > /dev/null
    : > "$WORK/t-p"
    : > "$WORK/t-c"
    : > "$WORK/t-d"
    for ((i = 0; i < n; i++)); do
        time_one pfs2vnk "$src" "$WORK/out-p" >> "$WORK/t-p"
        time_one cat "$src" "$WORK/out-c" >> "$WORK/t-c"
        time_one dd "$src" "$WORK/out-d" >> "$WORK/t-d"
    done
    T_P[$s]=$(cut -d' ' -f1 "$WORK/t-p" | median)
    T_C[$s]=$(cut -d' ' -f1 "$WORK/t-c" | median)
    T_D[$s]=$(cut -d' ' -f1 "$WORK/t-d" | median)
    C_P[$s]=$(cut -d' ' -f2 "$WORK/t-p" | median)
    C_C[$s]=$(cut -d' ' -f2 "$WORK/t-c" | median)
    R_P[$s]=0
    R_C[$s]=0
    if [[ -n $GNUTIME ]]; then
        : > "$WORK/r-p"
        : > "$WORK/r-c"
        for ((i = 0; i < RSS_RUNS; i++)); do
            rss_one pfs2vnk "$src" "$WORK/out-p" >> "$WORK/r-p"
            rss_one cat "$src" "$WORK/out-c" >> "$WORK/r-c"
        done
        R_P[$s]=$(median < "$WORK/r-p")
        R_C[$s]=$(median < "$WORK/r-c")
    fi
    rm -f "$WORK/out-p" "$WORK/out-c" "$WORK/out-d"
done

# ------------------------------------------------------------------ table ---

cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo 2>/dev/null || true)
rev=$(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)
if [[ $rev != unknown && -n $(git -C "$ROOT" status --porcelain --untracked-files=no 2>/dev/null) ]]; then
    rev="$rev + uncommitted changes"
fi
load=$(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo unknown)

# One line per size: name bytes runs wall_p wall_c wall_d cpu_p cpu_c rss_p rss_c
rows=
for s in "${SIZES[@]}"; do
    rows+="$s ${BYTES[$s]} ${RUNS[$s]} ${T_P[$s]} ${T_C[$s]} ${T_D[$s]} ${C_P[$s]} ${C_C[$s]} ${R_P[$s]} ${R_C[$s]}"$'\n'
done

echo
echo "Machine: $(nproc) CPUs, ${cpu:-unknown CPU}, Linux $(uname -r); load average at the start: $load_start, at the end: $load"
echo "pfs2vnk $rev; $(date -u '+%Y-%m-%d %H:%M UTC'); all times are medians; 1 MiB = 2^20 bytes"
echo
printf '%s' "$rows" | awk '
function ms(us) { return us >= 100000 ? sprintf("%.0f ms", us / 1000) : sprintf("%.1f ms", us / 1000) }
function rate(b, us) { if (us <= 0) return "-"; r = b / 1048576 / (us / 1e6); return r >= 10 ? sprintf("%.0f", r) : sprintf("%.2f", r) }
{
    name[NR] = $1; b[NR] = $2; runs[NR] = $3; wp[NR] = $4; wc[NR] = $5; wd[NR] = $6
    cp[NR] = $7; cc[NR] = $8; rp[NR] = $9; rc[NR] = $10
}
END {
    print "| Document | Runs | pfs2vnk | cat | pfs2vnk / cat | pfs2vnk MiB/s | cat MiB/s | CPU pfs2vnk | CPU cat | dd bs=128K | pfs2vnk / dd |"
    print "|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|"
    for (i = 1; i <= NR; i++)
        printf "| %s (%d B) | %d | %s | %s | **%.2fx** | %s | %s | %d ms | %d ms | %s | %.2fx |\n", \
            name[i], b[i], runs[i], ms(wp[i]), ms(wc[i]), (wc[i] > 0 ? wp[i] / wc[i] : 0), \
            rate(b[i], wp[i]), rate(b[i], wc[i]), cp[i], cc[i], ms(wd[i]), (wd[i] > 0 ? wp[i] / wd[i] : 0)
    print ""
    print "| Document | Peak RSS pfs2vnk | Peak RSS cat | pfs2vnk / cat |"
    print "|---|--:|--:|--:|"
    for (i = 1; i <= NR; i++)
        if (rc[i] > 0)
            printf "| %s | %d KiB | %d KiB | %.2fx |\n", name[i], rp[i], rc[i], rp[i] / rc[i]
        else
            printf "| %s | n/a | n/a | - |\n", name[i]
    # Targets.  The floor of a row is the slower of cat and dd (both copy
    # every byte; dd through user space).  64 MiB typed and 4 MiB mixed at
    # most 3x the floor, 64 MiB prose at most 2x; 1 MiB of each shape at
    # most 1.5x cat; 4 KiB at most 1.0x cat; peak RSS at most 1.5x cat.
    print ""
    printf "Targets:\n"
    for (i = 1; i <= NR; i++) {
        fl = wc[i] > wd[i] ? wc[i] : wd[i]
        limit = 0
        if (name[i] == "typed-64M" || name[i] == "mixed-4M" || name[i] == "mixed-64M") limit = 3.0
        if (name[i] == "prose-64M") limit = 2.0
        if (limit > 0) {
            r = fl > 0 ? wp[i] / fl : 0
            if (name[i] == "mixed-64M")
                printf "  %-10s wall time        %5.2fx floor (no target; for comparison)\n", name[i], r
            else
                printf "  %-10s wall time        %5.2fx floor (target <= %.1fx)  %s\n", name[i], r, limit, (r <= limit ? "met" : "MISSED")
        } else if (name[i] ~ /-1M$/) {
            r = wc[i] > 0 ? wp[i] / wc[i] : 0
            printf "  %-10s wall time        %5.2fx cat   (target <= 1.5x)  %s\n", name[i], r, (r <= 1.5 ? "met" : "MISSED")
        } else if (name[i] ~ /-4K$/) {
            r = wc[i] > 0 ? wp[i] / wc[i] : 0
            printf "  %-10s median latency   %5.2fx cat   (target <= 1.0x)  %s  (%.0f us against %.0f us)\n", \
                name[i], r, (r <= 1.0 ? "met" : "MISSED"), wp[i], wc[i]
        }
    }
    for (i = 1; i <= NR; i++) {
        rr = rc[i] > 0 ? rp[i] / rc[i] : 0
        if (rr > 0)
            printf "  %-10s peak RSS         %5.2fx cat   (target <= 1.5x)  %s\n", name[i], rr, (rr <= 1.5 ? "met" : "MISSED")
        else
            printf "  %-10s peak RSS not measured (/usr/bin/time not found)\n", name[i]
    }
}'
