#!/usr/bin/env bash
# Runs the libFuzzer programs of a fuzz build (./test.sh --fuzz makes one in
# build-fuzz/): first each over its checked-in seeds (tests/fuzz/corpus/NAME)
# as a regression pass, then each for a bounded time, two at once. Fails on
# a crash, a broken property, a sanitizer report, a leak, an input slower
# than 1 s or a run above 512 MB. Each fuzzer's log, the inputs it found and
# any failing input (artifacts/) stay in BUILD/fuzz-run/.
#   tools/run-fuzzers.sh [BUILD]
#   ORVANE_FUZZ_SECONDS  wall-clock budget of the timed runs (default 480)
#   ORVANE_FUZZ_JOBS     fuzzers at once (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seeds=tests/fuzz/corpus
budget=${ORVANE_FUZZ_SECONDS:-480}
jobs=${ORVANE_FUZZ_JOBS:-2}
out=$build/fuzz-run
rm -rf "$out/artifacts" "$out/status"
mkdir -p "$out/corpus" "$out/artifacts" "$out/status"

mapfile -t names < <(ls "$seeds")
((${#names[@]} > 0)) || { echo "no fuzzers in $seeds" >&2; exit 1; }
per=$((budget * jobs / ${#names[@]}))
((per >= 1)) || per=1

# A smaller quarantine than ASan's 256 MB, so that it is not taken for the run's own memory.
asan=detect_leaks=1:abort_on_error=1:symbolize=1:quarantine_size_mb=64
export ASAN_OPTIONS=$asan
# In the timed runs an allocation keeps only its two nearest frames. Qt is
# built without frame pointers, so ASan's fast unwinder reads on past a Qt
# frame into stale stack words: every allocation through QByteArray then
# gets a stack of its own, and ASan's store of them grew by some 100 MB a
# minute, past the 512 MB limit, with nothing wrong in the program. A
# failing input is run again below with the full stacks.
timed_asan=$asan:malloc_context_size=2
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_SYMBOLIZER_PATH=${ASAN_SYMBOLIZER_PATH:-/usr/lib/llvm-14/bin/llvm-symbolizer}
limits=(-timeout=1 -rss_limit_mb=512 -malloc_limit_mb=512 -detect_leaks=1)

failed=0
echo "== regression pass over the seeds"
for n in "${names[@]}"; do
  if "$build/tests/fuzz/$n" "${limits[@]}" "$seeds/$n"/* >"$out/$n.regression.log" 2>&1; then
    printf '%-22s %3d seeds ok\n' "$n" "$(ls "$seeds/$n" | wc -l)"
  else
    printf '%-22s FAILED (%s)\n' "$n" "$out/$n.regression.log"
    failed=1
  fi
done

echo "== fuzzing ${per} s each, ${jobs} at once"
fuzz_one() {
  local n=$1
  mkdir -p "$out/corpus/$n"
  local rc=0
  ASAN_OPTIONS=$timed_asan "$build/tests/fuzz/$n" "${limits[@]}" -max_total_time="$per" -print_final_stats=1 \
    -artifact_prefix="$out/artifacts/$n-" "$out/corpus/$n" "$seeds/$n" >"$out/$n.log" 2>&1 || rc=$?
  echo "$rc" >"$out/status/$n"
}
running=0
for n in "${names[@]}"; do
  fuzz_one "$n" &
  running=$((running + 1))
  if ((running >= jobs)); then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

printf '%-22s %12s %8s %8s  %s\n' fuzzer executions cov ft result
for n in "${names[@]}"; do
  rc=$(cat "$out/status/$n" 2>/dev/null || echo missing)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$n.log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$out/$n.log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$out/$n.log" | tail -1 | cut -d' ' -f2)
  result=ok
  if [[ "$rc" != 0 ]]; then
    result="FAILED ($out/$n.log; input in $out/artifacts)"
    failed=1
  fi
  printf '%-22s %12s %8s %8s  %s\n' "$n" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$result"
done

# What a failure was, where it shows in a CI log: the fuzzer's last words,
# and each failing input run again with full stacks, then shown in hex.
for n in "${names[@]}"; do
  [[ "$(cat "$out/status/$n" 2>/dev/null || echo missing)" == 0 ]] && continue
  echo "== $n: the end of $out/$n.log"
  tail -n 40 "$out/$n.log" | grep -v -e '^#[0-9]' || true
  for input in "$out/artifacts/$n-"*; do
    [[ -f "$input" ]] || continue
    echo "== $n: $input run again"
    "$build/tests/fuzz/$n" "${limits[@]}" "$input" 2>&1 | tail -n 60 || true
    echo "== $n: $input ($(stat -c %s "$input") bytes, first 4 KiB in hex)"
    head -c 4096 "$input" | od -A d -t x1z -v | head -n 260
  done
done
exit "$failed"
