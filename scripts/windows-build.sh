#!/usr/bin/env bash
# windows-build.sh: cross-builds the four component DLLs for 64-bit and 32-bit
# Windows with mingw-w64 (build-win64/bin, build-win32/bin) and checks them
# (exports, imports, and on 32 bits the calling convention). As root on
# Debian 12 it installs what it needs (scripts/setup.sh). Each DLL's type
# library is compiled by widl from the interface definition the build
# generates from the component's description; the generator is a small host
# program that each cross-build makes first with the host's compiler
# (com/idlgen, build-win64/idlgen/).
# Work in progress: the DLLs have no Windows platform yet; with --test,
# scripts/windows-test.sh registers them under Wine (wine64) and reads their
# type libraries back.
set -euo pipefail
cd "$(dirname "$0")/.."
run_test=0
[ "${1:-}" = --test ] && run_test=1
pkgs=(mingw-w64 python3 wine64-tools libwine-dev)
[ $run_test = 0 ] || pkgs+=(wine64)
bash scripts/setup.sh "${pkgs[@]}"
for arch in x86_64 i686; do
  dir=build-win$([ $arch = x86_64 ] && echo 64 || echo 32)
  bash scripts/build.sh "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-$arch.cmake -DCMAKE_BUILD_TYPE=Release
  python3 scripts/check-windows-dlls.py "$dir" $arch-w64-mingw32
done
[ $run_test = 0 ] || bash scripts/windows-test.sh
