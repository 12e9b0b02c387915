#!/usr/bin/env bash
# Times pfs2vnk-batch on a tree of 2,000 documents of about 4 KB against a
# shell loop that runs pfs2vnk once per document and against `cp -r` of
# the tree.
#
#   bench/batch.sh          build the release preset, make the tree, time,
#                           print the table
#
# Environment (all optional):
#   RUNS=N            timed runs per program (default 5)
#   DOCS=N            documents in the tree (default 2000; a multiple of 100)
#   SKIP_BUILD=1      use build/release as it is
#   BENCH_DIR=DIR     where the tree goes (default: a fresh temporary
#                     directory, removed at exit)
#
# How it measures.  100 different documents of about 4 KB (pfsgen 4K, seeds
# 1 to 100) are copied into DOCS/100 folders, and the tree is read once
# before timing, so every run reads it from the page cache.  The programs
# take turns, run after run, so that load that comes and goes hits all of
# them alike; before each run the target tree is removed (outside the
# clock), so every run writes every target afresh.  The time is wall time
# around the command as bash runs it ($EPOCHREALTIME); medians are reported.
# Nothing is synced.  The loop makes the target folders first (one mkdir -p)
# and then runs `pfs2vnk SRC TGT 0` for each document, as a user's script
# would.  After the timing the batch's targets are compared with the loop's.

set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

RUNS=${RUNS:-5}
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
rm -rf "$SRC" "$WORK/seeds"
mkdir -p "$WORK/seeds"
for s in $(seq 1 100); do "$PFSGEN" 4K "$WORK/seeds/$s.pfs" "$s"; done
for d in $(seq 1 $((DOCS / 100))); do
    mkdir -p "$SRC/folder$d"
    for s in $(seq 1 100); do cp "$WORK/seeds/$s.pfs" "$SRC/folder$d/letter$s.pfs"; done
done
find "$SRC" -type f | sort > "$WORK/list"
cat $(cat "$WORK/list") > /dev/null
BYTES=$(cat $(cat "$WORK/list") | wc -c)

# ------------------------------------------------------------- programs ---

run_batch2() { "$BATCH" -q -j 2 "$SRC" "$DST" 2>/dev/null; }
run_batch1() { "$BATCH" -q -j 1 "$SRC" "$DST" 2>/dev/null; }
run_loop() {
    (cd "$SRC" && find . -type d) | (cd "$(dirname "$DST")" && mkdir -p dst && cd dst && xargs mkdir -p)
    while IFS= read -r f; do
        "$PFS2VNK" "$f" "$DST/${f#"$SRC"/}.vnk" 0
    done < "$WORK/list"
}
run_cp() { cp -r "$SRC" "$DST"; }

PROGRAMS=(batch2 batch1 loop cp)
declare -A TIMES

# Milliseconds of one run of program $1 into a fresh target tree.
time_one() {
    rm -rf "$DST"
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
        TIMES[$p]="${TIMES[$p]:-} $(time_one "$p")"
    done
    echo "   run $r done" >&2
done

# -------------------------------------------------------------- checking ---

rm -rf "$DST"; run_loop; mv "$DST" "$WORK/by-loop"
rm -rf "$DST"; run_batch2
if ! diff -r "$WORK/by-loop" "$DST" > /dev/null; then
    echo "the batch's targets differ from pfs2vnk's" >&2
    exit 1
fi
rm -rf "$WORK/by-loop"

# ----------------------------------------------------------------- table ---

ms_of() { echo "${TIMES[$1]}" | median; }
B2=$(ms_of batch2); B1=$(ms_of batch1); LOOP=$(ms_of loop); CP=$(ms_of cp)
rate() { awk -v n="$DOCS" -v ms="$1" 'BEGIN { printf "%.0f", n / (ms / 1000) }'; }
mbs() { awk -v b="$BYTES" -v ms="$1" 'BEGIN { printf "%.1f", b / 1e6 / (ms / 1000) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo
echo "$DOCS documents, $BYTES bytes, on $(df --output=fstype "$WORK" | tail -n 1) ($WORK); medians of $RUNS runs;" \
    "load average before: $LOAD_BEFORE, after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| Command | Time | Documents/s | MB/s | Against the loop | Against cp -r |"
echo "|---|--:|--:|--:|--:|--:|"
row() { echo "| $1 | $2 ms | $(rate "$2") | $(mbs "$2") | $(ratio "$LOOP" "$2")x faster | $(ratio "$2" "$CP")x the time |"; }
row '`pfs2vnk-batch -j 2`' "$B2"
row '`pfs2vnk-batch -j 1`' "$B1"
row 'shell loop of `pfs2vnk SRC TGT 0`' "$LOOP"
row '`cp -r`' "$CP"
