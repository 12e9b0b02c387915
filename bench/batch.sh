#!/usr/bin/env bash
# Times pfs2vnk-batch on a tree of 2,000 documents of about 4 KB against
# `cp -r` of the tree (and, with LOOP=1, a shell loop that runs pfs2vnk
# once per document).
#
#   bench/batch.sh          build the release preset, make the tree, time,
#                           print the table
#
# Environment (all optional):
#   RUNS=N            timed runs per program (default 3)
#   DOCS=N            documents in the tree (default 2000; a multiple of 50)
#   LOOP=1            time the shell loop too (slow: a process per document)
#   KEEP_OLD=1        move each finished target tree aside instead of
#                     removing it before the next run (see below)
#   SKIP_BUILD=1      use build/release as it is
#   BENCH_DIR=DIR     where the tree goes (default: a fresh temporary
#                     directory, removed at exit)
#
# The tree.  DOCS distinct documents of about 4 KB (pfsgen 4K and pfsgen
# --typed 4K, one seed each) in 50 folders; ten of them are cut short (the
# last part of the file missing) and two have a damaged signature; each
# folder also holds a text file, and one folder an empty file.  The tree is
# read once before timing, so every run reads it from the page cache.
#
# How it measures.  The programs take turns, run after run, so that load
# that comes and goes hits all of them alike.  Before each run the target
# tree is removed and `sync` is run, both outside the clock: without the
# sync each run would pay for the dirty pages the run before it left.  The
# time is wall time around the command as bash runs it ($EPOCHREALTIME);
# medians are reported.  The loop makes the target folders first (one
# mkdir -p) and then runs `pfs2vnk SRC TGT 0` for each document, as a
# user's script would.  After the timing every target of the batch is
# compared with what pfs2vnk writes for its source, and a second run of the
# batch must convert nothing.
#
# KEEP_OLD=1.  On a file system whose inode allocator steps over recently
# freed inodes one by one (ext4 without a journal does, for a minute after
# the deletion), the removal of the previous run's 2,000 targets makes every
# file creation of the next run slower, for every program alike, and more so
# the more runs came before.  With KEEP_OLD=1 the old tree is renamed aside
# instead and all of them are removed at the end.

set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

RUNS=${RUNS:-3}
DOCS=${DOCS:-2000}

if [[ "${SKIP_BUILD:-0}" != 1 ]]; then
    echo "== building the release preset" >&2
    CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2} \
        cmake --workflow --preset release >&2
fi

BATCH=$ROOT/build/release/pfs2vnk-batch
PFS2VNK=$ROOT/build/release/pfs2vnk
PFSGEN=$ROOT/build/release/bench/pfsgen
for exe in "$BATCH" "$PFS2VNK" "$PFSGEN"; do
    [[ -x $exe ]] || { echo "missing $exe (build the release preset)" >&2; exit 1; }
done

if [[ -n "${BENCH_DIR:-}" ]]; then
    WORK=$BENCH_DIR
    mkdir -p "$WORK"
else
    WORK=$(mktemp -d)
    trap 'rm -rf "$WORK"' EXIT
fi
SRC=$WORK/src
DST=$WORK/dst

# ------------------------------------------------------------------- tree ---

echo "== making $DOCS documents" >&2
rm -rf "$SRC"
FOLDERS=50
for d in $(seq 1 $FOLDERS); do
    mkdir -p "$SRC/folder$d"
    printf 'Index of the letters in this folder.\n' > "$SRC/folder$d/index.txt"
done
: > "$SRC/folder1/empty.pfs"
for n in $(seq 1 "$DOCS"); do
    f=$SRC/folder$(( (n - 1) % FOLDERS + 1 ))/letter$n.pfs
    if (( n % 2 )); then "$PFSGEN" 4K "$f" "$n"; else "$PFSGEN" --typed 4K "$f" "$n"; fi
done
for n in $(seq 7 199 "$DOCS" | head -n 10); do # cut short
    f=$SRC/folder$(( (n - 1) % FOLDERS + 1 ))/letter$n.pfs
    head -c 2500 "$f" > "$f.cut" && mv "$f.cut" "$f"
done
for n in 3 1001; do # a damaged signature
    f=$SRC/folder$(( (n - 1) % FOLDERS + 1 ))/letter$n.pfs
    [[ -f $f ]] && printf 'XXX' | dd of="$f" bs=1 seek=641 conv=notrunc status=none
done
find "$SRC" -type f | sort > "$WORK/list"
cat $(cat "$WORK/list") > /dev/null
BYTES=$(cat $(cat "$WORK/list") | wc -c)
FILES=$(wc -l < "$WORK/list")

# ------------------------------------------------------------- programs ---

run_batch2() { "$BATCH" -q -j 2 "$SRC" "$DST" 2>/dev/null || true; }
run_batch1() { "$BATCH" -q -j 1 "$SRC" "$DST" 2>/dev/null || true; }
run_loop() {
    (cd "$SRC" && find . -type d) | (cd "$(dirname "$DST")" && mkdir -p dst && cd dst && xargs mkdir -p)
    while IFS= read -r f; do
        "$PFS2VNK" "$f" "$DST/${f#"$SRC"/}.vnk" 0 || true
    done < "$WORK/list"
}
run_cp() { cp -r "$SRC" "$DST"; }

PROGRAMS=(batch2 batch1 cp)
[[ ${LOOP:-0} == 1 ]] && PROGRAMS+=(loop)
declare -A TIMES

# The previous target tree goes: removed, or with KEEP_OLD=1 moved aside
# (into a folder of its own: this runs in a subshell, so no counter would last).
clear_target() {
    [[ -e $DST ]] || return 0
    if [[ ${KEEP_OLD:-0} == 1 ]]; then
        mv "$DST" "$(mktemp -d "$WORK/old.XXXXXX")/dst"
    else
        rm -rf "$DST"
    fi
    [[ ! -e $DST ]] || { echo "cannot clear $DST" >&2; exit 1; }
}

# Milliseconds of one run of program $1 into a fresh target tree.
time_one() {
    clear_target
    sync
    local t0 t1
    t0=$EPOCHREALTIME
    "run_$1"
    t1=$EPOCHREALTIME
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.1f", (b - a) * 1000 }'
}

median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
echo "== timing, $RUNS runs each" >&2
for r in $(seq 1 "$RUNS"); do
    for p in "${PROGRAMS[@]}"; do
        t=$(time_one "$p")
        TIMES[$p]="${TIMES[$p]:-} $t"
    done
    echo "   run $r done" >&2
done
LOAD_AFTER=$(cut -d' ' -f1-3 /proc/loadavg)
rm -rf "$WORK"/old.*

# -------------------------------------------------------------- checking ---

rm -rf "$DST"
"$BATCH" -j 2 "$SRC" "$DST" 2> "$WORK/first.txt" || true
bad=0
while IFS= read -r f; do
    rel=${f#"$SRC"/}
    rm -f "$WORK/one.vnk"
    "$PFS2VNK" "$f" "$WORK/one.vnk" 0 > /dev/null 2>&1 || true
    if [[ -f $DST/$rel.vnk ]] && ! cmp -s "$WORK/one.vnk" "$DST/$rel.vnk"; then
        echo "the batch's target of $rel differs from pfs2vnk's" >&2
        bad=1
    fi
done < "$WORK/list"
"$BATCH" -j 2 "$SRC" "$DST" 2> "$WORK/second.txt" || true
if ! grep -q '^  ok  *0$' "$WORK/second.txt"; then
    echo "a second run of the batch converted documents again:" >&2
    cat "$WORK/second.txt" >&2
    bad=1
fi
((bad == 0)) || exit 1
OKS=$(awk '$1 == "ok" { print $2 }' "$WORK/first.txt")

# ----------------------------------------------------------------- table ---

ms_of() { echo "${TIMES[$1]}" | median; }
B2=$(ms_of batch2); B1=$(ms_of batch1); CP=$(ms_of cp)
rate() { awk -v n="$DOCS" -v ms="$1" 'BEGIN { printf "%.0f", n / (ms / 1000) }'; }
mbs() { awk -v b="$BYTES" -v ms="$1" 'BEGIN { printf "%.1f", b / 1e6 / (ms / 1000) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo 2>/dev/null || true)

echo
echo "Machine: $(nproc) CPUs, ${cpu:-unknown CPU}, Linux $(uname -r); load average before: $LOAD_BEFORE, after: $LOAD_AFTER"
echo "$FILES files ($DOCS documents, $OKS converted ok), $BYTES bytes, on $(df --output=fstype "$WORK" | tail -n 1) ($WORK);" \
    "medians of $RUNS runs; sync before each run;" \
    "$([[ ${KEEP_OLD:-0} == 1 ]] && echo "old targets moved aside" || echo "old targets removed")"
echo
echo "| Command | Time (runs) | Documents/s | MB/s | Against cp -r |"
echo "|---|--:|--:|--:|--:|"
row() { echo "| $1 | $2 ms ($3) | $(rate "$2") | $(mbs "$2") | $(ratio "$2" "$CP")x the time |"; }
row '`pfs2vnk-batch -j 2 -q`' "$B2" "${TIMES[batch2]# }"
row '`pfs2vnk-batch -j 1 -q`' "$B1" "${TIMES[batch1]# }"
if [[ ${LOOP:-0} == 1 ]]; then
    LP=$(ms_of loop)
    row 'shell loop of `pfs2vnk SRC TGT 0`' "$LP" "${TIMES[loop]# }"
fi
row '`cp -r`' "$CP" "${TIMES[cp]# }"
echo
r=$(ratio "$B2" "$CP")
awk -v r="$r" 'BEGIN { printf "Target: pfs2vnk-batch -j 2 -q at most 2x cp -r: %.2fx, %s\n", r, (r <= 2.0 ? "met" : "MISSED") }'
