// The tray thread and its window, driven through ApplyTrayRequest under Wine's default
// version (no balloon tips): icon shown, replaced, ended by abort or by the balloon's events,
// and no second thread for requests that race the start. The shell's balloon events, which
// Wine never sends, are posted as the shell would send them.
#include <gtest/gtest.h>
#include <atomic>
#include <string>
#include <thread>

#include "module/windows_version.h"
#include "tray_session.h"

using namespace traytest;

namespace {

TEST(WindowsVersion, ClassifiesEveryRowOfTheTable)
{
    struct Case {
        DWORD getVersion;
        bool haveInfo;
        DWORD major, minor;
        int want;
    } cases[] = {
        {0x80000003, false, 0, 0, kWinWin32s},  // 95 family below 4: GetVersion decides
        {0x80000003, true, 4, 10, kWinWin32s},
        {0x80000004, true, 4, 0, kWin95},
        {0x80000004, true, 4, 3, kWin95},
        {0x80000004, true, 5, 0, kWin95},   // another major in GetVersionExA
        {0x80000004, false, 0, 0, kWin95},  // no version record
        {0x80000004, true, 4, 10, kWin98},
        {0x80000004, true, 4, 90, kWinMe},
        {0x00000004, true, 4, 0, kWinNT4},
        {0x08930005, true, 5, 0, kWin2000},
        {0x0A280105, true, 5, 1, kWinXP},
        {0x0ECE0205, true, 5, 2, kWinServer2003},
        {0x00000205, true, 5, 3, kWinOtherNT},
        {0x00003303, true, 3, 51, kWinOtherNT},
        {0x17700006, true, 6, 0, kWinOtherNT},
        {0x1DB10106, true, 6, 1, kWinOtherNT},
        {0x4A61000A, true, 10, 0, kWinOtherNT},
        {0x0A280105, false, 0, 0, kWinOtherNT},  // NT without a version record
    };
    for (const Case& c : cases) {
        OSVERSIONINFOA info = {};
        info.dwOSVersionInfoSize = sizeof info;
        info.dwMajorVersion = c.major;
        info.dwMinorVersion = c.minor;
        EXPECT_EQ(ClassifyWindowsVersionFrom(c.getVersion, c.haveInfo ? &info : nullptr), c.want)
            << std::hex << c.getVersion << std::dec << " " << c.major << "." << c.minor;
        EXPECT_EQ(UsesBalloonTips(c.want), c.want == kWinXP || c.want == kWinServer2003);
    }
    EXPECT_EQ(ClassifyWindowsVersion(), kWinOtherNT);  // Wine's default, Windows 7
}

using TrayThreadTest = TraySessionTest;

TEST_F(TrayThreadTest, IconShownThenReplacedThenEndedByAbort)
{
    NotifySession.resultCode = 77;
    EXPECT_EQ(ApplyTrayRequest(&first), 0);
    ASSERT_TRUE(WaitFor([&] { return NotificationAreaPixels(kRed) == kIconPixels; }));
    HWND window = NotifySession.trayWindow;
    ASSERT_TRUE(TrayWindowLive());
    EXPECT_TRUE(TrayThreadRunning());
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    EXPECT_STREQ(name, "VorbelXTrayIcon");
    GetWindowTextA(window, name, sizeof name);
    EXPECT_STREQ(name, "VorbelXTrayIcon");
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_NE(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());
    EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_STREQ(trayIcon.iconData.szTip, "first");

    // A second request while the icon is shown replaces icon and tip on the same window.
    EXPECT_EQ(ApplyTrayRequest(&second), 0);
    EXPECT_TRUE(WaitFor([&] { return NotificationAreaPixels(kGreen) == kIconPixels; }));
    EXPECT_EQ(NotificationAreaPixels(kRed), 0);
    EXPECT_EQ(NotifySession.trayWindow, window);
    EXPECT_STREQ(trayIcon.iconData.szTip, "second");
    EXPECT_EQ(NotifySession.resultCode, 77);

    // Abort: the icon goes, the thread and its window end, the result is 1.
    second.abort = 1;
    EXPECT_EQ(ApplyTrayRequest(&second), 0);
    ASSERT_TRUE(TrayThreadEnded());
    EXPECT_EQ(NotifySession.resultCode, 1);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(trayIcon.removed, 1);
    EXPECT_EQ(NotificationAreaPixels(kGreen), 0);
    EXPECT_EQ(NotifySession.trayClosed, 1);
}

TEST_F(TrayThreadTest, NullOrAbortedRequestWithoutWindowStartsNothing)
{
    NotifySession.resultCode = 77;
    EXPECT_EQ(ApplyTrayRequest(nullptr), 0);
    EXPECT_EQ(NotifySession.currentTrayRequest, nullptr);
    first.abort = 1;
    first.balloonRequested = 1;
    EXPECT_EQ(ApplyTrayRequest(&first), 0);
    EXPECT_EQ(ShowBalloonRequest(nullptr), 0);
    EXPECT_FALSE(TrayThreadRunning());
    EXPECT_EQ(NotifySession.trayWindow, nullptr);
    EXPECT_EQ(NotifySession.resultCode, 77);
}

TEST_F(TrayThreadTest, BalloonEventsSetTheResult)
{
    struct Case {
        const char* name;
        std::initializer_list<std::pair<UINT, LPARAM>> events;
        WORD want;
    } cases[] = {
        {"clicked", {{0x8400, 1029}}, 1001},
        {"timed out", {{0x8400, 1028}}, 1000},
        {"timed out, second callback value", {{0x8403, 1028}}, 1000},
        {"clicked and timed out", {{0x8400, 1029}, {0x8400, 1028}}, 1001},
        {"icon clicks do not end it",
         {{0x8400, WM_LBUTTONDOWN}, {0x8400, WM_LBUTTONUP}, {0x8400, 1028}},
         1000},
        {"shown and hidden do not end it",
         {{0x8400, 0x402}, {0x8400, 0x403}, {0x8400, 1029}},
         1001},
    };
    for (const Case& c : cases) {
        Fill(first, red, "balloon");
        first.balloonRequested = 1;
        NotifySession.resultCode = 77;
        ApplyTrayRequest(&first);
        // The window is published after WM_CREATE has queued the balloon: events come after it.
        ASSERT_TRUE(WaitFor(TrayWindowLive)) << c.name;
        PostEvents(c.events);
        ASSERT_TRUE(TrayThreadEnded()) << c.name;
        EXPECT_EQ(NotifySession.resultCode, c.want) << c.name;
        EXPECT_EQ(trayIcon.removed, 1) << c.name;
        EXPECT_EQ(NotifySession.balloonClicked, 0) << c.name;
        EXPECT_EQ(NotifySession.timedOut, 0) << c.name;
        EXPECT_TRUE(WaitFor([] { return NotificationAreaPixels(kRed) == 0; })) << c.name;
    }
}

TEST_F(TrayThreadTest, BalloonThatCannotBeShownEndsTheSessionAtOnce)
{
    struct Case {
        const char* name;
        UINT timeoutMs;
        bool icon;
    } cases[] = {
        {"display time below the range", 9999, true},
        {"display time above the range", 30001, true},
        {"no icon in the notification area", 10000, false},
    };
    for (const Case& c : cases) {
        Fill(first, c.icon ? red : nullptr, "balloon");
        first.balloonRequested = 1;
        first.timeoutMs = c.timeoutMs;
        NotifySession.resultCode = 77;
        ApplyTrayRequest(&first);
        ASSERT_TRUE(TrayThreadEnded()) << c.name;
        EXPECT_EQ(NotifySession.resultCode, kTrayResultNone) << c.name;
        EXPECT_EQ(trayIcon.removed, 1) << c.name;
        EXPECT_FALSE(IsWindow(NotifySession.trayWindow)) << c.name;
    }
}

TEST_F(TrayThreadTest, WatchdogEndsABalloonTheShellNeverReports)
{
    EXPECT_GT(BalloonWatchdogDelayMs(30000), 30000u + 30000u);
    balloonWatchdogDelayOverrideMs = 50;
    balloonWatchdogFirings = 0;
    first.balloonRequested = 1;
    NotifySession.resultCode = 77;
    ApplyTrayRequest(&first);
    ASSERT_TRUE(TrayThreadEnded());
    EXPECT_EQ(NotifySession.resultCode, kTrayResultTimedOut);
    EXPECT_EQ(balloonWatchdogFirings, 1);
    EXPECT_EQ(trayIcon.removed, 1);
}

TEST_F(TrayThreadTest, WatchdogLeavesABalloonTheShellReportsShown)
{
    ApplyTrayRequest(&first);
    ASSERT_TRUE(WaitFor(TrayWindowLive));
    balloonWatchdogDelayOverrideMs = 30;
    balloonWatchdogFirings = 0;
    // The balloon and the shell's report that it is up, in the order the shell sends them.
    PostEvents({{kTrayBalloonMessage, 0}, {0x8400, 0x402}});
    ASSERT_TRUE(WaitFor([] { return balloonWatchdogFirings >= 3; }));
    EXPECT_TRUE(TrayThreadRunning());
    EXPECT_TRUE(TrayWindowLive());
    // Hidden without a time-out or click: nothing more will come, the watchdog ends it.
    PostEvents({{0x8400, 0x403}});
    ASSERT_TRUE(TrayThreadEnded());
    EXPECT_EQ(NotifySession.resultCode, kTrayResultTimedOut);
}

TEST_F(TrayThreadTest, HideMessageHidesAndRemovesTheIcon)
{
    ApplyTrayRequest(&first);
    ASSERT_TRUE(WaitFor([&] { return NotificationAreaPixels(kRed) == kIconPixels; }));
    PostEvents({{kTrayHideMessage, 0}});
    EXPECT_TRUE(WaitFor([] { return NotificationAreaPixels(kRed) == 0; }));
    EXPECT_TRUE(WaitFor([] { return trayIcon.removed == 1; }));
    // A later request brings the icon back as it was recorded.
    ApplyTrayRequest(&second);
    EXPECT_TRUE(WaitFor([&] { return NotificationAreaPixels(kRed) == kIconPixels; }));
    EXPECT_TRUE(TrayThreadRunning());
}

TEST_F(TrayThreadTest, RequestsThatRaceTheStartShareOneThread)
{
    for (int round = 0; round < 5; ++round) {
        InitialNotifySession(&NotifySession);
        Fill(first, red, "first");
        Fill(second, red, "second");
        HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::atomic<int> ready{0};
        auto call = [&](TrayRequest* request) {
            ++ready;
            WaitForSingleObject(go, INFINITE);
            ApplyTrayRequest(request);
        };
        std::thread a(call, &first), b(call, &second);
        while (ready < 2) Sleep(0);
        SetEvent(go);
        a.join();
        b.join();
        CloseHandle(go);
        ASSERT_TRUE(WaitFor([] { return NotificationAreaPixels(kRed) >= kIconPixels; }));
        Sleep(100);  // let a second thread, if one was started, add its icon too
        EXPECT_EQ(NotificationAreaPixels(kRed), kIconPixels) << "round " << round;
        // One abort ends the one session; a second thread would keep running.
        second.abort = 1;
        ApplyTrayRequest(&second);
        ASSERT_TRUE(TrayThreadEnded()) << "round " << round;
        EXPECT_TRUE(WaitFor([] { return NotificationAreaPixels(kRed) == 0; }));
    }
}

}  // namespace

namespace {

// Without balloon tips the request is shown as a popup: title as heading, text as body, the
// display time as the close delay, and the popup's result as the session's.
TEST_F(TrayThreadTest, BalloonFallsBackToAWaitingPopup)
{
    std::strcpy(first.url, "http://example.invalid/update");
    std::strcpy(first.urlDisplay, "Details");
    first.timeoutMs = 12000;
    first.balloonRequested = 1;
    NotifySession.resultCode = 77;
    LONG style = 0;
    std::string message, url, link;
    DWORD delay = 0;
    std::thread user([&] {
        HWND popup = nullptr;
        if (!WaitFor([&] {
                return (popup = FindWindowA("VorbelNotify", nullptr)) && IsWindowVisible(popup);
            }))
            return;
        style = NotifySession.style;
        message = NotifySession.messageText;
        url = NotifySession.linkUrl;
        link = NotifySession.linkText;
        delay = NotifySession.closeDelayMs;
        PostMessageA(popup, WM_COMMAND, 0x9200, 0);  // the close button
    });
    int shown = ShowBalloonRequest(&first);
    user.join();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(style, 0x9088);
    EXPECT_EQ(message, "Title\nBalloon text");
    EXPECT_EQ(url, "http://example.invalid/update");
    EXPECT_EQ(link, "Details");
    EXPECT_EQ(delay, 12000u);
    EXPECT_EQ(NotifySession.resultCode, 1000);  // close button under NS_CLOSEBOX
    EXPECT_FALSE(TrayThreadRunning());
    EXPECT_EQ(NotifySession.trayWindow, nullptr);
}

}  // namespace
