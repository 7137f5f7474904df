// Opening the link: the browser object is created, brought forward and shown, then asked to
// navigate, in that order; a browser that cannot be created gives 0 and the popup still
// closes. The browser is a stand-in local server registered under the browser's class.
#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <objsafe.h>

#include "../controls/popup_harness.h"
#include "../input/user_input.h"
#include "link_support.h"
#include "popup/link_browser.h"
#include "module/windows_version.h"

using namespace harness;
using namespace linktest;

namespace {

class LinkTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitialNotifySession(&NotifySession);
        DeleteFileA(logPath_.c_str());
    }
    void TearDown() override
    {
        if (IsWindow(NotifySession.popupWindow))
            DestroyWindow(NotifySession.popupWindow);
        Pump();
    }

    // What the stand-in recorded, once it has gone (it ends after its last release).
    std::string StandInLog()
    {
        for (int i = 0; i < 1000; ++i) {
            const std::string log = ReadFile(logPath_);
            if (log.find("exit\n") != std::string::npos)
                return log;
            Pump();
            Sleep(10);
        }
        return ReadFile(logPath_);
    }

    const std::string logPath_ = BesideMe("standin_browser.log");
    const std::string standIn_ = "\"" + BesideMe("standin_browser.exe") + "\"";
};

TEST(LinkPlatform, OnlyOldNtShowsTheArrow)
{
    struct {
        DWORD platform, major;
        int old;
    } cases[] = {
        {VER_PLATFORM_WIN32_NT, 3, 1},  {VER_PLATFORM_WIN32_NT, 4, 1},
        {VER_PLATFORM_WIN32_NT, 5, 0},  {VER_PLATFORM_WIN32_NT, 6, 0},
        {VER_PLATFORM_WIN32_NT, 10, 0}, {VER_PLATFORM_WIN32_WINDOWS, 4, 0},
        {VER_PLATFORM_WIN32s, 3, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsOldNtVersion(c.platform, c.major), c.old) << c.platform << "." << c.major;
    EXPECT_EQ(IsOldNtPlatform(), 0);  // Wine reports Windows 7
}

TEST_F(LinkTest, ShowsTheBrowserThenNavigatesToTheAddress)
{
    BrowserRegistration standIn(standIn_);
    // "中文" in code page 936: the address reaches the browser converted from the ANSI code page.
    EXPECT_EQ(OpenLinkInBrowser("http://example.test/\xD6\xD0\xCE\xC4?q=1"), 1);
    EXPECT_EQ(StandInLog(),
              "created\nget_HWND\nactivated\nshown\nNavigate2 8 0 0 0 0 http://example.test/"
              "\xE4\xB8\xAD\xE6\x96\x87?q=1\nreleased\nexit\n");
}

TEST_F(LinkTest, ClickedLinkNavigatesToTheAddressTheHostWrote)
{
    BrowserRegistration standIn(standIn_);
    IAxObj* object = input::CreateObject();
    ASSERT_NE(object, nullptr);
    // Thai and a Latin letter with a diacritic, which code page 936 lacks, and Chinese.
    input::Action(object, L"H", L"B", 0, L"\x0E44\x0E17\x0E22",
                  L"http://example.test/\x0E44\x0E17\x0E22/Zo\x00EB?q=\x4E2D");
    ClickLink(NotifySession.popupWindow);
    EXPECT_EQ(StandInLog(),
              "created\nget_HWND\nactivated\nshown\nNavigate2 8 0 0 0 0 http://example.test/"
              "\xE0\xB9\x84\xE0\xB8\x97\xE0\xB8\xA2/Zo\xC3\xAB?q=\xE4\xB8\xAD\nreleased\nexit\n");
    object->Release();
}

TEST_F(LinkTest, LongestAddressArrivesWholeAndEmptyOneNavigatesNowhere)
{
    BrowserRegistration standIn(standIn_);
    std::string longest = "http://example.test/";
    longest.append(259 - longest.size(), 'a');
    EXPECT_EQ(OpenLinkInBrowser(longest.c_str()), 1);
    EXPECT_EQ(StandInLog(), "created\nget_HWND\nactivated\nshown\nNavigate2 8 0 0 0 0 " + longest +
                                "\nreleased\nexit\n");

    DeleteFileA(logPath_.c_str());
    EXPECT_EQ(OpenLinkInBrowser(""), 1);
    EXPECT_EQ(StandInLog(), "created\nget_HWND\nactivated\nshown\nreleased\nexit\n");
}

TEST_F(LinkTest, LinkClickOpensTheBrowserAndClosesOnlyAPlainPopup)
{
    BrowserRegistration standIn(standIn_);
    for (LONG style : {LONG(0), LONG(NS_STICKY)}) {
        SCOPED_TRACE(style);
        DeleteFileA(logPath_.c_str());
        HWND popup = MakePopup(style, "A", 1, nullptr, 0, nullptr, 9000, "http://example.test/x");
        ASSERT_EQ(NotifySession.linkShown, 1);
        ClickLink(popup);
        EXPECT_NE(StandInLog().find("Navigate2 8 0 0 0 0 http://example.test/x\n"),
                  std::string::npos);
        EXPECT_EQ(IsWindow(popup) != FALSE, style == NS_STICKY);
        if (style == 0) {
            EXPECT_EQ(NotifySession.resultCode, 1);
        }
        if (IsWindow(popup))
            DestroyWindow(popup);
    }
}

TEST_F(LinkTest, BrowserThatCannotStartGivesZeroAndThePopupStillCloses)
{
    BrowserRegistration missing("\"C:\\no such folder\\no_browser.exe\"");
    EXPECT_EQ(OpenLinkInBrowser("http://example.test/"), 0);

    HWND popup = MakePopup(0, "A|B", 2, nullptr, 0, nullptr, 9000, "http://example.test/");
    ClickLink(popup);
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(NotifySession.resultCode, 2);
}

// Runs xdotool (false when it cannot be started) on the X display that shows the Wine desktop,
// dispatching this thread's messages meanwhile (the pointer's messages arrive while it runs).
bool Xdotool(const std::string& arguments)
{
    std::string command = "Z:\\usr\\bin\\xdotool " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::printf("cannot start xdotool: %lu\n", GetLastError());
        return false;
    }
    for (int i = 0; i < 1000; ++i) {
        if (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 10, QS_ALLINPUT) ==
            WAIT_OBJECT_0)
            break;
        Pump();
    }
    // Wine does not hand on a Unix program's exit status; what it did is checked by its effect.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    Pump();
    return true;
}

// Moves the real pointer to a client point of window, through the X display.
bool MovePointer(HWND window, POINT point)
{
    ClientToScreen(window, &point);
    return Xdotool("search --onlyvisible --name \"Wine desktop\" mousemove --window %1 " +
                   std::to_string(point.x) + " " + std::to_string(point.y));
}

TEST_F(LinkTest, RealPointerHoversAndClicksTheLink)
{
    BrowserRegistration standIn(standIn_);
    HWND popup = MakePopup(0, "A|B", 1, nullptr, 0, nullptr, 20000, "http://example.test/pointer");
    ASSERT_EQ(NotifySession.linkShown, 1);
    const RECT strip = NotifySession.linkRect;

    ASSERT_TRUE(MovePointer(popup, {100, 30}));
    for (int i = 0; i < 50 && GetCursor() != LoadCursorA(nullptr, IDC_ARROW); ++i) Pump();
    EXPECT_EQ(NotifySession.linkHover, 0);
    EXPECT_EQ(GetCapture(), nullptr);

    ASSERT_TRUE(MovePointer(popup, {strip.left + 3, (strip.top + strip.bottom) / 2}));
    for (int i = 0; i < 50 && !NotifySession.linkHover; ++i) Pump();
    EXPECT_EQ(NotifySession.linkHover, 1);
    EXPECT_EQ(GetCapture(), popup);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));

    ASSERT_TRUE(Xdotool("click 1"));
    for (int i = 0; i < 100 && IsWindow(popup); ++i) Pump();
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(NotifySession.resultCode, 1);
    EXPECT_NE(StandInLog().find("Navigate2 8 0 0 0 0 http://example.test/pointer\n"),
              std::string::npos);
}

// A page's script: the object marked for untrusted callers, Action called through Invoke, the
// link clicked by the user. Only web and mail addresses reach the browser; a trusted host's
// link still opens whatever it names.
TEST_F(LinkTest, AnUntrustedCallersLinkOpensOnlyWebAndMailAddresses)
{
    BrowserRegistration standIn(standIn_);
    struct Case {
        bool untrusted;
        const wchar_t* url;
        const char* navigated;
    } cases[] = {
        {true, L"file:///C:/windows/win.ini", nullptr},
        {true, L"javascript:alert(1)", nullptr},
        {true, L"C:\\windows\\notepad.exe", nullptr},
        {true, L"https://example.test/page", "https://example.test/page"},
        {true, L"mailto:someone@example.test", "mailto:someone@example.test"},
        {false, L"file:///C:/windows/win.ini", "file:///C:/windows/win.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.untrusted << " " << c.navigated);
        DeleteFileA(logPath_.c_str());
        IAxObj* object = input::CreateObject();
        ASSERT_NE(object, nullptr);
        if (c.untrusted) {
            IObjectSafety* safety = nullptr;
            ASSERT_EQ(object->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)),
                      S_OK);
            safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                              INTERFACESAFE_FOR_UNTRUSTED_CALLER);
            safety->Release();
        }
        VARIANT args[6];
        for (VARIANT& v : args) VariantInit(&v);
        args[5].vt = args[4].vt = args[3].vt = args[2].vt = VT_BSTR;
        args[5].bstrVal = SysAllocString(L"Heading");
        args[4].bstrVal = SysAllocString(L"Body");
        args[3].bstrVal = SysAllocString(L"the link");
        args[2].bstrVal = SysAllocString(c.url);
        args[1].vt = args[0].vt = VT_I4;  // no owner, a plain popup
        DISPPARAMS params = {args, nullptr, 6, 0};
        EXPECT_EQ(
            object->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            S_OK);
        for (int i = 2; i < 6; ++i) SysFreeString(args[i].bstrVal);

        HWND popup = NotifySession.popupWindow;
        ASSERT_TRUE(input::PopupAtRest());
        ASSERT_EQ(NotifySession.linkShown, 1);
        const RECT& r = NotifySession.linkRect;
        input::ClickAt(input::PopupPoint(popup, (r.left + r.right) / 2, (r.top + r.bottom) / 2),
                       popup);
        EXPECT_TRUE(input::PumpUntil([&] { return !IsWindow(popup); }))
            << "a click anywhere closes it";
        // The browser object is created, asked and released within the click: by the time the
        // popup has gone, a refused address has left no log at all.
        if (c.navigated)
            EXPECT_NE(StandInLog().find(std::string("Navigate2 8 0 0 0 0 ") + c.navigated + "\n"),
                      std::string::npos);
        else
            EXPECT_EQ(ReadFile(logPath_), "");
        object->Release();
    }
    input::PointerTo(input::kPointerAway);
}

}  // namespace
