' The typical run of a game, as a script: the four objects by program
' identifier, a display on a real window, a sprite from a bitmap file with its
' colour key, text on the back buffer, a flip; the keyboard; a sound; a piece
' of music; a raised error; everything released.
'   cscript //nologo typical_run.vbs MODE DIR
' MODE "create" makes the objects with CreateObject, "helper" through the
' helper object (see tests/windows/helper/ScriptHelper.cpp), and then also
' checks that the libraries can unload. DIR holds sprite.bmp, beep.wav and
' tune.mid. One line per result; scripts/windows-test.sh compares them with
' typical_run.expected. A failing step prints what it raised and the run goes
' on, so that the objects are still released at the end.
Option Explicit
Dim mode, dir, h, hwnd, before, d, i, s, m, bb, spr, hdc, text, hz, bits, ch, slot, copies, lib
mode = WScript.Arguments(0)
dir = WScript.Arguments(1)
Set h = CreateObject("VexoTest.ScriptHelper")

Function Make(progid)
  If mode = "helper" Then
    Set Make = h.Create(progid)
  Else
    Set Make = CreateObject(progid)
  End If
End Function

Sub Out(line)
  WScript.Echo line
End Sub

' After each step: what it raised, if anything (the step's own line is then
' missing).
Sub Check(stepName)
  If Err.Number <> 0 Then Out "  " & stepName & " raised " & Err.Number & ": " & Err.Description
  Err.Clear
End Sub

On Error Resume Next

hwnd = h.hWnd
Check "hWnd"
before = h.ClientWidth & "x" & h.ClientHeight
Check "ClientWidth"

Set d = Make("VexoDX7Draw.DX7Draw")
Check "Make VexoDX7Draw.DX7Draw"
Set bb = d.DDSetup(hwnd, 640, 480, 0)
Check "DDSetup"
Out "DDSetup returns the back buffer: " & (Not bb Is Nothing)
Out "client area " & h.ClientWidth & "x" & h.ClientHeight
Check "ClientWidth"
Out "back buffer " & d.DDGetSurfaceWidth(bb) & "x" & d.DDGetSurfaceHeight(bb)
Check "DDGetSurfaceWidth"
Set spr = d.DDCreateSurfaceFromFile(dir & "\sprite.bmp")
Check "DDCreateSurfaceFromFile"
Out "sprite " & d.DDGetSurfaceWidth(spr) & "x" & d.DDGetSurfaceHeight(spr)
Check "DDGetSurfaceWidth"
Out "DDBltFast " & d.DDBltFast(spr, bb, 0, 0, 0, 0, 8, 8, True)
Check "DDBltFast"
hdc = h.SurfaceDC(bb)
Check "SurfaceDC"
' The sprite's top-left pixel is its colour key: the cleared black stays.
Out "key pixel " & Hex(h.Pixel(hdc, 8, 8)) & ", sprite pixel " & Hex(h.Pixel(hdc, 9, 9))
Check "Pixel"
text = "Vexo"
d.DDTextOut hdc, text, 100, 100, RGB(255, 255, 0)
Check "DDTextOut"
Out "DDTextOut " & text & ", yellow pixels drawn: " & (h.CountColour(hdc, 100, 100, 200, 140, RGB(255, 255, 0)) > 0)
Check "CountColour"
h.ReleaseSurfaceDC bb, hdc
Check "ReleaseSurfaceDC"
d.DDFlip
Check "DDFlip"
Out "DDFlip"

Set i = Make("VexoDX7Input.DXInput")
Check "Make VexoDX7Input.DXInput"
i.DIKeyBordSetup hwnd
Check "DIKeyBordSetup"
h.PressKey 57, True
Check "PressKey"
h.Sleep 200
Check "Sleep"
' Without joysticks set up the update still reads the keyboard, then reports 9.
Out "DIUpdate " & i.DIUpdate()
Check "DIUpdate"
Out "DIGetKeyState space " & i.DIGetKeyState(57) & ", A " & i.DIGetKeyState(30)
Check "DIGetKeyState"
h.PressKey 57, False
Check "PressKey"
h.Sleep 200
Check "Sleep"
i.DIUpdate
Check "DIUpdate"
Out "after release: space " & i.DIGetKeyState(57)
Check "DIGetKeyState"
Out "DirectKeyCodeShow(57) '" & i.DirectKeyCodeShow(57) & "'"
Check "DirectKeyCodeShow"

Set s = Make("VexoDX7Sound.DX7Sound")
Check "Make VexoDX7Sound.DX7Sound"
hz = 48000
bits = 24
ch = 0
Out "DsSetup " & s.DsSetup(hwnd, hz, bits, ch) & ", corrected to " & hz & " Hz " & bits & " bits " & ch & " channels"
Check "DsSetup"
slot = 0
copies = 2
Out "DsCreate " & s.DsCreate(slot, dir & "\beep.wav", copies)
Check "DsCreate"
Out "DsPlay " & s.DsPlay(slot) & ", again " & s.DsPlay(slot)
Check "DsPlay"
Out "DsStop " & s.DsStop(slot)
Check "DsStop"
s.DsFree -1
Out "DsFree -1 raised " & Err.Number & ": " & Err.Description & " (" & Err.Source & ")"
Err.Clear
s.DsClose
Check "DsClose"

Set m = Make("VexoDX7Music.DXMusic")
Check "Make VexoDX7Music.DXMusic"
Out "DMSetup " & m.DMSetup()
Check "DMSetup"
Out "DMCreateSegment " & m.DMCreateSegment(0, dir & "\tune.mid")
Check "DMCreateSegment"
Out "DMPlay " & m.DMPlay(0) & ", DMStop " & m.DMStop(0)
Check "DMPlay"
Out "DMSetVolume on an empty slot " & m.DMSetVolume(5)
Check "DMSetVolume"
m.DMClose
Check "DMClose"

i.DIClose
Check "DIClose"
d.DDClose
Check "DDClose"
Out "window restored: " & (h.ClientWidth & "x" & h.ClientHeight = before)
Check "ClientWidth"
Set spr = Nothing
Set bb = Nothing
Set d = Nothing
Set i = Nothing
Set s = Nothing
Set m = Nothing
If mode = "helper" Then
  For Each lib In Array("VexoDX7Draw", "VexoDX7Input", "VexoDX7Sound", "VexoDX7Music")
    Out lib & " DllCanUnloadNow " & h.CanUnloadNow(lib & ".dll")
  Next
  h.FreeUnusedLibraries
  For Each lib In Array("VexoDX7Draw", "VexoDX7Input", "VexoDX7Sound", "VexoDX7Music")
    Out lib & " still loaded: " & h.IsLoaded(lib & ".dll")
  Next
End If
Out "done"

