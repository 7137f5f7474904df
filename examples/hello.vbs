' Shows a notification with two check boxes from VBScript and prints how it was closed.
' Needs the registered DLL (regsvr32 NtfObj.dll) and a ProgID for CreateObject; the module
' registers none, so add one once (see examples/README.md):
'   reg add HKCR\NtfObj.Sample\CLSID /ve /d {ABEC6103-F6AC-43A3-834F-FB03FBA339A2} /f
' Run: cscript //nologo hello.vbs
Option Explicit
Const NS_WAIT = &H1000&

Dim ntf, ignored, result
Set ntf = CreateObject("NtfObj.Sample")

' Literal numbers reach the object as 16-bit integers, which is what the list setters want.
ignored = ntf.SetCheckInfo("Open the folder|Do not ask again", 1)

' Action wants 32-bit integers for its last two arguments: CLng makes them.
result = ntf.Action("Download finished", "The file was saved.", "Show it", _
                    "http://example.com/", CLng(0), CLng(NS_WAIT))

WScript.Echo "result " & result
If result And 1 Then WScript.Echo "box 0 ticked"
If result And 2 Then WScript.Echo "box 1 ticked"
WScript.Quit Err.Number
