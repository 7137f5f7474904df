// Shows a notification from JScript and prints the result code.
// Needs the registered DLL and the ProgID described in examples/README.md.
// Run: cscript //nologo hello.js
var NS_WAIT = 0x1000, NS_ICON_INFO = 0x0080;
var ntf = new ActiveXObject("NtfObj.Sample");

// JScript integers arrive as 32-bit VT_I4: right for Action, but the list setters want 16-bit
// VT_I2, which JScript cannot make, so they answer with a type mismatch.
try {
    ntf.SetCheckInfo("A|B", 1);
    WScript.Echo("unexpected: SetCheckInfo accepted a 32-bit mask");
} catch (e) {
    WScript.Echo("SetCheckInfo from JScript: type mismatch (" + (e.number >>> 0).toString(16) + ")");
}

var result = ntf.Action("Build finished", "All tests passed.", "", "", 0, NS_WAIT | NS_ICON_INFO);
WScript.Echo("result " + result);
