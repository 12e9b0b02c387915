#!/usr/bin/env bash
# Times pfs2vnk-batch with and without PDF/A copies on a tree of DOCS
# documents of about 4 KB (pfsgen 4K seeds 1 to 100, copied into DOCS/100
# folders): one run each of `-j 2`, `-j 2 --manifest`
# (the checksums), `-j 2 --render odt` and `-j 2 --render pdfa`, into a
# fresh target tree each, and prints documents per second.  LibreOffice
# (soffice) must be on PATH.
#
#   bench/pdfa.sh           build the release preset, make the tree, time
#
# Environment (all optional):
#   DOCS=N            documents in the tree (default 2000; a multiple of 100)
#   SKIP_BUILD=1      use build/release as it is
#   BENCH_DIR=DIR     where the tree goes (default: a fresh temporary
#                     directory, removed at exit)

set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
DOCS=${DOCS:-2000}

if [[ "${SKIP_BUILD:-0}" != 1 ]]; then
    CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2} \
        cmake --workflow --preset release >&2
fi
BATCH=$ROOT/build/release/pfs2vnk-batch
PFSGEN=$ROOT/build/release/bench/pfsgen
command -v soffice >/dev/null || { echo "soffice is missing (libreoffice-writer-nogui)" >&2; exit 1; }

if [[ -n "${BENCH_DIR:-}" ]]; then
    WORK=$BENCH_DIR
    mkdir -p "$WORK"
else
    WORK=$(mktemp -d)
    trap 'rm -rf "$WORK"' EXIT
fi
SRC=$WORK/src
DST=$WORK/dst

rm -rf "$SRC" "$WORK/seeds"
mkdir -p "$WORK/seeds"
for s in $(seq 1 100); do "$PFSGEN" 4K "$WORK/seeds/$s.pfs" "$s"; done
for d in $(seq 1 $((DOCS / 100))); do
    mkdir -p "$SRC/folder$d"
    for s in $(seq 1 100); do cp "$WORK/seeds/$s.pfs" "$SRC/folder$d/letter$s.pfs"; done
done
cat "$SRC"/*/* > /dev/null

# Seconds of one run into a fresh target tree.
time_one() {
    rm -rf "$DST"
    local t0 t1
    t0=$EPOCHREALTIME
    "$BATCH" -q -j 2 "$@" "$SRC" "$DST" 2>/dev/null
    t1=$EPOCHREALTIME
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }'
}

LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
echo "$DOCS documents; $(nproc) processors, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//');" \
    "$(soffice --version 2>/dev/null | head -n 1); load average before: $LOAD_BEFORE"
echo
echo "| Command | Time | Documents/s |"
echo "|---|--:|--:|"
for args in "" "--manifest $WORK/manifest" "--render odt" "--render pdfa"; do
    # shellcheck disable=SC2086
    s=$(time_one $args)
    echo "| \`pfs2vnk-batch -j 2${args:+ ${args/$WORK\//}}\` | $s s | $(awk -v n="$DOCS" -v s="$s" 'BEGIN { printf "%.1f", n / s }') |"
done
echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
