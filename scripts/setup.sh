#!/usr/bin/env bash
# Installs every package the build, the tests and the demo need (Debian 12, as root),
# and any further packages named as arguments.
set -euo pipefail
# The Windows part of the tests: mingw-w64 cross-builds, widl and Wine's IDL
# files (wine64-tools, libwine-dev) make the type libraries, wine64 runs the
# tests, python3 runs scripts/check-windows-dlls.py.
# xfonts-base: SDL's X11 message box draws with the X core fonts, which Xvfb
# only recommends; without them no dialog can open. dpkg-dev: cpack's .deb
# reads its library dependencies with dpkg-shlibdeps. clang-16 and
# libclang-rt-16-dev: libFuzzer and its sanitizer runtimes (scripts/fuzz.sh);
# llvm-16 gives their reports a symbolizer. (scripts/tsan.sh uses gcc's own.)
pkgs=(build-essential dpkg-dev cmake ninja-build pkg-config git
      libsdl2-dev libsndfile1-dev libfluidsynth-dev timgm6mb-soundfont
      libstb-dev libfreetype-dev libfontconfig-dev fonts-vlgothic fonts-dejavu-core
      libgtest-dev libgmock-dev googletest libbenchmark-dev
      xvfb xfonts-base x11-apps imagemagick sox
      libx11-dev libxi-dev libxtst-dev libsoxr-dev doxygen
      mingw-w64 wine64 wine64-tools libwine-dev python3
      clang-16 libclang-rt-16-dev llvm-16
      "$@")
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
