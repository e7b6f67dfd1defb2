#!/usr/bin/env bash
# Long fuzz runs: every libFuzzer target in turn, one at a time, for MINUTES
# each, from a copy of its seeds (tests/fuzz/corpus/<parser>/) with its
# dictionary (tests/fuzz/<parser>.dict).
#
#   bench/fuzz-long.sh [MINUTES] [BUILD_DIR]     (defaults: 10 build-fuzz)
#
# BUILD_DIR is configured (clang, ASan + UBSan, as scripts/test does) when it
# has no cache yet, and brought up to date either way. Per target it prints
# the executions, libFuzzer's coverage figures (cov: edges reached, ft:
# features) and the corpus size at the end, and any crash, leak, timeout or
# out-of-memory input with the sanitizer's first report line. The run's
# folder (printed first; MORVANE_FUZZ_OUT chooses it) keeps each target's
# log, grown corpus and failing inputs. Exits 1 when any target failed.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-10}
build=${2:-$root/build-fuzz}
case $minutes in "" | 0 | *[!0-9]*) echo "usage: $0 [MINUTES >= 1] [BUILD_DIR]" >&2; exit 2 ;; esac

if [ ! -f "$build/CMakeCache.txt" ]; then
  mkdir -p "$build"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >"$build/configure.log" 2>&1 ||
    { cat "$build/configure.log"; exit 1; }
fi
cmake --build "$build" -j2 >"$build/fuzz-long-build.log" 2>&1 ||
  { tail -n 40 "$build/fuzz-long-build.log"; exit 1; }

out=${MORVANE_FUZZ_OUT:-$(mktemp -d /tmp/morvane-fuzz-long.XXXXXX)}
mkdir -p "$out"
echo "fuzzing each target for $minutes min; logs, corpora and failing inputs in $out"

failures=0
for source in "$root"/tests/fuzz/*_fuzz.cpp; do
  name=$(basename "$source" .cpp)
  parser=${name%_fuzz}
  target=$build/tests/fuzz/$name
  work=$out/$parser
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/failures"
  [ -d "$root/tests/fuzz/corpus/$parser" ] && cp "$root/tests/fuzz/corpus/$parser"/* "$work/corpus/"
  dictionary=()
  [ -f "$root/tests/fuzz/$parser.dict" ] && dictionary=(-dict="$root/tests/fuzz/$parser.dict")

  started=$(date +%s)
  "$target" "$work/corpus" "${dictionary[@]}" -max_total_time=$((minutes * 60)) \
    -rss_limit_mb=4096 -timeout=30 -print_final_stats=1 -artifact_prefix="$work/failures/" \
    >"$work/fuzz.log" 2>&1
  status=$?
  seconds=$(($(date +%s) - started))

  # The last status line ("#N DONE cov: C ft: F corp: K/..."), or the last
  # one before a crash.
  last=$(grep -E '^#[0-9]+' "$work/fuzz.log" | tail -n 1)
  executions=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$work/fuzz.log" | tail -n 1)
  [ -n "$executions" ] || executions=$(sed -nE 's/^#([0-9]+).*/\1/p' <<<"$last")
  cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$last")
  ft=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$last")
  corpus=$(sed -nE 's/.* corp: ([0-9]+).*/\1/p' <<<"$last")
  printf '%-18s %4ss  executions %12s  cov: %6s  ft: %7s  corpus %6s\n' "$name" "$seconds" \
    "${executions:-?}" "${cov:-?}" "${ft:-?}" "${corpus:-?}"

  found=$(find "$work/failures" -type f | sort)
  if [ "$status" -ne 0 ] || [ -n "$found" ]; then
    failures=$((failures + 1))
    reason=$(grep -m 1 -E '==[0-9]+==ERROR|deadly signal|runtime error|ALARM|out-of-memory|SUMMARY' "$work/fuzz.log")
    echo "  FAILED (status $status): ${reason:-see $work/fuzz.log}"
    for input in $found; do echo "  input: $input"; done
  fi
done

echo "fuzz-long: $failures of $(ls "$root"/tests/fuzz/*_fuzz.cpp | wc -l) targets failed"
[ "$failures" -eq 0 ]
