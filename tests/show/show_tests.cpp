// Showing and hiding through the real popup window: placement, the slide positions the window
// is asked to take, refusal while visible, the texts kept, and the NS_WAIT loop's ends.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "popup/notify_session.h"
#include "popup/popup_geometry.h"
#include "popup/show_notification.h"
#include "support/popup_moves.h"
#include "support/gdi_count.h"

namespace {

RECT WorkArea()
{
    RECT r;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

std::vector<int> Slide(int from, int to)
{
    std::vector<int> v(static_cast<size_t>(ComputeSlidePositions(from, to, 3, nullptr, 0)));
    ComputeSlidePositions(from, to, 3, v.data(), static_cast<int>(v.size()));
    return v;
}

// The vertical positions the popup is asked to move to, as its WM_WINDOWPOSCHANGING reports them.
std::vector<int> moves;

class ShowTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitialNotifySession(&NotifySession);
        moves.clear();
        ASSERT_TRUE(StartRecordingPopupMoves(&moves));
    }
    void TearDown() override
    {
        StopRecordingPopupMoves();
        if (IsWindow(NotifySession.popupWindow))
            DestroyWindow(NotifySession.popupWindow);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    // A popup that stays until the test ends it.
    int ShowLasting(const char* message = "title\nbody", LONG style = 0)
    {
        return ShowNotification(style, message, 1, nullptr, nullptr, 20000);
    }
};

TEST(PopupGeometry, PlacesThePopupAtTheWorkAreasLowerRight)
{
    const RECT area = {0, 0, 1024, 748};
    PopupPlacement p = ComputePopupPlacement(area, 280, false);
    EXPECT_EQ(p.shownX, 744);
    EXPECT_EQ(p.shownY, 588);
    EXPECT_EQ(p.hiddenY, 748);
    EXPECT_EQ(p.height, 160);
    p = ComputePopupPlacement(RECT{100, 30, 900, 600}, 280, true);
    EXPECT_EQ(p.shownX, 620);
    EXPECT_EQ(p.shownY, 420);
    EXPECT_EQ(p.hiddenY, 600);
    EXPECT_EQ(p.height, 180);
}

TEST(PopupGeometry, SlideStopsOneStepShortOfItsTarget)
{
    std::vector<int> up = Slide(748, 588);
    ASSERT_EQ(up.size(), 54u);
    EXPECT_EQ(up.front(), 748);
    EXPECT_EQ(up[1], 745);
    EXPECT_EQ(up.back(), 748 - 159);
    up = Slide(748, 568);
    ASSERT_EQ(up.size(), 60u);
    EXPECT_EQ(up.back(), 748 - 177);
    std::vector<int> down = Slide(588, 748);
    ASSERT_EQ(down.size(), 54u);
    EXPECT_EQ(down.front(), 588);
    EXPECT_EQ(down.back(), 747);
    EXPECT_TRUE(Slide(600, 600).empty());
    EXPECT_EQ(ComputeSlidePositions(0, 10, 0, nullptr, 0), 0);  // no endless slide
}

TEST_F(ShowTest, SlidesUpInThreeStepsAndRestsOnTheWorkAreasEdge)
{
    struct Case {
        const char* checks;
        int height;
    } cases[] = {{"", 160}, {"a|b", 180}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.height);
        std::strcpy(NotifySession.checkList, k.checks);
        moves.clear();
        ASSERT_EQ(ShowLasting(), 1);
        const RECT area = WorkArea();
        HWND popup = NotifySession.popupWindow;
        RECT r;
        GetWindowRect(popup, &r);
        EXPECT_EQ(r.left, area.right - 280);
        EXPECT_EQ(r.top, area.bottom - k.height);
        EXPECT_EQ(r.right, area.right);
        EXPECT_EQ(r.bottom, area.bottom);
        EXPECT_TRUE(IsWindowVisible(popup));
        char name[32];
        GetClassNameA(popup, name, sizeof name);
        EXPECT_STREQ(name, "VorbelNotify");

        // Placement, then the start of the slide, the steps, and the final move onto the edge.
        std::vector<int> expected = {area.bottom - k.height, area.bottom};
        for (int y : Slide(area.bottom, area.bottom - k.height)) expected.push_back(y);
        expected.push_back(area.bottom - k.height);
        EXPECT_EQ(moves, expected);
        EXPECT_EQ(expected.size() - 3, k.height == 160 ? 54u : 60u);
        DestroyWindow(popup);
    }
}

TEST_F(ShowTest, SlideOutMovesDownFromTheRestingPlaceAndHides)
{
    ASSERT_EQ(ShowLasting(), 1);
    const RECT area = WorkArea();
    // Out of place: the slide-out still starts at the resting place.
    SetWindowPos(NotifySession.popupWindow, nullptr, area.right - 280, 100, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    moves.clear();
    SlideOutPopup();
    std::vector<int> expected = {area.bottom - 160};
    for (int y : Slide(area.bottom - 160, area.bottom)) expected.push_back(y);
    EXPECT_EQ(moves, expected);
    EXPECT_TRUE(IsWindow(NotifySession.popupWindow));
    EXPECT_FALSE(IsWindowVisible(NotifySession.popupWindow));

    moves.clear();
    SlideWindow(NotifySession.popupWindow, 5, 300, 300, 3);  // placed and shown, no steps
    EXPECT_EQ(moves, std::vector<int>{300});
    EXPECT_TRUE(IsWindowVisible(NotifySession.popupWindow));
}

TEST_F(ShowTest, RefusesWhileVisibleButTakesTheNewStyle)
{
    ASSERT_EQ(ShowNotification(0, "first", 1, "http://a/", "a", 20000), 1);
    HWND popup = NotifySession.popupWindow;
    const int windows = CountThreadWindows();
    std::strcpy(NotifySession.comboList, "x|y");
    NotifySession.hasComboList = 1;
    for (LONG style : {LONG(NS_ICON_INFO), LONG(NS_DIALOG | NS_ICON_INFO)}) {
        EXPECT_EQ(ShowNotification(style, "second", 0, "http://b/", "b", 500), 0);
        EXPECT_EQ(NotifySession.style, style | NS_STICKY);
        EXPECT_STREQ(NotifySession.messageText, "first");
        EXPECT_STREQ(NotifySession.linkUrl, "http://a/");
        EXPECT_STREQ(NotifySession.linkText, "a");
        EXPECT_EQ(NotifySession.linkClickable, 1);
        EXPECT_EQ(NotifySession.popupWindow, popup);
    }
    EXPECT_EQ(CountThreadWindows(), windows);  // no dialog appeared
}

TEST_F(ShowTest, CutsTextsAndDropsALinkTextWithoutAddress)
{
    const std::string longText(300, 'm');
    ASSERT_EQ(ShowNotification(0, longText.c_str(), 1, nullptr, "shown?", 20000), 1);
    EXPECT_EQ(std::string(NotifySession.messageText), longText.substr(0, 259));
    EXPECT_STREQ(NotifySession.linkUrl, "");
    EXPECT_STREQ(NotifySession.linkText, "");
    DestroyWindow(NotifySession.popupWindow);

    ASSERT_EQ(ShowNotification(0, nullptr, 0, longText.c_str(), longText.c_str(), 20000), 1);
    EXPECT_STREQ(NotifySession.messageText, "");
    EXPECT_EQ(std::strlen(NotifySession.linkUrl), 259u);
    EXPECT_EQ(std::strlen(NotifySession.linkText), 259u);
}

TEST_F(ShowTest, ComboListMakesThePopupSticky)
{
    std::strcpy(NotifySession.comboList, "x|y|z");
    NotifySession.hasComboList = 1;
    ASSERT_EQ(ShowNotification(NS_ICON_INFO, "pick", 1, nullptr, nullptr, 1), 1);
    EXPECT_EQ(NotifySession.style, NS_ICON_INFO | NS_STICKY);
    // A 1 ms close delay would have fired by now; a sticky popup has no timer.
    MSG msg;
    Sleep(50);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    EXPECT_TRUE(IsWindowVisible(NotifySession.popupWindow));
}

VOID CALLBACK QuitLater(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    PostQuitMessage(7);
}

TEST_F(ShowTest, WaitReturnsAfterTheCloseAndKeepsTheHostsQuit)
{
    // Before the call (it meets the slide), and during the wait.
    PostQuitMessage(7);
    ASSERT_EQ(ShowNotification(NS_WAIT, "wait", 1, nullptr, nullptr, 100), 1);
    EXPECT_FALSE(IsWindow(NotifySession.popupWindow));
    MSG quitMsg;
    ASSERT_TRUE(PeekMessageA(&quitMsg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quitMsg.wParam, 7u);

    SetTimer(nullptr, 0, 1, QuitLater);
    ASSERT_EQ(ShowNotification(NS_WAIT, "wait", 1, nullptr, nullptr, 300), 1);
    EXPECT_FALSE(IsWindow(NotifySession.popupWindow));
    EXPECT_EQ(NotifySession.popupClosed, 1);
    MSG msg;
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            EXPECT_EQ(msg.wParam, 7u);
        }
    }
    EXPECT_TRUE(quit);
}

// Set by the watchdog when the wait had to be woken by hand.
volatile LONG waitRescued;
volatile LONG waitReturned;

TEST_F(ShowTest, CloseSentFromAnotherThreadEndsTheWait)
{
    // Sticky with a close button: only the close button's command ends it.
    waitRescued = 0;
    waitReturned = 0;
    const DWORD self = GetCurrentThreadId();
    std::thread closer([] {
        for (int i = 0; i < 500; ++i) {
            HWND popup = NotifySession.popupWindow;
            RECT r;
            if (popup && IsWindowVisible(popup) && GetWindowRect(popup, &r) &&
                r.top == NotifySession.shownY)
                break;
            Sleep(10);
        }
        SendMessageA(NotifySession.popupWindow, WM_COMMAND, 0x9200, 0);
    });
    // Should the wait sleep on after the close, wake it so the test ends, and fail it.
    std::thread watchdog([self] {
        for (int i = 0; i < 100 && !NotifySession.popupClosed; ++i) Sleep(50);
        for (int i = 0; i < 60 && !waitReturned; ++i) Sleep(50);
        if (waitReturned)
            return;
        InterlockedExchange(&waitRescued, 1);
        PostThreadMessageA(self, WM_NULL, 0, 0);
    });
    ASSERT_EQ(ShowNotification(NS_WAIT | NS_STICKY | NS_CLOSEBOX, "sent", 1, nullptr, nullptr, 0),
              1);
    const LONG rescued = waitRescued;
    InterlockedExchange(&waitReturned, 1);
    closer.join();
    watchdog.join();
    EXPECT_EQ(rescued, 0) << "the wait returned only because of the watchdog";
    EXPECT_FALSE(IsWindow(NotifySession.popupWindow));
    EXPECT_EQ(NotifySession.resultCode, 1000);
}

VOID CALLBACK AnswerDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = FindWindowA("#32770", nullptr);
    if (!dialog)
        return;
    KillTimer(nullptr, timer);
    PostMessageA(dialog, WM_COMMAND, GetPropA(GetDesktopWindow(), "ntf-answer") ? IDOK : IDCANCEL,
                 0);
}

TEST_F(ShowTest, DialogReturnsOneForOkAndZeroForCancel)
{
    for (bool ok : {true, false}) {
        SCOPED_TRACE(ok);
        SetPropA(GetDesktopWindow(), "ntf-answer", ok ? reinterpret_cast<HANDLE>(1) : nullptr);
        SetTimer(nullptr, 0, 50, AnswerDialog);
        EXPECT_EQ(ShowNotification(NS_DIALOG | NS_WAIT, "ask", 1, nullptr, nullptr, 100),
                  ok ? 1 : 0);
        EXPECT_EQ(NotifySession.popupWindow, nullptr);  // no popup on this path
    }
    RemovePropA(GetDesktopWindow(), "ntf-answer");
}

TEST_F(ShowTest, ShownAndClosedPopupsLeaveNoObjectsOrWindows)
{
    auto round = [](int i) {
        ASSERT_EQ(ShowNotification(i % 2 ? NS_CLOSEBOX : NS_FLATBORDER, "\xB1\xEA\xCC\xE2\nbody", 1,
                                   "http://example.org/", nullptr, 20000),
                  1);
        UpdateWindow(NotifySession.popupWindow);
        // Every other one closes the way the timer closes it: slide out, hide, destroy.
        if (i % 2)
            PostMessageA(NotifySession.popupWindow, WM_TIMER, 1000, 0);
        else
            DestroyWindow(NotifySession.popupWindow);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        ASSERT_FALSE(IsWindow(NotifySession.popupWindow));
    };
    for (int i = 0; i < 4; ++i) round(i);  // warm-up: classes, icons, bitmaps the system keeps
    const int objects = CountLiveGdiObjects();
    const int windows = CountThreadWindows();
    for (int i = 0; i < 50; ++i) round(i);
    EXPECT_EQ(CountLiveGdiObjects(), objects);
    EXPECT_EQ(CountThreadWindows(), windows);
}

}  // namespace
