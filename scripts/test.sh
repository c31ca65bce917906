#!/usr/bin/env bash
# Builds the reference, then builds and runs every test: once as a normal
# build, once with AddressSanitizer and UndefinedBehaviorSanitizer, and the
# sound, music and input tests once more with ThreadSanitizer; runs each fuzz
# target for 20 s (scripts/fuzz.sh); then the
# Windows part: both cross-builds (64 and 32 bits, checked by
# scripts/check-windows-dlls.py) and scripts/windows-test.sh under Wine,
# which is skipped with a message where wine64 cannot start.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# The reference: any undocumented public member fails the run.
bash scripts/reference.sh build/reference
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd build && ctest --output-on-failure -j2)
# Installs the plain build into a temporary prefix and builds a game against it.
bash scripts/consumer-check.sh build
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVEXO_SANITIZE=ON -DVEXO_BENCHMARKS=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j2)
unset ASAN_OPTIONS UBSAN_OPTIONS
# The sound, music and input tests under ThreadSanitizer: their audio,
# clock and joystick threads meet the game thread.
bash scripts/tsan.sh build-tsan
# A smoke run of every fuzz target, 20 s each: a crash fails the run and its
# input is kept in build-fuzz/crashes/.
bash scripts/fuzz.sh 20

# Each cross-build makes its own host generator of the interface
# definitions and typed headers; nothing of the Linux trees is needed.
start=$SECONDS
for arch in x86_64 i686; do
  dir=build-win$([ $arch = x86_64 ] && echo 64 || echo 32)
  bash scripts/build.sh "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-$arch.cmake -DCMAKE_BUILD_TYPE=Release
  python3 scripts/check-windows-dlls.py "$dir" $arch-w64-mingw32
done
status=0
bash scripts/windows-test.sh "$PWD/build-win64" || status=$?
echo "Windows part: $((SECONDS - start)) s"
if [ $status = 77 ]; then
  echo "Windows tests skipped: wine64 cannot start here"
elif [ $status != 0 ]; then
  exit $status
fi
