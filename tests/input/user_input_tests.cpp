// The popup under a user's hands: the host keeps the keyboard while it shows, its own keys
// once clicked into (under the module's wait loop and under the host's loop), the timer held
// by the pointer resting on it, and the user's notification time.
#include <gtest/gtest.h>
#include <atomic>
#include <cstring>

#include "controls/popup_harness.h"
#include "input/user_input.h"
#include "popup/popup_rules.h"
#include "popup/user_input_rules.h"

using namespace input;

namespace {

enum class Loop { Host, Wait };

const char* LoopName(Loop loop)
{
    return loop == Loop::Host ? "host's loop" : "NS_WAIT loop";
}

using harness::SetLists;

class UserInput : public testing::Test {
protected:
    void SetUp() override
    {
        InitialNotifySession(&NotifySession);
        NotifySession.popupWindow = nullptr;
        PointerTo(kPointerAway);
        object = CreateObject();
        ASSERT_NE(object, nullptr);
    }
    void TearDown() override
    {
        if (IsWindow(NotifySession.popupWindow))
            DestroyWindow(NotifySession.popupWindow);
        PointerTo(kPointerAway);
        Pump();
        if (object)
            object->Release();
    }

    // Shows a popup through Action, waited for by the given loop; user() runs on a thread of its
    // own once the popup rests at its place, as a user acting on the screen. Returns the code the
    // popup closed with (a popup that user() left open is closed from outside).
    WORD RunPopup(Loop loop, LONG style, const std::function<void(HWND popup)>& user)
    {
        std::atomic<bool> finished{false};
        std::thread driver([&] {
            if (WaitUntil(PopupAtRest)) {
                HWND popup = NotifySession.popupWindow;
                user(popup);
                if (!WaitUntil([popup] { return !IsWindow(popup); }, 10000)) {
                    ADD_FAILURE() << "the popup did not close";
                    PostMessageA(popup, WM_CLOSE, 0, 0);
                }
            }
            finished = true;
        });
        Action(object, L"Heading", L"Body", style | (loop == Loop::Wait ? LONG(NS_WAIT) : LONG(0)));
        PumpUntil([&] { return finished.load(); }, 60000);
        driver.join();
        return NotifySession.resultCode;
    }

    IAxObj* object = nullptr;
    const DWORD mainThread = GetCurrentThreadId();
};

TEST_F(UserInput, HostKeepsTheKeyboardAndItsEnterWhileThePopupShows)
{
    for (Loop loop : {Loop::Host, Loop::Wait}) {
        SCOPED_TRACE(LoopName(loop));
        HostWindow host;
        ASSERT_EQ(GetForegroundWindow(), host.window);
        InitialNotifySession(&NotifySession);
        SetLists(nullptr, 0, "Yes|No", 0x0001, nullptr);  // "Yes" is the default button
        std::string typed;
        HWND foreground = nullptr, focus = nullptr;
        bool shownAfterEnter = false;
        const WORD code = RunPopup(loop, 0, [&](HWND popup) {
            Press({{'A', false}, {'B', false}, {VK_RETURN, false}, {'C', false}});
            WaitUntil([&] { return host.Text() == "abc"; });
            typed = host.Text();
            foreground = GetForegroundWindow();
            focus = FocusOf(mainThread);
            shownAfterEnter = IsWindowVisible(popup) != FALSE;
            // "No" ends it with a known code. (Its command is posted: a click into the popup while
            // another window of the thread is active is sometimes cancelled by Wine's own focus
            // events; clicks into the popup are driven in the tests below.)
            PostMessageA(popup, WM_COMMAND, kRowButtonFirstId + 1, 0);
        });
        EXPECT_EQ(typed, "abc");
        EXPECT_EQ(foreground, host.window);
        EXPECT_EQ(focus, host.edit);
        EXPECT_TRUE(shownAfterEnter);
        EXPECT_EQ(code, 0x0200);  // "No"; Enter did not press "Yes" (0x0100)
    }
}

TEST_F(UserInput, KeysWorkInThePopupOnceClickedIntoUnderEitherLoop)
{
    const Key tab = {VK_TAB, false}, backTab = {VK_TAB, true}, enter = {VK_RETURN, false},
              esc = {VK_ESCAPE, false}, space = {VK_SPACE, false}, down = {VK_DOWN, false};
    const int kBody = -1;
    struct Case {
        const char* name;
        LONG style;
        const char* checks;
        const char* buttons;
        WORD buttonMask;
        const char* combo;
        int clickOn;  // a control, or the face
        std::vector<Key> keys;
        WORD expected;
    } cases[] = {
        // Esc is no close for a sticky popup without a close button: it waits for the choice.
        {"Tab to the second button, Enter",
         NS_STICKY,
         nullptr,
         "Yes|No",
         0,
         nullptr,
         kBody,
         {esc, tab, enter},
         0x0200},
        {"Esc with a close button",
         NS_CLOSEBOX | NS_STICKY,
         "A",
         nullptr,
         0,
         nullptr,
         kBody,
         {esc},
         1000},
        {"Space toggles, Tab and Shift+Tab, Enter on a box presses the default button",
         NS_STICKY,
         "A|B|C",
         "OK",
         0x0001,
         nullptr,
         kBody,
         {space, tab, tab, space, backTab, space, enter},
         0x0107},
        {"the list: arrows, Tab round, Enter confirms",
         0,
         nullptr,
         nullptr,
         0,
         "Red|Green|Blue|OK",
         kBody,
         {down, tab, backTab, down, enter},
         2},
    };
    for (Loop loop : {Loop::Host, Loop::Wait}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(LoopName(loop)) + ": " + c.name);
            InitialNotifySession(&NotifySession);
            SetLists(c.checks, 0, c.buttons, c.buttonMask, c.combo);
            bool focused = false;
            const WORD code = RunPopup(loop, c.style, [&](HWND popup) {
                if (c.clickOn == kBody)
                    ClickAt(PopupPoint(popup, 150, 30), popup);
                else
                    ClickAt(ControlMiddle(popup, c.clickOn), GetDlgItem(popup, c.clickOn));
                focused = WaitUntil([&] {
                    HWND focus = FocusOf(mainThread);
                    return focus && (focus == popup || IsChild(popup, focus));
                });
                Press(c.keys);
            });
            EXPECT_TRUE(focused);
            EXPECT_EQ(code, c.expected);
        }
    }
}

TEST_F(UserInput, PointerRestingOnThePopupHoldsItsTimerUntilItLeaves)
{
    enum On { Face, CheckBox, Link };
    struct Case {
        const char* name;
        On on;
    } cases[] = {{"the face", Face}, {"a check box", CheckBox}, {"the link, captured", Link}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitialNotifySession(&NotifySession);
        SetLists(c.on == CheckBox ? "A" : nullptr, 0, nullptr, 0, nullptr);
        object->TimeInterval(1000);
        // Where the popup will rest, so that it comes up under the pointer.
        PointerTo(POINT{1024 - 140, 748 - 100});
        Action(object, L"Stay", L"while the pointer rests", NS_CLOSEBOX, L"More",
               L"http://example.invalid/");
        HWND popup = NotifySession.popupWindow;
        ASSERT_TRUE(IsWindowVisible(popup));
        const RECT& link = NotifySession.linkRect;
        const POINT on = c.on == CheckBox ? ControlMiddle(popup, kCheckBoxFirstId)
                         : c.on == Link
                             ? PopupPoint(popup, link.left + 4, (link.top + link.bottom) / 2)
                             : PopupPoint(popup, 150, 40);
        PointerTo(on);
        PumpFor(3000);  // three times the delay
        EXPECT_TRUE(IsWindowVisible(popup));
        if (c.on == Link) {
            EXPECT_EQ(GetCapture(), popup);
            EXPECT_EQ(NotifySession.linkHover, 1);
        }
        PointerTo(kPointerAway);
        EXPECT_TRUE(PumpUntil([popup] { return !IsWindow(popup); }));
        EXPECT_EQ(NotifySession.resultCode, 1000);  // by the timer
        EXPECT_EQ(GetCapture(), nullptr);
    }
}

// Esc closes as the close button, as the timer, or not at all (a sticky popup without a close
// button waits for a choice). The first and last are driven by keys above.
TEST(EscapeKey, ClosesAsTheCloseButtonOrTheTimerWouldOrNotAtAll)
{
    EXPECT_EQ(EscapeCloseFor(NS_CLOSEBOX | NS_STICKY), EscapeClose::AsCloseButton);
    EXPECT_EQ(EscapeCloseFor(0), EscapeClose::AsTimer);
    EXPECT_EQ(EscapeCloseFor(NS_WAIT | NS_FLATBORDER), EscapeClose::AsTimer);
    EXPECT_EQ(EscapeCloseFor(NS_STICKY), EscapeClose::Ignored);
}

TEST(NotificationTime, UsersLongerSettingExtendsTheDelay)
{
    struct Case {
        DWORD delayMs;
        bool answered;
        ULONG userSeconds;
        DWORD expected;
    } cases[] = {
        {9000, false, 60, 9000},     // the system does not answer (Wine, Windows XP)
        {9000, true, 5, 9000},       // the default five seconds: the popup's own delay
        {9000, true, 9, 9000},       // equal
        {9000, true, 30, 30000},     // longer: the user's
        {20000, true, 300, 300000},  // beyond the popup's own bound
        {1, true, 0, 1},
        {9000, true, 0xFFFFFFFFu, 2147483000u},  // an absurd setting stays a valid delay
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.userSeconds);
        EXPECT_EQ(PopupTimerDelay(c.delayMs, c.answered, c.userSeconds), c.expected);
    }
}

}  // namespace
