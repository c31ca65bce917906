#!/usr/bin/env bash
# Builds the reference, then builds and runs every test: once as a normal
# build, once with AddressSanitizer and UndefinedBehaviorSanitizer.
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
