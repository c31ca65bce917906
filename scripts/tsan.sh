#!/usr/bin/env bash
# tsan.sh [DIR]: builds the sound, music and input tests with ThreadSanitizer
# (into DIR, default build-tsan) and runs them; any race report fails the run.
# These are the areas where an audio, clock or joystick thread meets the game
# thread. gcc's runtime is used: it comes with the compiler and symbolizes
# without llvm-symbolizer.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-tsan}
start=$SECONDS
cmake -S . -B "$dir" -G Ninja -DVEXO_SANITIZE=thread -DVEXO_BENCHMARKS=OFF >/dev/null
regex='^test_(sound|music|midi|input)_'
mapfile -t tests < <(cd "$dir" && ctest -N -R "$regex" | sed -n 's/^ *Test *#[0-9]*: *//p')
[ ${#tests[@]} -gt 0 ] || { echo "tsan.sh: no tests match $regex" >&2; exit 1; }
cmake --build "$dir" -j"${VEXO_JOBS:-$(nproc)}" --target "${tests[@]}"

export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp"
# Where the kernel randomises mappings more than the runtime expects, TSan
# stops at start with "unexpected memory mapping"; the tests then run with
# randomisation off.
run=()
probe=$("$dir/bin/${tests[0]}" --gtest_list_tests 2>&1 || true)
if grep -q "unexpected memory mapping" <<<"$probe"; then
  echo "tsan.sh: address-space randomisation too strong for TSan; running under setarch -R"
  run=(setarch "$(uname -m)" -R)
fi
(cd "$dir" && "${run[@]}" ctest --output-on-failure -j"${VEXO_JOBS:-$(nproc)}" -R "$regex")
echo "ThreadSanitizer run: $((SECONDS - start)) s"
