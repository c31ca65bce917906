#!/usr/bin/env bash
# windows-idl.sh HOST_DIR [JOBS]: the interface definitions the Windows type
# libraries are compiled from, written by the Linux vexocom from the one
# description the Linux libraries hold. Builds vexocom and the four
# libraries in the Linux build tree HOST_DIR (configured when missing, those
# targets only, RelWithDebInfo like the Linux build: GCC 12 at -O3 warns
# falsely in com/ModelOwn.cpp) and writes HOST_DIR/idl/<Library>.idl; a file
# is replaced only when its text changes, so an unchanged interface compiles
# no type library again. The cross-builds run it on every build (VEXO_HOST_BUILD_DIR)
# with one job, beside their own; scripts/windows-build.sh runs it first with
# all cores.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
host=$1
jobs=${2:-$(nproc)}
[ -f "$host/build.ninja" ] ||
  cmake -S "$src" -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXO_TESTS=OFF -DVEXO_BENCHMARKS=OFF >/dev/null
cmake --build "$host" -j"$jobs" --target vexocom VexoDX7Draw VexoDX7Input VexoDX7Sound VexoDX7Music |
  grep -v '^ninja: no work to do' || true
mkdir -p "$host/idl"
reg="$(mktemp -d)"
trap 'rm -rf "$reg"' EXIT
export VEXO_REGISTRY="$reg" VEXO_BACKEND=headless SDL_AUDIODRIVER=dummy
for c in VexoDX7Draw.DX7Draw VexoDX7Input.DXInput VexoDX7Sound.DX7Sound VexoDX7Music.DXMusic; do
  lib=${c%%.*}
  "$host/bin/vexocom" register "$host/lib/lib$lib.so" >/dev/null
  "$host/bin/vexocom" idl $c >"$reg/$lib.idl"
  cmp -s "$reg/$lib.idl" "$host/idl/$lib.idl" || cp "$reg/$lib.idl" "$host/idl/$lib.idl"
done
