// Real script hosts: Wine's cscript runs VBScript and JScript against the built DLL, which
// is registered for the run with a ProgID added in the test prefix only (the product has none).
#include <gtest/gtest.h>
#include <fstream>
#include <string>

#include "com/com_test_support.h"
#include <shlwapi.h>

namespace {

std::wstring Widen(const char* text)
{
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

const wchar_t kProgId[] = L"NtfObj.ScriptTest";

class Script : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(Regsvr32(BinFolder() + L"NtfObj.dll"), 0u);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, (std::wstring(kProgId) + L"\\CLSID").c_str(),
                                  0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const wchar_t clsid[] = L"{ABEC6103-F6AC-43A3-834F-FB03FBA339A2}";
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid), sizeof clsid);
        RegCloseKey(key);
    }
    static void TearDownTestSuite()
    {
        SHDeleteKeyW(HKEY_CLASSES_ROOT, kProgId);
        Regsvr32(BinFolder() + L"NtfObj.dll", true);
    }

    // Runs the script with cscript and returns what it echoed; *code gets its exit code.
    static std::string Run(const char* extension, const std::string& source, DWORD* code,
                           void (*whileRunning)(HANDLE process) = nullptr)
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        std::wstring script = std::wstring(temp) + L"ntfobj_script." + Widen(extension);
        std::wstring output = std::wstring(temp) + L"ntfobj_script.out";
        {
            std::ofstream file(script.c_str(), std::ios::binary);
            file << source;
        }
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                 CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = out;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        PROCESS_INFORMATION process = {};
        std::wstring command = L"cscript.exe //NoLogo \"" + script + L"\"";
        *code = static_cast<DWORD>(-1);
        if (CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                           &startup, &process)) {
            if (whileRunning)
                whileRunning(process.hProcess);
            if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
                GetExitCodeProcess(process.hProcess, code);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        CloseHandle(out);
        std::ifstream result(output.c_str(), std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(result)),
                         std::istreambuf_iterator<char>());
        DeleteFileW(script.c_str());
        DeleteFileW(output.c_str());
        return text;
    }
};

// VBScript literals arrive as VT_I2, CLng as VT_I4, strings as VT_BSTR.
TEST_F(Script, VBScriptSetsTheListsShowsANotificationAndSeesATypeMismatch)
{
    DWORD code = 0;
    std::string out = Run("vbs", R"(On Error Resume Next
Set o = CreateObject("NtfObj.ScriptTest")
If Err.Number <> 0 Then
  WScript.Echo "create failed " & Hex(Err.Number)
  WScript.Quit 2
End If
r = o.SetCheckInfo("a|b", 5)
WScript.Echo "check=" & r & " " & TypeName(r)
r = o.SetButtonInfo("OK|Cancel", 1)
r2 = o.SetComboxInfo("x|y", 0)
WScript.Echo "button=" & r & " combo=" & r2 & " err=" & Err.Number
r = o.Action("Heading", "Body", "", "", CLng(0), CLng(0))
WScript.Echo "action=" & r & " " & TypeName(r) & " err=" & Err.Number
r = o.SetCheckInfo("a|b", CLng(5))
WScript.Echo "mismatch=" & Hex(Err.Number)
Err.Clear
o.NoSuchMethod 1
If Err.Number <> 0 Then WScript.Echo "unknown=refused"
WScript.Quit 0
)",
                          &code);
    EXPECT_EQ(code, 0u) << out;
    EXPECT_NE(out.find("check=0 Integer"), std::string::npos) << out;
    EXPECT_NE(out.find("button=0 combo=0 err=0"), std::string::npos) << out;
    EXPECT_NE(out.find("action=0 Integer err=0"), std::string::npos) << out;
    // VBScript reports DISP_E_TYPEMISMATCH as its own error 13, "Type mismatch".
    EXPECT_NE(out.find("mismatch=D\r\n"), std::string::npos) << out;
    EXPECT_NE(out.find("unknown=refused"), std::string::npos) << out;
}

// The popup a script shows with NS_WAIT: found on the desktop, closed by a click on its
// body, and the script goes on with the result.
HWND scriptPopup;

void ClickThePopup(HANDLE process)
{
    scriptPopup = nullptr;
    for (int i = 0; i < 1000 && !scriptPopup; ++i) {
        HWND found = FindWindowW(L"VorbelNotify", nullptr);
        if (found && IsWindowVisible(found))
            scriptPopup = found;
        else if (WaitForSingleObject(process, 10) == WAIT_OBJECT_0)
            return;
    }
    if (!scriptPopup)
        return;
    Sleep(500);  // let it slide in; clicks during the slide wait in its queue anyway
    PostMessageW(scriptPopup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(140, 80));
    PostMessageW(scriptPopup, WM_LBUTTONUP, 0, MAKELPARAM(140, 80));
}

TEST_F(Script, VBScriptWaitsForThePopupItShowsAndReadsItsResult)
{
    DWORD code = 0;
    std::string out = Run("vbs", R"(On Error Resume Next
Set o = CreateObject("NtfObj.ScriptTest")
r = o.Action("Heading", "Body", "", "", CLng(0), CLng(&H1000))
WScript.Echo "popup=" & r & " " & TypeName(r) & " err=" & Err.Number
WScript.Quit Err.Number
)",
                          &code, ClickThePopup);
    EXPECT_NE(scriptPopup, nullptr) << "no popup appeared: " << out;
    EXPECT_EQ(code, 0u) << out;
    EXPECT_NE(out.find("popup=0 Integer err=0"), std::string::npos) << out;
    EXPECT_FALSE(IsWindow(scriptPopup));
}

// JScript passes every integer as VT_I4: the methods whose masks are 16-bit refuse it.
TEST_F(Script, JScriptReachesActionAndGetsTheMismatchAsAnException)
{
    DWORD code = 0;
    std::string out = Run("js", R"(var o = new ActiveXObject("NtfObj.ScriptTest");
var parts = [];
try { o.SetCheckInfo("a|b", 5); parts.push("no-mismatch"); }
catch (e) { parts.push("mismatch=" + (e.number >>> 0).toString(16)); }
var r = o.Action("Heading", "Body", "", "", 0, 0);
parts.push("action=" + r + " " + typeof r);
WScript.Echo(parts.join(" "));
WScript.Quit(0);
)",
                          &code);
    EXPECT_EQ(code, 0u) << out;
    EXPECT_NE(out.find("mismatch=80020005 action=0 number"), std::string::npos) << out;
}

}  // namespace
