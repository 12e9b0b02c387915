#!/usr/bin/env bash
# Runs the fuzz targets one after the other, each for a bounded time, and
# fails on the first finding (a crash, a sanitizer report, a failed check, a
# leak or an input that takes longer than 10 s).
#
#   fuzz/run.sh [-t SECONDS] [-b BUILD_DIR] [TARGET...]
#
# TARGET is translate, response, errmsg or vnkdump (default: all four);
# SECONDS defaults to 60 per target, BUILD_DIR to build/fuzz (the "fuzz"
# preset).  The checked-in corpus fuzz/corpus/TARGET is only read: new inputs
# go to BUILD_DIR/fuzz-work/TARGET/corpus, and what a finding leaves (crash-*,
# timeout-*, leak-*, oom-*) to BUILD_DIR/fuzz-work/TARGET/.  One fuzzing
# process at a time.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
build=build/fuzz
while getopts "t:b:" opt; do
  case $opt in
    t) seconds=$OPTARG ;;
    b) build=$OPTARG ;;
    *) echo "usage: $0 [-t SECONDS] [-b BUILD_DIR] [TARGET...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(translate response errmsg vnkdump)

# Largest input per target: two window moves for a document, every line of
# a response file, the longest error message with room to spare.
max_len() {
  case $1 in
    translate) echo 40000 ;;
    response) echo 24576 ;;
    errmsg) echo 8192 ;;
    vnkdump) echo 16384 ;;
  esac
}

status=0
passed=0
failed=0
for t in "${targets[@]}"; do
  exe=$build/fuzz/fuzz_$t
  if [ ! -x "$exe" ]; then
    echo "fuzz/run.sh: $exe is missing; build it with: cmake --workflow --preset fuzz" >&2
    exit 2
  fi
  work=$build/fuzz-work/$t
  rm -rf "$work"
  mkdir -p "$work/corpus"
  dict=()
  [ "$t" = translate ] && dict=(-dict=fuzz/pfs.dict)
  echo "== fuzz_$t for ${seconds}s"
  set +e
  "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$(max_len "$t")" \
    -print_final_stats=1 "${dict[@]}" -artifact_prefix="$work/" \
    "$work/corpus" "fuzz/corpus/$t" >"$work/log" 2>&1
  rc=$?
  set -e
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::new_units_added)' "$work/log" || true
  if [ $rc -ne 0 ] || ls "$work" | grep -qE '^(crash|timeout|leak|oom|slow-unit)-'; then
    echo "fuzz_$t: FINDING (exit $rc); the end of $work/log:" >&2
    tail -n 60 "$work/log" >&2
    ls "$work" >&2
    status=1
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
done
echo "fuzz targets: $passed passed, $failed failed"
exit $status
