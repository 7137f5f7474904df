// The notification-area wrapper against Wine's real notification area: argument checks and
// their texts, the flags and results of add, modify, hide, re-add and delete, and the balloon.
#include <gtest/gtest.h>
#include <cstring>
#include <string>

#include "tray/tray_icon.h"
#include "tray_test_support.h"

using namespace traytest;

namespace {

TEST(TrayIconRecord, IsTheVersionTwoLayout)
{
    EXPECT_EQ(kTrayIconDataSize, sizeof(void*) == 8 ? 504u : 488u);
    EXPECT_EQ(GetACP(), 936u);
}

struct AddCase {
    bool instance, window;
    UINT message;
    bool tip, icon;
    TrayArgumentError want;
};

TEST(TrayArguments, AddIconChecksNullsBeforeTheCallbackMessage)
{
    const AddCase cases[] = {
        {true, true, 0x7FFF, false, true, kTrayNullArgument},  // null tip wins over 0x7FFF
        {false, true, 0x8000, true, true, kTrayNullArgument},
        {true, false, 0x8000, true, true, kTrayNullArgument},
        {true, true, 0x8000, true, false, kTrayNullArgument},
        {true, true, 0x7FFF, true, true, kTrayCallbackBelowApp},
        {true, true, 0, true, true, kTrayCallbackBelowApp},
        {true, true, 0x8000, true, true, kTrayArgumentsOk},
        {true, true, 0xFFFF, true, true, kTrayArgumentsOk},
    };
    for (const AddCase& c : cases) {
        EXPECT_EQ(CheckAddIconArguments(c.instance ? GetModuleHandleA(nullptr) : nullptr,
                                        c.window ? GetDesktopWindow() : nullptr, c.message,
                                        c.tip ? "tip" : nullptr,
                                        c.icon ? LoadIconA(nullptr, IDI_APPLICATION) : nullptr),
                  c.want)
            << "message " << std::hex << c.message;
    }
}

TEST(TrayArguments, BalloonChecksKindBeforeDisplayTime)
{
    struct {
        DWORD kind;
        UINT ms;
        TrayArgumentError want;
    } cases[] = {
        {4, 5000, kTrayBadBalloonKind},  // kind first, though the time is wrong too
        {4, 20000, kTrayBadBalloonKind}, {0xFFFFFFFF, 20000, kTrayBadBalloonKind},
        {1, 9999, kTrayBadBalloonTime},  {1, 30001, kTrayBadBalloonTime},
        {1, 0, kTrayBadBalloonTime},     {0, 10000, kTrayArgumentsOk},
        {3, 30000, kTrayArgumentsOk},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckBalloonArguments(c.kind, c.ms), c.want) << c.kind << " " << c.ms;
}

TEST(TrayArguments, CopiesCutAtTheLimitAndKeepTheLastByteZero)
{
    for (size_t limit : {size_t(kTipLimit), size_t(kInfoLimit), size_t(kInfoTitleLimit)}) {
        std::string longText(limit + 73, 'x');
        std::vector<char> field(limit + 1, 0);
        CopyLimited(field.data(), longText.c_str(), limit);
        EXPECT_EQ(std::strlen(field.data()), limit);
        CopyLimited(field.data(), "short", limit);
        EXPECT_STREQ(field.data(), "short");
        EXPECT_EQ(field[limit], 0);
    }
}

class TrayIconTest : public testing::Test {
protected:
    void SetUp() override
    {
        window = CreateWindowExA(0, "STATIC", "tray test", 0, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        red = SolidIcon(kRed);
        green = SolidIcon(kGreen);
        blue = SolidIcon(kBlue);
    }
    void TearDown() override
    {
        if (IsWindow(window))
            DestroyWindow(window);
        DestroyIcon(red);
        DestroyIcon(green);
        DestroyIcon(blue);
    }
    static bool Shows(COLORREF colour)
    {
        return WaitFor([&] { return NotificationAreaPixels(colour) == kIconPixels; });
    }
    static bool Lacks(COLORREF colour)
    {
        return WaitFor([&] { return NotificationAreaPixels(colour) == 0; });
    }
    int Add(TrayIcon& icon, HICON image, const char* tip)
    {
        return icon.AddIcon(GetModuleHandleA(nullptr), window, 0x8400, tip, image, 0);
    }

    HWND window = nullptr;
    HICON red = nullptr, green = nullptr, blue = nullptr;
};

TEST_F(TrayIconTest, RefusalsLeaveTheirTextAndTouchNeitherRecordNorShell)
{
    struct Case {
        const char* name;
        std::function<int(TrayIcon&)> call;
        const wchar_t* text;
    } cases[] = {
        {"null tip and 0x7FFF",
         [&](TrayIcon& t) {
             return t.AddIcon(GetModuleHandleA(nullptr), window, 0x7FFF, nullptr, red, 0);
         },
         L"输入参数有问题"},
        {"null instance",
         [&](TrayIcon& t) { return t.AddIcon(nullptr, window, 0x8000, "tip", red, 0); },
         L"输入参数有问题"},
        {"kind 4 and 5000 ms", [](TrayIcon& t) { return t.ShowBalloon("text", "title", 4, 5000); },
         L"参数不符合气球的规格"},
        {"9999 ms", [](TrayIcon& t) { return t.ShowBalloon("text", "title", 1, 9999); },
         L"气球浮动时间最长 30 秒，最短 10 秒，请输入正确的值"},
        {"30001 ms", [](TrayIcon& t) { return t.ShowBalloon("text", "title", 1, 30001); },
         L"气球浮动时间最长 30 秒，最短 10 秒，请输入正确的值"},
    };
    for (const Case& c : cases) {
        TrayIcon icon;
        EXPECT_EQ(c.call(icon), 0) << c.name;
        EXPECT_EQ(FromAnsi(icon.lastError), c.text) << c.name;
        EXPECT_EQ(icon.shellCalls, 0) << c.name;
        EXPECT_EQ(icon.initialised, 0) << c.name;
        NOTIFYICONDATAA zero = {};
        EXPECT_EQ(std::memcmp(&icon.iconData, &zero, sizeof zero), 0) << c.name;
    }

    // The callback text is a format filled with WM_APP; an icon added before keeps its record.
    TrayIcon icon;
    ASSERT_EQ(Add(icon, red, "first"), 1);
    EXPECT_EQ(icon.AddIcon(GetModuleHandleA(nullptr), window, 0x7FFF, "second", green, 0), 0);
    EXPECT_EQ(FromAnsi(icon.lastError), L"CallbackMessage 已经大于 WM_APP(0X8000) 的标准");
    EXPECT_EQ(icon.shellCalls, 1);
    EXPECT_STREQ(icon.iconData.szTip, "first");
    EXPECT_EQ(icon.iconData.hIcon, red);
}

TEST_F(TrayIconTest, AddModifyHideReAddDelete)
{
    TrayIcon icon;
    std::string longTip(200, 't');
    ASSERT_EQ(Add(icon, red, longTip.c_str()), 1);
    EXPECT_EQ(icon.iconData.cbSize, kTrayIconDataSize);
    EXPECT_EQ(icon.iconData.uFlags, 7u);
    EXPECT_EQ(icon.iconData.uCallbackMessage, 0x8400u);
    EXPECT_EQ(icon.iconData.hWnd, window);
    EXPECT_EQ(icon.iconWindow, window);
    EXPECT_EQ(std::string(icon.iconData.szTip), longTip.substr(0, 127));
    EXPECT_EQ(icon.initialised, 1);
    EXPECT_EQ(icon.removed, 0);
    EXPECT_EQ(icon.hidden, 0);
    EXPECT_TRUE(Shows(kRed));

    // Modify: new icon and tip, the hidden bit cleared and nothing else.
    ASSERT_EQ(icon.ModifyIcon(green, "second"), 1);
    EXPECT_EQ(icon.iconData.uFlags, 14u);
    EXPECT_EQ(icon.iconData.dwState, 2u);
    EXPECT_EQ(icon.iconData.dwStateMask, 1u);
    EXPECT_STREQ(icon.iconData.szTip, "second");
    EXPECT_TRUE(Shows(kGreen));
    EXPECT_TRUE(Lacks(kRed));

    // Hide: the state call, then the icon is deleted as well.
    int calls = icon.shellCalls;
    EXPECT_EQ(icon.HideIcon(), 1);
    EXPECT_EQ(icon.shellCalls, calls + 2);
    EXPECT_EQ(icon.hidden, 1);
    EXPECT_EQ(icon.removed, 1);
    EXPECT_TRUE(Lacks(kGreen));
    EXPECT_EQ(icon.HideIcon(), 1);
    EXPECT_EQ(icon.shellCalls, calls + 2);

    // Modify of a removed icon re-adds it as the record holds it: green, "second".
    EXPECT_EQ(icon.ModifyIcon(blue, "third"), 1);
    EXPECT_EQ(icon.removed, 0);
    EXPECT_EQ(icon.hidden, 0);
    EXPECT_EQ(icon.iconData.uFlags, 7u);
    EXPECT_STREQ(icon.iconData.szTip, "second");
    EXPECT_TRUE(Shows(kGreen));
    EXPECT_EQ(NotificationAreaPixels(kBlue), 0);

    // Delete twice: the second is refused by the shell and still reports the icon removed.
    EXPECT_EQ(icon.DeleteIcon(), 1);
    EXPECT_EQ(icon.removed, 1);
    EXPECT_TRUE(Lacks(kGreen));
    calls = icon.shellCalls;
    EXPECT_EQ(icon.DeleteIcon(), 1);
    EXPECT_EQ(icon.shellCalls, calls + 1);
    EXPECT_EQ(Shell_NotifyIconA(NIM_DELETE, &icon.iconData), FALSE);
}

TEST_F(TrayIconTest, CallsBeforeAnyAddDoNothing)
{
    TrayIcon icon;
    EXPECT_EQ(icon.ModifyIcon(red, "tip"), 0);
    EXPECT_EQ(icon.HideIcon(), 1);
    EXPECT_EQ(icon.ReAddIcon(), 1);  // removed is 0: nothing to bring back
    EXPECT_EQ(icon.shellCalls, 0);
    ASSERT_EQ(Add(icon, red, "tip"), 1);
    EXPECT_EQ(icon.ModifyIcon(nullptr, "tip"), 0);
    EXPECT_EQ(icon.ModifyIcon(red, nullptr), 0);
    EXPECT_EQ(icon.shellCalls, 1);
}

TEST_F(TrayIconTest, ShellRefusalsShowInTheFlags)
{
    TrayIcon first;
    ASSERT_EQ(Add(first, red, "first"), 1);
    // The same window and identifier again: the shell refuses the add.
    TrayIcon second;
    EXPECT_EQ(Add(second, green, "second"), 0);
    EXPECT_EQ(second.initialised, 1);
    EXPECT_EQ(second.removed, 1);
    EXPECT_EQ(second.hidden, 1);
    EXPECT_EQ(second.HideIcon(), 1);
    EXPECT_EQ(second.shellCalls, 1);
    // The icon went away behind first's back: its modify is refused and leaves it hidden.
    ASSERT_EQ(second.DeleteIcon(), 1);
    EXPECT_EQ(first.ModifyIcon(red, "again"), 0);
    EXPECT_EQ(first.hidden, 1);
    EXPECT_EQ(first.removed, 0);
    EXPECT_EQ(first.HideIcon(), 1);  // hidden already: no call
}

TEST_F(TrayIconTest, BalloonFillsTheRecordAndClearsItsText)
{
    TrayIcon icon;
    ASSERT_EQ(Add(icon, red, "tip"), 1);
    std::string text(300, 'b'), title(100, 'h');
    for (UINT ms : {10000u, 30000u}) {
        EXPECT_EQ(icon.ShowBalloon(text.c_str(), title.c_str(), NIIF_INFO, ms), 1) << ms;
        EXPECT_EQ(icon.iconData.uFlags, 0x10u);
        EXPECT_EQ(icon.iconData.uTimeout, ms);
        EXPECT_EQ(icon.iconData.dwInfoFlags, 1u);
        EXPECT_EQ(std::string(icon.iconData.szInfoTitle), title.substr(0, 63));
        char zeros[256] = {};
        EXPECT_EQ(std::memcmp(icon.iconData.szInfo, zeros, sizeof zeros), 0);
    }
    EXPECT_EQ(icon.ShowBalloon("text", nullptr, NIIF_WARNING, 10000), 1);
    char zeroTitle[64] = {};
    EXPECT_EQ(std::memcmp(icon.iconData.szInfoTitle, zeroTitle, sizeof zeroTitle), 0);

    // Refused by the shell (the icon is gone): the text is cleared all the same.
    ASSERT_EQ(icon.DeleteIcon(), 1);
    EXPECT_EQ(icon.ShowBalloon("text", "title", NIIF_INFO, 10000), 0);
    EXPECT_EQ(icon.iconData.szInfo[0], 0);
}

TEST_F(TrayIconTest, DestructorRemovesTheIconAndDestroysTheWindow)
{
    {
        TrayIcon icon;
        ASSERT_EQ(Add(icon, blue, "tip"), 1);
        EXPECT_TRUE(Shows(kBlue));
    }
    EXPECT_TRUE(Lacks(kBlue));
    EXPECT_FALSE(IsWindow(window));
}

}  // namespace
