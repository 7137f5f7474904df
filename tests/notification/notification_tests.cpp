// The whole notification through ShowNotification: the dialog form, the delay bounds and
// sticky popups, closes during the slide-in, and what 500 popups leave behind.
#include <gtest/gtest.h>
#include <functional>

#include "../controls/popup_harness.h"
#include "popup/show_notification.h"
#include "support/thread_windows.h"
#include "support/gdi_count.h"

using namespace harness;

namespace {

class NotificationTest : public testing::Test {
protected:
    void SetUp() override { InitialNotifySession(&NotifySession); }
    void TearDown() override
    {
        if (IsWindow(NotifySession.popupWindow))
            DestroyWindow(NotifySession.popupWindow);
        Pump();
    }
};

void SetLists(const char* checks, WORD checkMask, const char* buttons, const char* combo)
{
    NotifySessionRecord& s = NotifySession;
    SetList(s.checkList, &s.hasCheckList, checks);
    s.checkMask = checkMask;
    SetList(s.buttonList, &s.hasButtonList, buttons);
    SetList(s.comboList, &s.hasComboList, combo);
}

// What to do with the dialog once it is up; run from a thread timer inside its modal loop.
std::function<void(HWND)> dialogAction;

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = VisibleThreadDialog();
    if (!dialog)
        return;
    KillTimer(nullptr, id);
    UpdateWindow(dialog);
    dialogAction(dialog);
}

int RunDialog(std::function<void(HWND)> action)
{
    dialogAction = std::move(action);
    SetTimer(nullptr, 0, 50, DriveDialog);
    return ShowNotification(NS_DIALOG, "Question\nBody", 1, nullptr, nullptr, 9000);
}

TEST_F(NotificationTest, DialogReportsTheFirstBoxesForOkAndForEsc)
{
    for (bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "Esc");
        InitialNotifySession(&NotifySession);
        SetLists("A|B|C", 0, "X|Y", nullptr);
        NotifySession.resultCode = 0x7777;
        const int shown = RunDialog([ok](HWND dialog) {
            Click(dialog, kCheckBoxFirstId);
            Click(dialog, kCheckBoxFirstId + 1);
            Click(dialog, kRowButtonFirstId + 1);  // does nothing in the dialog
            if (ok)
                Click(dialog, IDOK);
            else
                PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
        });
        EXPECT_EQ(shown, ok ? 1 : 0);
        EXPECT_EQ(NotifySession.resultCode, 0x0003);
        EXPECT_EQ(NotifySession.popupClosed, 1);
        EXPECT_EQ(NotifySession.hasCheckList, 0);
    }
}

TEST_F(NotificationTest, DialogWithoutBoxesShrinksAndFollowsTheLinkStripWithoutALink)
{
    RECT window = {}, ok = {};
    HWND captured = nullptr;
    HCURSOR over = nullptr, away = nullptr;
    int hoverOver = -1, hoverAway = -1;
    const int shown = RunDialog([&](HWND dialog) {
        GetWindowRect(dialog, &window);
        GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&ok), 2);
        const RECT& strip = NotifySession.linkRect;
        SendMessageA(dialog, WM_MOUSEMOVE, 0,
                     MAKELPARAM((strip.left + strip.right) / 2, (strip.top + strip.bottom) / 2));
        captured = GetCapture();
        over = GetCursor();
        hoverOver = NotifySession.linkHover;
        SendMessageA(dialog, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        away = GetCursor();
        hoverAway = NotifySession.linkHover;
        EXPECT_EQ(GetCapture(), nullptr);
        captured = captured == dialog ? dialog : nullptr;
        Click(dialog, IDOK);
    });
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(window.right - window.left, 280);
    EXPECT_EQ(window.bottom - window.top, 176);
    EXPECT_EQ(NotifySession.popupHeight, 176);
    EXPECT_EQ(ok.left, 140);
    EXPECT_EQ(ok.top, 118);
    EXPECT_NE(captured, nullptr);
    EXPECT_EQ(over, LoadCursorA(nullptr, IDC_HAND));
    EXPECT_EQ(hoverOver, 1);
    EXPECT_EQ(away, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(hoverAway, 0);
    EXPECT_EQ(NotifySession.resultCode, 0);
}

TEST_F(NotificationTest, PopupWithoutALinkIgnoresThePointerOverTheStrip)
{
    HWND popup = MakePopup(0, nullptr, 0, nullptr, 0, nullptr);
    ASSERT_EQ(NotifySession.linkShown, 0);
    const RECT& strip = NotifySession.linkRect;
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    SendMessageA(popup, WM_MOUSEMOVE, 0,
                 MAKELPARAM((strip.left + strip.right) / 2, (strip.top + strip.bottom) / 2));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(NotifySession.linkHover, 0);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

TEST_F(NotificationTest, DelayIsBoundedAndStoredBackAndStickyPopupsHaveNoTimer)
{
    struct Case {
        DWORD requested;
        LONG style;
        DWORD bounded;
    } cases[] = {
        {0, 0, 10000},           {1, 0, 1},
        {19999, 0, 19999},       {20000, 0, 20000},
        {25000, 0, 20000},       {0xFFFFFFFFu, 0, 20000},
        {0x80000000u, 0, 20000}, {0, NS_STICKY, 10000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.requested);
        InitialNotifySession(&NotifySession);
        HWND popup = MakePopup(c.style, nullptr, 0, nullptr, 0, nullptr, c.requested);
        EXPECT_EQ(NotifySession.closeDelayMs, c.bounded);
        const LONG exStyle = GetWindowLongA(popup, GWL_EXSTYLE);
        EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
        EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
        EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
        // A timer exists exactly when the popup is not sticky.
        EXPECT_EQ(KillTimer(popup, kPopupCloseTimerId) != FALSE, !(c.style & NS_STICKY));
        if (c.style & NS_STICKY) {
            PostMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 40));
            Pump();
            EXPECT_TRUE(IsWindow(popup));
        }
        DestroyWindow(popup);
    }
}

TEST_F(NotificationTest, ShortDelayFiresDuringTheSlideAndClosesOnceMessagesFlow)
{
    SetLists("A|B", 0x0002, nullptr, nullptr);
    ASSERT_EQ(ShowNotification(0, "Quick\nGone soon", 1, nullptr, nullptr, 1), 1);
    HWND popup = NotifySession.popupWindow;
    EXPECT_TRUE(IsWindow(popup));  // the expiry waited in the queue during the slide
    Pump();
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(NotifySession.resultCode, 0x0002);
    EXPECT_EQ(NotifySession.popupClosed, 1);
}

DWORD WINAPI PressCloseBoxSoon(void* popup)
{
    // Sent messages reach the popup inside the slide's paint handling.
    Sleep(20);
    SendMessageA(static_cast<HWND>(popup), WM_COMMAND, kCloseButtonId, 0);
    return 0;
}

TEST_F(NotificationTest, PopupClosedDuringItsSlideInReportsItsCode)
{
    SetLists("A", 1, nullptr, nullptr);
    // Nothing of this thread runs during the slide, so another thread watches for the popup
    // to appear and then presses its close button.
    struct Watch {
        static DWORD WINAPI Run(void*)
        {
            for (int i = 0; i < 2000 && !IsWindowVisible(NotifySession.popupWindow); ++i) Sleep(1);
            return PressCloseBoxSoon(NotifySession.popupWindow);
        }
    };
    NotifySession.popupWindow = nullptr;
    HANDLE presser = CreateThread(nullptr, 0, Watch::Run, nullptr, 0, nullptr);
    const int shown =
        ShowNotification(NS_CLOSEBOX, "Closing\nwhile sliding", 1, nullptr, nullptr, 20000);
    WaitForSingleObject(presser, 5000);
    CloseHandle(presser);
    Pump();
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(IsWindow(NotifySession.popupWindow));
    EXPECT_EQ(NotifySession.resultCode, 1000);
    EXPECT_EQ(NotifySession.popupClosed, 1);
}

TEST_F(NotificationTest, FiveHundredPopupsLeaveNoObjectsOrWindowsBehind)
{
    auto one = [](int i) {
        HWND popup = MakePopup(NS_CLOSEBOX, "A|B|C", 0x0001, "Yes|No", 0,
                               (i % 2) ? "Red|Green|OK" : nullptr, 9000, "http://example.test/");
        RedrawWindow(popup, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        if (i % 25 == 0) {
            Click(popup, kCloseButtonId);  // the whole closing path, slide-out included
        } else {
            DestroyWindow(popup);  // what WM_DESTROY releases, without the slide's wait
        }
        Pump();
        return !IsWindow(popup);
    };
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(one(i));
    const int objects = CountLiveGdiObjects();
    const int windows = CountThreadWindows();
    ASSERT_GT(objects, 0);
    for (int i = 0; i < 500; ++i) ASSERT_TRUE(one(i)) << i;
    EXPECT_EQ(CountLiveGdiObjects(), objects);
    EXPECT_EQ(CountThreadWindows(), windows);
}

}  // namespace
