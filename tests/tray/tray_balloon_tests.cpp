// The balloon flow where balloon tips are used: this program runs as Windows XP x64 / Server
// 2003 (its version is set in the prefix before it starts). ShowBalloonRequest starts the tray
// thread and waits for the balloon's end, forwards to a live window without waiting, and never
// waits forever: not for a balloon that cannot be shown, nor for a shell that never reports.
#include <gtest/gtest.h>
#include <atomic>
#include <thread>

#include "module/windows_version.h"
#include "tray_session.h"

using namespace traytest;

namespace {

TEST(BalloonVersion, ThisProgramRunsAsServer2003Class)
{
    // Wine gives a 64-bit program no plain XP: it sees XP x64 / Server 2003; a 32-bit one sees XP.
    ASSERT_EQ(ClassifyWindowsVersion(), sizeof(void*) == 8 ? kWinServer2003 : kWinXP);
}

using BalloonTest = TraySessionTest;

TEST_F(BalloonTest, WaitsForTheBalloonsEndAndReportsIt)
{
    struct Case {
        LPARAM event;
        WORD want;
    } cases[] = {{1029, 1001}, {1028, 1000}};
    for (const Case& c : cases) {
        Fill(first, red, "balloon");
        first.balloonRequested = 1;  // as ShowUpdateBalloon sets it
        first.timeoutMs = 15000;
        NotifySession.resultCode = 77;
        std::atomic<bool> returned{false};
        std::thread host([&] {
            ShowBalloonRequest(&first);
            returned = true;
        });
        ASSERT_TRUE(
            WaitFor([] { return TrayWindowLive() && trayIcon.iconData.uTimeout == 15000; }));
        EXPECT_TRUE(WaitFor([&] { return NotificationAreaPixels(kRed) == kIconPixels; }));
        EXPECT_FALSE(returned);
        PostEvents({{0x8400, c.event}});
        host.join();
        EXPECT_EQ(NotifySession.resultCode, c.want);
        EXPECT_FALSE(TrayThreadRunning());
        EXPECT_EQ(NotificationAreaPixels(kRed), 0);
    }
}

TEST_F(BalloonTest, ShowsOnALiveIconWithoutWaiting)
{
    ApplyTrayRequest(&first);
    ASSERT_TRUE(WaitFor(TrayWindowLive));
    HWND window = NotifySession.trayWindow;
    second.timeoutMs = 20000;
    second.balloonRequested = 1;
    NotifySession.resultCode = 77;
    EXPECT_EQ(ShowBalloonRequest(&second), 0);  // returns at once: the session goes on
    EXPECT_TRUE(WaitFor([] { return trayIcon.iconData.uTimeout == 20000; }));
    EXPECT_EQ(NotifySession.trayWindow, window);
    EXPECT_EQ(NotifySession.resultCode, 77);
    PostEvents({{0x8400, 1028}});
    ASSERT_TRUE(TrayThreadEnded());
    EXPECT_EQ(NotifySession.resultCode, 1000);
}

TEST_F(BalloonTest, AbortedRequestWithoutWindowReturnsAtOnce)
{
    first.abort = 1;
    first.balloonRequested = 1;
    NotifySession.resultCode = 77;
    EXPECT_EQ(ShowBalloonRequest(&first), 0);
    EXPECT_FALSE(TrayThreadRunning());
    EXPECT_EQ(NotifySession.resultCode, 77);
    EXPECT_EQ(NotificationAreaPixels(kRed), 0);
}

TEST_F(BalloonTest, AbortThroughTheBalloonRequestEndsTheSession)
{
    ApplyTrayRequest(&first);
    ASSERT_TRUE(WaitFor(TrayWindowLive));
    first.abort = 1;
    EXPECT_EQ(ShowBalloonRequest(&first), 0);
    ASSERT_TRUE(TrayThreadEnded());
    EXPECT_EQ(NotifySession.resultCode, 1);
}

TEST_F(BalloonTest, NeverWaitsForeverOnTheHostsThread)
{
    // A balloon the wrapper refuses ends at once with result 0.
    first.balloonRequested = 1;
    first.timeoutMs = 9999;
    NotifySession.resultCode = 77;
    EXPECT_EQ(ShowBalloonRequest(&first), 0);
    EXPECT_EQ(NotifySession.resultCode, kTrayResultNone);
    EXPECT_FALSE(TrayThreadRunning());

    // A shown balloon that the shell never reports on ends through the watchdog as timed out.
    balloonWatchdogDelayOverrideMs = 100;
    first.timeoutMs = 10000;
    first.balloonRequested = 0;  // the routine shows the balloon even when the flag is clear
    NotifySession.resultCode = 77;
    EXPECT_EQ(ShowBalloonRequest(&first), 0);
    EXPECT_EQ(NotifySession.resultCode, kTrayResultTimedOut);
    EXPECT_FALSE(TrayThreadRunning());
    EXPECT_EQ(NotificationAreaPixels(kRed), 0);
}

}  // namespace
