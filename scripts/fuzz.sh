#!/usr/bin/env bash
# fuzz.sh [seconds] [target...]: builds the libFuzzer targets with clang-16
# (AddressSanitizer and UndefinedBehaviorSanitizer) in build-fuzz and runs
# each named target, or every one, for the given seconds (default 20).
# A crash, a leak, a timeout or an input past the memory caps fails the run;
# the input is saved in build-fuzz/crashes/ and the log in build-fuzz/logs/.
# Each target starts from its seeds in fuzz/corpus/<target>/ and keeps what
# it finds in build-fuzz/corpus/<target>/ for the next run.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-20}; shift || true
out=${VEXO_FUZZ_DIR:-build-fuzz}
command -v clang++-16 >/dev/null && command -v llvm-symbolizer-16 >/dev/null || bash scripts/setup.sh
CC=clang-16 CXX=clang++-16 bash scripts/build.sh "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXO_FUZZ=ON \
  -DVEXO_TESTS=OFF -DVEXO_BENCHMARKS=OFF
targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < "$out/fuzz/targets.txt"
mkdir -p "$out/crashes" "$out/logs"
export VEXO_BACKEND=headless SDL_AUDIODRIVER=dummy
export ASAN_SYMBOLIZER_PATH=${ASAN_SYMBOLIZER_PATH:-$(command -v llvm-symbolizer-16 || true)}
# ASan keeps up to 256 MB of freed memory in quarantine by default, which
# would count against -rss_limit_mb beside a load at its documented cap.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:quarantine_size_mb=64}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=()
for t in "${targets[@]}"; do
  [ -n "$t" ] || continue
  work="$out/corpus/$t"; mkdir -p "$work"
  args=(-max_total_time="$secs" -rss_limit_mb=512 -malloc_limit_mb=300 -timeout=25
        -print_final_stats=1 -artifact_prefix="$out/crashes/$t-")
  [ -f "fuzz/dict/$t.dict" ] && args+=(-dict="fuzz/dict/$t.dict")
  status=0
  "$out/fuzz/$t" "${args[@]}" "$work" "fuzz/corpus/$t" > "$out/logs/$t.log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/logs/$t.log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$out/logs/$t.log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$out/logs/$t.log" | tail -1 | cut -d' ' -f2)
  rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$out/logs/$t.log" | tail -1)
  echo "$t: ${execs:-?} executions in $secs s, ${cov:-?} edges, ${ft:-?} features, peak ${rss:-?} MB," \
       "$(ls "$work" | wc -l) inputs kept, status $status"
  if [ $status != 0 ]; then
    failed+=("$t")
    grep -E 'ERROR|SUMMARY|Test unit written|runtime error' "$out/logs/$t.log" | head -20 || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]} (inputs in $out/crashes/, logs in $out/logs/)"
  exit 1
fi
