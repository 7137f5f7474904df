// The samples in examples/ run under Wine's cscript and as programs, against the DLL registered
// in the test prefix; the test closes each popup as a user would (a click, or its timer).
#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include "support/child_process.h"

#include <string>
#include <vector>

namespace {

const wchar_t kClsid[] = L"{ABEC6103-F6AC-43A3-834F-FB03FBA339A2}";

std::wstring ExampleFile(const char* name)
{
    std::string unix = std::string(NTF_EXAMPLES_DIR) + "/" + name;
    std::wstring windows = L"Z:";
    for (char c : unix) windows += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return windows;
}

typedef HRESULT(STDAPICALLTYPE* RegisterFn)();

// Registers the built DLL and a ProgID for the scripts (the product itself registers none).
class ExamplesTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dll = LoadLibraryW((BinFolder() + L"NtfObj.dll").c_str());
        ASSERT_NE(dll, nullptr);
        auto reg = reinterpret_cast<RegisterFn>(
            reinterpret_cast<void*>(GetProcAddress(dll, "DllRegisterServer")));
        ASSERT_EQ(reg(), S_OK);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"NtfObj.Sample\\CLSID", 0, nullptr, 0,
                                  KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kClsid),
                       sizeof kClsid);
        RegCloseKey(key);
    }
    static void TearDownTestSuite()
    {
        SHDeleteKeyW(HKEY_CLASSES_ROOT, L"NtfObj.Sample");
        auto unreg = reinterpret_cast<RegisterFn>(
            reinterpret_cast<void*>(GetProcAddress(dll, "DllUnregisterServer")));
        unreg();
        FreeLibrary(dll);
    }
    static HMODULE dll;
};
HMODULE ExamplesTest::dll = nullptr;

// Runs a sample, lets closePopup act on the popup it shows, and returns its output.
std::string RunAndClose(const std::wstring& command, void (*closePopup)(HWND))
{
    return RunChild(command, closePopup).output;
}

void TickSecondBoxThenTimeOut(HWND popup)
{
    PostMessageA(GetDlgItem(popup, 0x7001), BM_CLICK, 0, 0);
    PostMessageA(popup, WM_TIMER, 1000, 0);
}

void TimeOut(HWND popup)
{
    PostMessageA(popup, WM_TIMER, 1000, 0);
}

void PressSecondButton(HWND popup)
{
    PostMessageA(GetDlgItem(popup, 0x8001), BM_CLICK, 0, 0);
}

TEST_F(ExamplesTest, VBScriptSampleReportsTheTickedBoxes)
{
    std::string out =
        RunAndClose(L"cscript.exe //nologo " + ExampleFile("hello.vbs"), TickSecondBoxThenTimeOut);
    EXPECT_NE(out.find("result 3"), std::string::npos) << out;
    EXPECT_NE(out.find("box 0 ticked"), std::string::npos) << out;
    EXPECT_NE(out.find("box 1 ticked"), std::string::npos) << out;
}

TEST_F(ExamplesTest, JScriptSampleShowsAndMeetsTheTypeMismatch)
{
    std::string out = RunAndClose(L"cscript.exe //nologo " + ExampleFile("hello.js"), TimeOut);
    EXPECT_NE(out.find("SetCheckInfo from JScript: type mismatch (80020005)"), std::string::npos)
        << out;
    EXPECT_NE(out.find("result 0"), std::string::npos) << out;
}

TEST_F(ExamplesTest, CppHostReportsBoxAndButton)
{
    std::string out = RunAndClose(BinFolder() + L"example_cpp_host.exe", PressSecondButton);
    EXPECT_NE(out.find("result 0x0201: box 0 ticked; button 1;"), std::string::npos) << out;
}

TEST_F(ExamplesTest, CHostReportsTheCloseMode)
{
    std::string out = RunAndClose(BinFolder() + L"example_c_host.exe", TimeOut);
    EXPECT_NE(out.find("result 1000: closed by the close box or the timer"), std::string::npos)
        << out;
}

}  // namespace
