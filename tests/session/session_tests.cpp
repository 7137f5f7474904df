// The session record: initial values, list counting (double-byte aware or not), reset.
#include <gtest/gtest.h>
#include <cstring>

#include "popup/notify_session.h"

namespace {

// 億 in code page 936: its trail byte is 0x7C, the separator.
const char kYi[] = "\x83\x7C";

class SessionTest : public testing::Test {
protected:
    void SetUp() override { InitialNotifySession(&NotifySession); }
};

TEST(SessionCodePage, TestsRunUnderCodePage936)
{
    ASSERT_EQ(GetACP(), 936u);
}

TEST(SessionInitial, HoldsTheDefaults)
{
    NotifySessionRecord s;
    InitialNotifySession(&s);
    EXPECT_EQ(s.closeDelayMs, 9000u);
    EXPECT_EQ(s.gradientFrom, 0x00F8D6BFu);
    EXPECT_EQ(s.gradientTo, 0x00FFFFFFu);
    EXPECT_EQ(s.borderColor, 0x00F8D6BFu);
    EXPECT_EQ(s.titleColor, 0u);
    EXPECT_EQ(s.bodyColor, 0u);
    EXPECT_EQ(s.linkClickable, 1);
    EXPECT_EQ(s.popupWidth, 280);
    EXPECT_EQ(s.popupHeight, 180);
    EXPECT_EQ(s.appIcon, nullptr);
    EXPECT_EQ(s.resultCode, 0);
}

struct CountCase {
    std::string text;
    int multibyte;
    int bytewise;
};

TEST(SessionCount, CountsItemsWithBothSearches)
{
    const std::string yi(kYi);
    const CountCase cases[] = {
        {"", 0, 0},
        {"A", 1, 1},
        {"A|B|C", 3, 3},
        {"A|", 2, 2},
        {"|", 2, 2},
        {"A||B", 3, 3},
        {yi, 1, 2},  // the trail byte is no separator for the aware search
        {"A|" + yi + "|B", 3, 4},
        {yi + yi + "|x", 2, 4},
    };
    for (const CountCase& c : cases) {
        EXPECT_EQ(CountListItems(c.text.c_str(), true), c.multibyte) << "aware: " << c.text;
        EXPECT_EQ(CountListItems(c.text.c_str(), false), c.bytewise) << "bytewise: " << c.text;
    }
}

TEST(SessionCount, LeadByteBeforeTheTerminatorDoesNotRunPastIt)
{
    char text[4] = {'A', '\x83', '\0', '|'};
    EXPECT_EQ(FindSeparatorMultibyte(text), nullptr);
}

TEST_F(SessionTest, CountOptionListsFollowsTheFlags)
{
    std::strcpy(NotifySession.checkList, "A|B");
    std::strcpy(NotifySession.buttonList, (std::string("x") + kYi + "y").c_str());
    std::strcpy(NotifySession.comboList, (std::string("x") + kYi + "y").c_str());

    CountOptionLists();
    EXPECT_EQ(NotifySession.checkCount, 2);   // counted whatever hasCheckList says
    EXPECT_EQ(NotifySession.buttonCount, 0);  // flags clear: counts keep their values
    EXPECT_EQ(NotifySession.comboCount, 0);

    NotifySession.hasButtonList = 1;
    NotifySession.hasComboList = 1;
    CountOptionLists();
    EXPECT_EQ(NotifySession.buttonCount, 2);  // byte-wise: the trail byte separates
    EXPECT_EQ(NotifySession.comboCount, 1);   // aware: it does not
}

TEST_F(SessionTest, ResetClearsListsAndFlagsAndKeepsTheRest)
{
    std::strcpy(NotifySession.checkList, "A|B");
    std::strcpy(NotifySession.buttonList, "C");
    std::strcpy(NotifySession.comboList, "D|E");
    std::strcpy(NotifySession.messageText, "head\nbody");
    NotifySession.checkMask = 5;
    NotifySession.checkCount = 2;
    NotifySession.hasCheckList = 1;
    NotifySession.buttonMask = 1;
    NotifySession.buttonCount = 1;
    NotifySession.hasButtonList = 1;
    NotifySession.comboCount = 2;
    NotifySession.hasComboList = 1;
    NotifySession.timedOut = 1;
    NotifySession.balloonClicked = 1;
    NotifySession.closeBoxShown = 1;
    NotifySession.closeBoxClicked = 1;
    NotifySession.resultCode = 0x0201;
    NotifySession.comboSelection = 3;
    NotifySession.pressedButton = 2;
    NotifySession.style = NS_STICKY | NS_WAIT;

    ResetSession("VorbelNotify");

    for (const char* list :
         {NotifySession.checkList, NotifySession.buttonList, NotifySession.comboList})
        for (int i = 0; i < kListSize; ++i) ASSERT_EQ(list[i], 0);
    EXPECT_EQ(NotifySession.checkMask + NotifySession.checkCount + NotifySession.hasCheckList, 0);
    EXPECT_EQ(NotifySession.buttonMask + NotifySession.buttonCount + NotifySession.hasButtonList,
              0);
    EXPECT_EQ(NotifySession.comboCount + NotifySession.hasComboList, 0);
    EXPECT_EQ(NotifySession.timedOut + NotifySession.balloonClicked, 0);
    EXPECT_EQ(NotifySession.closeBoxShown + NotifySession.closeBoxClicked, 0);
    EXPECT_EQ(NotifySession.resultCode, 0x0201);
    EXPECT_EQ(NotifySession.comboSelection, 3);
    EXPECT_EQ(NotifySession.pressedButton, 2);
    EXPECT_EQ(NotifySession.style, NS_STICKY | NS_WAIT);
    EXPECT_STREQ(NotifySession.messageText, "head\nbody");
}

TEST_F(SessionTest, ResetRaisesTheClosingFlagOfTheClass)
{
    struct {
        const char* name;
        int popupClosed;
        int trayClosed;
    } cases[] = {
        {"VorbelNotify", 1, 0},
        {"vorbelnotify", 1, 0},
        {"VorbelXTrayIcon", 0, 1},
        {"Other", 0, 0},
    };
    for (const auto& c : cases) {
        NotifySession.popupClosed = 0;
        NotifySession.trayClosed = 0;
        ResetSession(c.name);
        EXPECT_EQ(NotifySession.popupClosed, c.popupClosed) << c.name;
        EXPECT_EQ(NotifySession.trayClosed, c.trayClosed) << c.name;
    }
}

TEST_F(SessionTest, ResetStopsThePopupTimerUnlessSticky)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    NotifySession.popupWindow = window;

    // A timer survives a sticky reset: SetTimer with the same id on a live timer replaces it,
    // so KillTimer's answer after the reset tells whether the reset stopped it.
    SetTimer(window, 1000, 100000, nullptr);
    NotifySession.style = NS_STICKY;
    ResetSession("VorbelNotify");
    EXPECT_TRUE(KillTimer(window, 1000));

    SetTimer(window, 1000, 100000, nullptr);
    NotifySession.style = 0;
    ResetSession("VorbelNotify");
    EXPECT_FALSE(KillTimer(window, 1000));

    DestroyWindow(window);
    ResetSession("VorbelNotify");  // a stale handle does no harm
}

}  // namespace
