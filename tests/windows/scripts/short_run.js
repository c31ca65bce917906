// A shorter run in JScript, which passes every argument by value: sound,
// music, a key name, a raised error caught as an exception.
//   cscript //nologo short_run.js DIR      (DIR holds beep.wav)
// scripts/windows-test.sh compares the lines with short_run.expected.
var dir = WScript.Arguments(0);
var h = new ActiveXObject("VexoTest.ScriptHelper");
var s = new ActiveXObject("VexoDX7Sound.DX7Sound");
WScript.Echo("DsSetup " + s.DsSetup(h.hWnd));
WScript.Echo("DsCreate " + s.DsCreate(0, dir + "\\beep.wav", 3));
WScript.Echo("DsPlayLooping " + s.DsPlayLooping(0) + ", DsStop " + s.DsStop(0));
try {
    s.DsFree(100);
    WScript.Echo("DsFree 100 raised nothing");
} catch (e) {
    WScript.Echo("DsFree 100 raised " + (e.number & 0xFFFF) + " (0x" + (e.number >>> 0).toString(16) + "): " +
                 e.description);
}
var m = new ActiveXObject("VexoDX7Music.DXMusic");
WScript.Echo("DMSetVolume " + m.DMSetVolume(5) + ", DMSetTempo " + m.DMSetTempo(5, 1.5));
var i = new ActiveXObject("VexoDX7Input.DXInput");
WScript.Echo("DirectKeyCodeShow(1) '" + i.DirectKeyCodeShow(1) + "'");
s.DsClose();
s = null;
m = null;
i = null;
WScript.Echo("done");
