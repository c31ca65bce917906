#!/usr/bin/env bash
# windows-test.sh [BUILD_DIR]: the 64-bit component DLLs under Wine, in a
# Wine prefix of its own. Registers each with regsvr32 and reads every key
# back, registers a moved copy again (the class then names the copy),
# checks each DLL's type library with tests/windows/typelib_client.exe (by
# the DLL's path, and by program identifier once registered), unregisters
# with regsvr32 /u and checks that no key is left. Exits 77 with a message
# when wine64 cannot start. Run by scripts/windows-build.sh --test.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-win64}
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
server=$(command -v wineserver || echo /usr/lib/wine/wineserver)
if [ ! -x "$wine" ]; then echo "skipped: wine64 is not installed"; exit 77; fi

base=$(mktemp -d)
export WINEPREFIX="$base/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  "$server" -k 2>/dev/null || true
  [ -z "${xvfb_pid:-}" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$base"
}
trap cleanup EXIT
if ! "$wine" wineboot -i >"$base/wineboot.log" 2>&1; then
  echo "skipped: wine64 cannot start a prefix:"; cat "$base/wineboot.log"; exit 77
fi

fails=0
ok() { echo "ok    $*"; }
fail() { echo "FAIL  $*"; fails=$((fails + 1)); }
win() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
# The string value of KEY (NAME, or the default value), empty when missing.
value() {
  local opt=(/ve); [ $# -gt 1 ] && opt=(/v "$2")
  "$wine" reg query "$1" "${opt[@]}" 2>/dev/null | tr -d '\r' | sed -n 's/^ .*REG_SZ    //p' || true
}
expect() {  # KEY NAME|"" WANTED
  local got; if [ -n "$2" ]; then got=$(value "$1" "$2"); else got=$(value "$1"); fi
  if [ "$got" = "$3" ]; then ok "$1${2:+ $2} = $3"; else fail "$1${2:+ $2} is '$got', expected '$3'"; fi
}
gone() {
  if "$wine" reg query "$1" >/dev/null 2>&1; then fail "$1 is left behind"; else ok "$1 is gone"; fi
}

libid='{84FB2748-F8EF-11D3-96A1-009099162206}'
# Library, class, class id, interface id, version, hexadecimal version (the
# type library's key), method count, first and last method, a by-reference
# parameter's default (-: none has one).
components=(
  "VexoDX7Draw DX7Draw {D81D90D2-4865-11D4-96A2-009099162206} {5CDD21CA-ABA0-11D4-96A2-009099162206} 19 13 39 DDTextOut DDPrimarySetPalette ,FeedDarkOutEx.FeedOutValue=128"
  "VexoDX7Input DXInput {73A01E45-18A9-11D4-96A2-009099162206} {73A01E44-18A9-11D4-96A2-009099162206} 16 10 10 DirectKeyCodeShow DIJoyStickCount -"
  "VexoDX7Sound DX7Sound {73A01E57-18A9-11D4-96A2-009099162206} {73A01E56-18A9-11D4-96A2-009099162206} 17 11 10 DsSetFormat DsSetup ,DsSetup.SamplesHz=22050"
  "VexoDX7Music DXMusic {73A01E51-18A9-11D4-96A2-009099162206} {73A01E50-18A9-11D4-96A2-009099162206} 17 11 8 DMPlay DMDestroySegment ,DMSetVolume.VolumeSize=-5000"
)
bin=$(win "$(cd "$dir" && pwd)/bin")
client="$dir/bin/typelib_client.exe"
args=()
for c in "${components[@]}"; do
  read -r lib cls clsid iid major hex n first last def <<<"$c"
  args+=("$bin\\$lib.dll,_$cls,$n,$major.0,$first,$last${def#-}")
done

echo "== type libraries by the DLLs' paths"
"$wine" "$client" "${args[@]}" || fails=$((fails + 1))

# Everything below the classes roots before registering, to compare with
# what unregistering leaves.
snapshot() {
  for r in HKLM HKCU; do
    "$wine" reg export "$r\Software\Classes" "$(win "$base/$r-$1.reg")" /y >/dev/null 2>&1 ||
      echo "(no key)" >"$base/$r-$1.reg"
  done
}
# The per-user classes root as a user's has it (a fresh prefix has none).
"$wine" reg add 'HKCU\Software\Classes\CLSID' /f >/dev/null
snapshot before

# A stale per-user registration of the graphics class, from an old place:
# it would hide the machine's from this user, so registering removes it.
U='HKCU\Software\Classes'
"$wine" reg add "$U\CLSID\{D81D90D2-4865-11D4-96A2-009099162206}\InprocServer32" /ve /d 'C:\old\VexoDX7Draw.dll' /f >/dev/null
"$wine" reg add "$U\VexoDX7Draw.DX7Draw\CLSID" /ve /d '{D81D90D2-4865-11D4-96A2-009099162206}' /f >/dev/null
expect "$U\CLSID\{D81D90D2-4865-11D4-96A2-009099162206}\InprocServer32" "" 'C:\old\VexoDX7Draw.dll'

echo "== regsvr32"
for c in "${components[@]}"; do
  read -r lib cls clsid iid major hex n first last def <<<"$c"
  if "$wine" regsvr32 /s "$bin\\$lib.dll"; then ok "regsvr32 $lib.dll"; else fail "regsvr32 $lib.dll"; fi
done
# Wine's processes may write the machine's keys, so registration lands there.
R='HKLM\Software\Classes'
for c in "${components[@]}"; do
  read -r lib cls clsid iid major hex n first last def <<<"$c"
  k="$R\\CLSID\\$clsid"
  expect "$k" "" "$cls"
  expect "$k\\InprocServer32" "" "$bin\\$lib.dll"
  expect "$k\\InprocServer32" ThreadingModel Apartment
  expect "$k\\ProgID" "" "$lib.$cls.$major"
  expect "$k\\VersionIndependentProgID" "" "$lib.$cls"
  expect "$k\\TypeLib" "" "$libid"
  expect "$k\\Version" "" "$major.0"
  expect "$R\\$lib.$cls.$major" "" "$cls"
  expect "$R\\$lib.$cls.$major\\CLSID" "" "$clsid"
  expect "$R\\$lib.$cls" "" "$cls"
  expect "$R\\$lib.$cls\\CLSID" "" "$clsid"
  expect "$R\\$lib.$cls\\CurVer" "" "$lib.$cls.$major"
  expect "$R\\Interface\\$iid\\TypeLib" "" "$libid"
done
expect "$R\\TypeLib\\$libid\\13.0\\0\\win64" "" "$bin\\VexoDX7Draw.dll"
expect "$R\\TypeLib\\$libid\\10.0\\0\\win64" "" "$bin\\VexoDX7Input.dll"
# Sound and music share the identifier and version 17.0: the later
# registration names its own file.
expect "$R\\TypeLib\\$libid\\11.0\\0\\win64" "" "$bin\\VexoDX7Music.dll"

gone "$U\CLSID\{D81D90D2-4865-11D4-96A2-009099162206}"
gone "$U\VexoDX7Draw.DX7Draw"

echo "== by program identifier"
"$wine" "$client" --registered "${args[@]}" | grep -v '^ok' || true
if "$wine" "$client" --registered "${args[@]}" >/dev/null; then ok "client --registered"; else fail "client --registered"; fi

echo "== a moved copy registers again"
mkdir -p "$base/moved"
cp "$dir/bin/VexoDX7Draw.dll" "$base/moved/"
moved=$(win "$base/moved/VexoDX7Draw.dll")
if "$wine" regsvr32 /s "$moved"; then ok "regsvr32 the moved copy"; else fail "regsvr32 the moved copy"; fi
expect "$R\\CLSID\\{D81D90D2-4865-11D4-96A2-009099162206}\\InprocServer32" "" "$moved"
expect "$R\\TypeLib\\$libid\\13.0\\0\\win64" "" "$moved"
expect "$R\\VexoDX7Draw.DX7Draw\\CurVer" "" "VexoDX7Draw.DX7Draw.19"

echo "== regsvr32 /u (the graphics library from its first place)"
for c in "${components[@]}"; do
  read -r lib cls clsid iid major hex n first last def <<<"$c"
  if "$wine" regsvr32 /s /u "$bin\\$lib.dll"; then ok "regsvr32 /u $lib.dll"; else fail "regsvr32 /u $lib.dll"; fi
done
for root in 'HKLM\Software\Classes' 'HKCU\Software\Classes'; do
  for c in "${components[@]}"; do
    read -r lib cls clsid iid major hex n first last def <<<"$c"
    gone "$root\\CLSID\\$clsid"
    gone "$root\\$lib.$cls.$major"
    gone "$root\\$lib.$cls"
    gone "$root\\Interface\\$iid"
  done
  gone "$root\\TypeLib\\$libid"
done

snapshot after
for r in HKLM HKCU; do
  if cmp -s "$base/$r-before.reg" "$base/$r-after.reg"; then
    ok "$r\Software\Classes is as it was before registering ($(wc -c <"$base/$r-after.reg") bytes exported)"
  else
    fail "$r\Software\Classes differs from before registering:"
    diff <(iconv -f UTF-16 -t UTF-8 "$base/$r-before.reg" 2>/dev/null || cat "$base/$r-before.reg") \
         <(iconv -f UTF-16 -t UTF-8 "$base/$r-after.reg" 2>/dev/null || cat "$base/$r-after.reg") | head -20 || true
  fi
done

echo "== platform programs (Wine's DirectX 7 and Win32 on Xvfb)"
# Wine's DirectSound wants an audio device: ALSA's null device serves.
export HOME="$base/home"
mkdir -p "$HOME"
printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' >"$HOME/.asoundrc"
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  exec 3< <(Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp 4>&1 2>/dev/null)
  xvfb_pid=$!
  read -r -t 20 number <&3 && export DISPLAY=":$number"
fi
for program in "$dir"/bin/platform_*.exe; do
  [ -e "$program" ] || continue
  name=$(basename "$program" .exe)
  if "$wine" "$program" >"$base/$name.log" 2>&1; then
    ok "$name ($(grep -c '^ok' "$base/$name.log") checks)"
  else
    fail "$name:"; grep -v '^ok' "$base/$name.log" | head -40
  fi
done

echo "== pixel peer check (the same scenarios on the software platform and on Wine's DirectDraw)"
# The Linux twin is drawn from the cross-build's host tree (VEXO_PEER_LINUX
# names another peer_scenarios program); the two outputs are compared pixel
# for pixel, the differences listed in tests/peer/known-differences.txt
# allowed with their causes.
if [ -e "$dir/bin/peer_scenarios.exe" ]; then
  peer_linux=${VEXO_PEER_LINUX:-}
  if [ -z "$peer_linux" ]; then
    host=$(sed -n 's/^VEXO_HOST_BUILD_DIR:[A-Z]*=//p' "$dir/CMakeCache.txt")
    if [ -n "$host" ] && [ -f "$host/build.ninja" ] &&
       cmake --build "$host" -j2 --target peer_scenarios >"$base/peer-build.log" 2>&1; then
      peer_linux=$host/bin/peer_scenarios
    else
      cat "$base/peer-build.log" 2>/dev/null | tail -20 || true
    fi
  fi
  if [ -z "$peer_linux" ] || [ ! -x "$peer_linux" ]; then
    fail "peer check: no Linux peer_scenarios (set VEXO_PEER_LINUX or VEXO_HOST_BUILD_DIR)"
  elif ! VEXO_BACKEND=headless SDL_AUDIODRIVER=dummy "$peer_linux" "$base/peer-linux.txt" 2>"$base/peer-linux.log"; then
    fail "peer check: the Linux scenarios:"; grep -v '^ok' "$base/peer-linux.log" | head -20
  elif ! "$wine" "$dir/bin/peer_scenarios.exe" "$(win "$base")\\peer-windows.txt" 2>"$base/peer-windows.log" </dev/null; then
    fail "peer check: the Windows scenarios:"; grep -v '^ok' "$base/peer-windows.log" | head -20
  elif python3 scripts/peer-compare.py "$base/peer-linux.txt" "$base/peer-windows.txt" tests/peer/known-differences.txt \
       >"$base/peer-compare.log"; then
    ok "peer check: $(grep -c identical "$base/peer-compare.log") scenarios identical, $(grep -c 'known:' "$base/peer-compare.log") known differences"
    grep 'known:' "$base/peer-compare.log" | sed 's/^ok    /      /' || true
  else
    fail "peer check:"; grep -v '^ok' "$base/peer-compare.log"
  fi
fi

echo "== $fails failure(s)"
[ $fails = 0 ]
