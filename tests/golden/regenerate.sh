#!/usr/bin/env bash
# Rebuilds the expected streams of the golden corpus with the release build
# and prints every change as a diff of vnkdump listings, to be reviewed like
# code before it is committed.
#
#   tests/golden/regenerate.sh [--documents]
#
# Without an option the checked-in documents stay as they are and only their
# streams are made anew (after an intended change of the translator).  With
# --documents the documents are first written anew by mkgolden (after an
# intended change of the corpus); a document mkgolden no longer makes is
# removed with its stream.
set -euo pipefail
cd "$(dirname "$0")/../.."

documents=0
case "${1:-}" in
  "") ;;
  --documents) documents=1 ;;
  *) echo "usage: $0 [--documents]" >&2; exit 2 ;;
esac

cmake --workflow --preset release >/dev/null
bin=build/release
corpus=tests/golden/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ $documents = 1 ]; then
  rm -f "$corpus"/*.pfs
  "$bin/mkgolden" "$corpus"
fi

changed=0
for want in "$corpus"/*.vnk; do
  [ -e "$want" ] || continue
  if [ ! -f "${want%.vnk}.pfs" ]; then
    echo "== ${want#"$corpus"/}: its document is gone, removed"
    rm "$want"
    changed=$((changed + 1))
  fi
done
for src in "$corpus"/*.pfs; do
  want=${src%.pfs}.vnk
  rm -f "$work/new.vnk"
  if ! "$bin/pfs2vnk" "$src" "$work/new.vnk" 0; then
    echo "$0: pfs2vnk failed on $src; every golden document must translate" >&2
    exit 1
  fi
  [ -f "$want" ] && cmp -s "$want" "$work/new.vnk" && continue
  changed=$((changed + 1))
  echo "== ${want#"$corpus"/}"
  if [ -f "$want" ]; then
    diff -u --label old --label new <("$bin/vnkdump" "$want") <("$bin/vnkdump" "$work/new.vnk") || true
  else
    echo "(new)"
  fi
  cp "$work/new.vnk" "$want"
done
total=$(find "$corpus" -name '*.pfs' | wc -l)
echo "golden corpus: $changed of $total streams changed" >&2
