#!/usr/bin/env bash
# consumer-check.sh BUILD_DIR | --installed PREFIX
#
# With BUILD_DIR: installs that built tree into a temporary prefix and moves
# the prefix (the installed paths must not name where it was made). With
# --installed: takes Vexo as installed in PREFIX (by the .deb: /usr).
# Then compiles every installed header in one file with no other include
# path (none may reach for a header that was not installed), builds
# examples/consumer against the prefix twice (find_package and pkg-config),
# runs each headless and checks the picture it saves: its size, and the
# ball, its colour key and its eye where the Right arrow moved it, the tune
# (which needs the sound font) and the title (which needs a font); and runs
# the installed demo and vexocom.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ "${1:-}" = --installed ]; then
  prefix=$2
else
  build=$(cd "$1" && pwd)
  cmake --install "$build" --prefix "$work/made" >/dev/null
  mv "$work/made" "$work/prefix"
  prefix=$work/prefix
fi
pcdir=
for d in "$prefix"/lib/pkgconfig "$prefix"/lib/*/pkgconfig "$prefix"/lib64/pkgconfig; do
  [ -f "$d/vexo-draw.pc" ] && pcdir=${pcdir:-$d}
done
[ -n "$pcdir" ] || { echo "consumer-check: no vexo-draw.pc under $prefix/lib" >&2; exit 1; }

for h in $(cd "$prefix/include" && find vexo -name '*.h' | sort); do echo "#include \"$h\""; done > "$work/all.cpp"
c++ -std=c++20 -Wall -Wextra -Werror -fsyntax-only -I"$prefix/include" -I"$prefix/include/vexo" "$work/all.cpp"

export VEXO_BACKEND=headless SDL_AUDIODRIVER=dummy
# Held for 10 frames at 4 pixels a frame from x 40: the 32-pixel ball ends at (80, 100).
check() {
  local how=$1 png=$2 x=80 y=100
  local size
  size=$(identify -format '%w x %h' "$png")
  [ "$size" = "320 x 240" ] || { echo "consumer-check ($how): $png is $size, not 320 x 240" >&2; exit 1; }
  pixel() { convert "$png" -crop "1x1+$1+$2" -depth 8 txt:- | grep -o '#[0-9A-Fa-f]\{6\}' | head -1; }
  expect() {
    local got
    got=$(pixel "$1" "$2")
    [ "$got" = "$3" ] || { echo "consumer-check ($how): pixel $1,$2 of $png is $got, not $3 ($4)" >&2; exit 1; }
  }
  expect $((x + 16)) $((y + 16)) '#FF0000' "the ball's middle"
  expect $((x + 22)) $((y + 10)) '#FFFFFF' "the ball's eye, upper right"
  expect $((x + 1)) $((y + 1)) '#0000A0' "the ball's corner, keyed out"
  expect 56 116 '#0000A0' "where the ball started"
  # The title, drawn in a font fontconfig found: none at all shows no text.
  local text
  text=$(convert "$png" -crop 72x24+4+4 +repage -format %c histogram:info:- | awk '/#FFFF00/ {print $1+0}')
  [ "${text:-0}" -ge 30 ] || { echo "consumer-check ($how): no title in $png (${text:-0} text pixels): no font found?" >&2; exit 1; }
  echo "consumer-check ($how): $png 320 x 240, ball moved to $x,$y, title of $text pixels"
}
run() {
  "$1" --frames 20 --hold-right 10 --png "$2" --assets "$work/assets" >"$work/run.log" 2>&1 ||
    { cat "$work/run.log" >&2; exit 1; }
  grep -q 'music: tune playing' "$work/run.log" || { cat "$work/run.log" >&2; echo "consumer-check: no tune" >&2; exit 1; }
  grep -q 'sound: beep played' "$work/run.log" || { cat "$work/run.log" >&2; echo "consumer-check: no sound" >&2; exit 1; }
}

cmake -S "$src/examples/consumer" -B "$work/by-cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/by-cmake" >/dev/null
run "$work/by-cmake/vexo-consumer" "$work/cmake.png"
check find_package "$work/cmake.png"

mkdir "$work/by-make"
PKG_CONFIG_PATH="$pcdir" make -s -C "$work/by-make" -f "$src/examples/consumer/Makefile" >/dev/null
run "$work/by-make/vexo-consumer" "$work/make.png"
check pkg-config "$work/make.png"

# The installed demo, with its objects made through a registry of its own.
(unset VEXO_REGISTRY; export HOME="$work/home" XDG_DATA_HOME=
 "$prefix/bin/vexo-demo" --activate --frames 3 --png "$work/demo.png" --assets "$work/assets" >"$work/demo.log" 2>&1) ||
  { cat "$work/demo.log" >&2; exit 1; }
grep -q '4 objects created by program identifier' "$work/demo.log"
"$prefix/bin/vexocom" --help | grep -q '^  register'
echo "consumer-check: the installed demo and vexocom run from $prefix"
