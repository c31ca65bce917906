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
  [ -n "${VEXO_KEEP_WINE_TEST:-}" ] || rm -rf "$base"
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
# The prefix's desktop process started without a display and would refuse
# every window; ending the server lets the programs start one on this display.
"$server" -k 2>/dev/null || true
"$server" -w 2>/dev/null || true
for program in "$dir"/bin/platform_*.exe; do
  [ -e "$program" ] || continue
  name=$(basename "$program" .exe)
  if "$wine" "$program" >"$base/$name.log" 2>&1; then
    ok "$name ($(grep -c '^ok' "$base/$name.log") checks)"
  else
    fail "$name:"; grep -v '^ok' "$base/$name.log" | head -40
  fi
done

echo "== scripts: Wine's cscript drives the four objects; a C++ client of both halves"
# The typical run of a game in VBScript, twice: objects made with CreateObject,
# then through the helper object, which also checks that every library can
# unload once the script released everything (Wine 8's CreateObject keeps
# each class factory, so that run cannot show it). Then a shorter JScript
# run. The helper (tests/windows/helper) gives the scripts a window; it is
# registered here only. A crash must end the run, not wait in a debugger.
scripts=tests/windows/scripts
helper="$dir/tests/windows/VexoScriptHelper.dll"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winedbg.exe=d"
assets="$base/assets"
mkdir -p "$assets"
python3 - "$assets" <<'PY'
import struct, sys, wave
out = sys.argv[1]
# 16 x 16, 24 bits, bottom-up rows: blue, with a magenta top-left pixel (the colour key).
rows = [b''.join(bytes([255, 0, 255]) if (x, y) == (0, 0) else bytes([255, 0, 0]) for x in range(16))
        for y in range(16)]
pixels = b''.join(reversed(rows))
with open(out + '/sprite.bmp', 'wb') as f:
    f.write(b'BM' + struct.pack('<IHHI', 54 + len(pixels), 0, 0, 54) +
            struct.pack('<IiiHHIIiiII', 40, 16, 16, 1, 24, 0, len(pixels), 2835, 2835, 0, 0) + pixels)
# A tenth of a second of square wave, 22050 Hz, 8 bits, mono.
w = wave.open(out + '/beep.wav', 'wb')
w.setnchannels(1), w.setsampwidth(1), w.setframerate(22050)
w.writeframes(bytes(188 if (i // 25) % 2 else 68 for i in range(2205)))
w.close()
# One note, format 0.
track = bytes([0, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 0, 0, 0xFF, 0x2F, 0])
with open(out + '/tune.mid', 'wb') as f:
    f.write(b'MThd' + struct.pack('>IHHH', 6, 0, 1, 480) + b'MTrk' + struct.pack('>I', len(track)) + track)
PY
registered=1
for c in "${components[@]}"; do
  read -r lib cls clsid iid major hex n first last def <<<"$c"
  "$wine" regsvr32 /s "$bin\\$lib.dll" || { fail "regsvr32 $lib.dll for the scripts"; registered=0; }
done
hclsid='{0E7C5B1A-6D2F-4C1E-9A3B-5F8D2C4E7A10}'
"$wine" reg add "$R\\CLSID\\$hclsid\\InprocServer32" /ve /d "$(win "$(cd "$(dirname "$helper")" && pwd)/VexoScriptHelper.dll")" /f >/dev/null
"$wine" reg add "$R\\CLSID\\$hclsid\\InprocServer32" /v ThreadingModel /d Apartment /f >/dev/null
"$wine" reg add "$R\\VexoTest.ScriptHelper\\CLSID" /ve /d "$hclsid" /f >/dev/null
# RUN NAME EXPECTED-FILE PROGRAM ARGS...: the lines the script printed against
# those it must print (cscript reports a script error only by stopping).
run_script() {
  local name=$1 expected=$2; shift 2
  local start end
  start=$(date +%s.%N)
  timeout 180 "$wine" cscript //nologo "$@" 2>"$base/$name.err" | tr -d '\r' >"$base/$name.out" || true
  end=$(date +%s.%N)
  local took
  took=$(awk "BEGIN { printf \"%.1f\", $end - $start }")
  if diff -u "$expected" "$base/$name.out" >"$base/$name.diff"; then
    ok "$name: $(wc -l <"$base/$name.out") lines as expected ($took s)"
  else
    fail "$name, $took s (+ printed, - expected):"; tail -n +3 "$base/$name.diff" | head -40
    grep -v '^fixme' "$base/$name.err" | head -5 || true
  fi
}
if [ $registered = 1 ] && [ -f "$helper" ]; then
  vbs=$(win "$PWD/$scripts/typical_run.vbs")
  run_script typical_run.vbs "$scripts/typical_run.expected" "$vbs" create "$(win "$assets")"
  { sed '$d' "$scripts/typical_run.expected"
    for lib in VexoDX7Draw VexoDX7Input VexoDX7Sound VexoDX7Music; do echo "$lib DllCanUnloadNow 0"; done
    for lib in VexoDX7Draw VexoDX7Input VexoDX7Sound VexoDX7Music; do echo "$lib still loaded: False"; done
    echo done; } >"$base/typical_run.helper.expected"
  run_script "typical_run.vbs (helper)" "$base/typical_run.helper.expected" "$vbs" helper "$(win "$assets")"
  run_script short_run.js "$scripts/short_run.expected" "$(win "$PWD/$scripts/short_run.js")" "$(win "$assets")"
  # Both halves of the dual interfaces from C++, while sound and music are
  # both registered under their shared library version.
  if timeout 120 "$wine" "$dir/bin/dual_client.exe" "$bin" >"$base/dual_client.log" 2>&1; then
    ok "dual_client ($(grep -c '^ok' "$base/dual_client.log") checks)"
  else
    fail "dual_client:"; grep -v '^ok' "$base/dual_client.log" | head -40
  fi
else
  fail "the scripts need the four DLLs registered and $helper built"
fi
for c in "${components[@]}"; do
  read -r lib cls clsid iid major hex n first last def <<<"$c"
  "$wine" regsvr32 /s /u "$bin\\$lib.dll" || fail "regsvr32 /u $lib.dll after the scripts"
done
"$wine" reg delete "$R\\CLSID\\$hclsid" /f >/dev/null 2>&1 || true
"$wine" reg delete "$R\\VexoTest.ScriptHelper" /f >/dev/null 2>&1 || true

echo "== pixel peer check (the same scenarios on the software platform and on Wine's DirectDraw)"
# The Linux twin comes from the Linux build tree build/ (built there when
# missing; VEXO_PEER_LINUX names another peer_scenarios program); the two
# outputs are compared pixel for pixel, the differences listed in
# tests/peer/known-differences.txt allowed with their causes.
if [ -e "$dir/bin/peer_scenarios.exe" ]; then
  peer_linux=${VEXO_PEER_LINUX:-}
  if [ -z "$peer_linux" ]; then
    if [ -f build/build.ninja ] &&
       cmake --build build -j2 --target peer_scenarios >"$base/peer-build.log" 2>&1; then
      peer_linux=$PWD/build/bin/peer_scenarios
    else
      tail -20 "$base/peer-build.log" 2>/dev/null || true
    fi
  fi
  if [ -z "$peer_linux" ] || [ ! -x "$peer_linux" ]; then
    fail "peer check: no Linux peer_scenarios (build the Linux tree build/, or set VEXO_PEER_LINUX)"
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
