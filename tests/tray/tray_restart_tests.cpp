// A restarting shell: Explorer forgets every icon and broadcasts "TaskbarCreated". A live tray
// session adds its icon again, with the icon and tip it shows now; a hidden icon stays hidden.
// The test takes the icon away from the shell's side, as a restart loses it, and posts the
// message as the new shell does.
#include "tray_session.h"

using namespace traytest;

namespace {

// Whether the shell knows the tray window's icon: NIM_MODIFY fails for an icon it lost.
bool ShellKnowsIcon()
{
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = NotifySession.trayWindow;
    data.uID = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// What the old shell's end does to the icon.
void ShellLosesIcon()
{
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = NotifySession.trayWindow;
    data.uID = 0;
    Shell_NotifyIconA(NIM_DELETE, &data);
}

// Sent, so that the tray window has handled it when the call returns.
void ShellRestarts()
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(NotifySession.trayWindow, RegisterWindowMessageA("TaskbarCreated"), 0, 0,
                        SMTO_NORMAL, 10000, &ignored);
}

using TrayRestartTest = TraySessionTest;

TEST_F(TrayRestartTest, ShellThatRestartedGetsTheCurrentIconAndTipAgain)
{
    ApplyTrayRequest(&first);
    ASSERT_TRUE(WaitFor([&] { return NotificationAreaPixels(kRed) == kIconPixels; }));
    ApplyTrayRequest(&second);  // what the session shows now: green, "second"
    ASSERT_TRUE(WaitFor([&] { return NotificationAreaPixels(kGreen) == kIconPixels; }));

    for (int restart = 0; restart < 2; ++restart) {
        SCOPED_TRACE(restart);
        ShellLosesIcon();
        ASSERT_TRUE(WaitFor([] { return NotificationAreaPixels(kGreen) == 0; }));
        EXPECT_FALSE(ShellKnowsIcon());
        ShellRestarts();
        EXPECT_TRUE(ShellKnowsIcon()) << "the icon was not added again";
        EXPECT_TRUE(WaitFor([&] { return NotificationAreaPixels(kGreen) == kIconPixels; }));
        EXPECT_EQ(NotificationAreaPixels(kRed), 0);
        EXPECT_STREQ(trayIcon.iconData.szTip, "second");
    }
    // A message that is not a restart (the shell still has the icon) changes nothing.
    ShellRestarts();
    EXPECT_TRUE(WaitFor([&] { return NotificationAreaPixels(kGreen) == kIconPixels; }));
    EXPECT_TRUE(TrayThreadRunning());
}

TEST_F(TrayRestartTest, IconTheHostHidStaysHiddenUntilTheHostShowsIt)
{
    ApplyTrayRequest(&first);
    ASSERT_TRUE(WaitFor([&] { return NotificationAreaPixels(kRed) == kIconPixels; }));
    PostEvents({{kTrayHideMessage, 0}});
    ASSERT_TRUE(WaitFor([] { return trayIcon.removed == 1; }));
    ShellRestarts();
    EXPECT_FALSE(ShellKnowsIcon()) << "a restart brought back an icon the host had hidden";
    EXPECT_EQ(NotificationAreaPixels(kRed), 0);

    // Shown again by the host, it comes back after the next restart as well.
    ApplyTrayRequest(&first);
    ASSERT_TRUE(WaitFor([&] { return NotificationAreaPixels(kRed) == kIconPixels; }));
    ShellLosesIcon();
    ShellRestarts();
    EXPECT_TRUE(ShellKnowsIcon());
    EXPECT_TRUE(WaitFor([&] { return NotificationAreaPixels(kRed) == kIconPixels; }));
}

TEST(TrayRestart, OnlyALiveSessionWithAnAddedIconTheHostHasNotHiddenAddsItAgain)
{
    struct Case {
        int ending, added, hidden;
        bool back;
    } cases[] = {
        {0, 1, 0, true},
        {1, 1, 0, false},
        {0, 0, 0, false},
        {0, 1, 1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrayIconBackAfterShellRestart(c.ending, c.added, c.hidden), c.back)
            << c.ending << c.added << c.hidden;
    EXPECT_EQ(TaskbarCreatedMessage(), RegisterWindowMessageA("TaskbarCreated"));
    EXPECT_GE(TaskbarCreatedMessage(), 0xC000u);
}

}  // namespace
