' The typical run of a game, as a script: the four objects by program
' identifier, a display on a real window, a sprite from a bitmap file with its
' colour key, text on the back buffer, a flip; the keyboard; a sound; a piece
' of music; a raised error; everything released.
'   cscript //nologo typical_run.vbs MODE DIR
' MODE "create" makes the objects with CreateObject, "helper" through the
' helper object (see tests/windows/helper/ScriptHelper.cpp), and then also
' checks that the libraries can unload. DIR holds sprite.bmp, beep.wav and
' tune.mid. One line per result; scripts/windows-test.sh compares them with
' typical_run.expected.
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

hwnd = h.hWnd
before = h.ClientWidth & "x" & h.ClientHeight

Set d = Make("VexoDX7Draw.DX7Draw")
Set bb = d.DDSetup(hwnd, 640, 480, 0)
Out "DDSetup returns the back buffer: " & (Not bb Is Nothing)
Out "client area " & h.ClientWidth & "x" & h.ClientHeight
Out "back buffer " & d.DDGetSurfaceWidth(bb) & "x" & d.DDGetSurfaceHeight(bb)
Set spr = d.DDCreateSurfaceFromFile(dir & "\sprite.bmp")
Out "sprite " & d.DDGetSurfaceWidth(spr) & "x" & d.DDGetSurfaceHeight(spr)
Out "DDBltFast " & d.DDBltFast(spr, bb, 0, 0, 0, 0, 8, 8, True)
hdc = h.SurfaceDC(bb)
' The sprite's top-left pixel is its colour key: the cleared black stays.
Out "key pixel " & Hex(h.Pixel(hdc, 8, 8)) & ", sprite pixel " & Hex(h.Pixel(hdc, 9, 9))
text = "Vexo"
d.DDTextOut hdc, text, 100, 100, RGB(255, 255, 0)
Out "DDTextOut " & text & ", yellow pixels drawn: " & (h.CountColour(hdc, 100, 100, 200, 140, RGB(255, 255, 0)) > 0)
h.ReleaseSurfaceDC bb, hdc
d.DDFlip
Out "DDFlip"

Set i = Make("VexoDX7Input.DXInput")
i.DIKeyBordSetup hwnd
h.PressKey 57, True
h.Sleep 200
' Without joysticks set up the update still reads the keyboard, then reports 9.
Out "DIUpdate " & i.DIUpdate()
Out "DIGetKeyState space " & i.DIGetKeyState(57) & ", A " & i.DIGetKeyState(30)
h.PressKey 57, False
h.Sleep 200
i.DIUpdate
Out "after release: space " & i.DIGetKeyState(57)
Out "DirectKeyCodeShow(57) '" & i.DirectKeyCodeShow(57) & "'"

Set s = Make("VexoDX7Sound.DX7Sound")
hz = 48000
bits = 24
ch = 0
Out "DsSetup " & s.DsSetup(hwnd, hz, bits, ch) & ", corrected to " & hz & " Hz " & bits & " bits " & ch & " channels"
slot = 0
copies = 2
Out "DsCreate " & s.DsCreate(slot, dir & "\beep.wav", copies)
Out "DsPlay " & s.DsPlay(slot) & ", again " & s.DsPlay(slot)
Out "DsStop " & s.DsStop(slot)
On Error Resume Next
s.DsFree -1
Out "DsFree -1 raised " & Err.Number & ": " & Err.Description & " (" & Err.Source & ")"
Err.Clear
On Error GoTo 0
s.DsClose

Set m = Make("VexoDX7Music.DXMusic")
Out "DMSetup " & m.DMSetup()
Out "DMCreateSegment " & m.DMCreateSegment(0, dir & "\tune.mid")
Out "DMPlay " & m.DMPlay(0) & ", DMStop " & m.DMStop(0)
Out "DMSetVolume on an empty slot " & m.DMSetVolume(5)
m.DMClose

i.DIClose
d.DDClose
Out "window restored: " & (h.ClientWidth & "x" & h.ClientHeight = before)
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
