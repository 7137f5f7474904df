// The popup's window procedure driven as a user's input arrives: BM_CLICK on its controls,
// posted timer expiries and clicks at client points; the result code of every closing path.
#include <gtest/gtest.h>

#include "popup_harness.h"

using namespace harness;

namespace {

class PopupProcTest : public testing::Test {
protected:
    void SetUp() override { InitialNotifySession(&NotifySession); }
    void TearDown() override
    {
        if (IsWindow(NotifySession.popupWindow))
            DestroyWindow(NotifySession.popupWindow);
        Pump();
    }
};

enum Close { kTimer, kBodyClick, kRowButton, kConfirm, kCloseBox };

struct ResultCase {
    const char* name;
    LONG style;
    const char* checks;
    WORD checkMask;
    const char* buttons;
    WORD buttonMask;
    const char* combo;
    int toggleBox;  // a box clicked before closing, or -1
    Close close;
    int closeArgument;  // row button index, or list index selected before the confirm (-1 none)
    int pressedBefore;  // pressedButton left by an earlier popup
    WORD expected;
};

const ResultCase kResultCases[] = {
    {"boxes 0 and 2 then the timer", 0, "A|B|C", 0x0005, nullptr, 0, nullptr, -1, kTimer, 0, 0,
     0x0005},
    {"box clicked on then the timer", 0, "A|B|C", 0x0001, nullptr, 0, nullptr, 1, kTimer, 0, 0,
     0x0003},
    {"body click reports the boxes", 0, "A|B", 0x0002, nullptr, 0, nullptr, -1, kBodyClick, 0, 0,
     0x0002},
    {"fifth box never reported", 0, "A|B|C|D|E", 0x0010, nullptr, 0, nullptr, -1, kTimer, 0, 0,
     0x0000},
    {"four boxes all reported", 0, "A|B|C|D|E", 0x001F, nullptr, 0, nullptr, -1, kTimer, 0, 0,
     0x000F},
    {"second row button and box 0", 0, "A", 0x0001, "X|Y|Z", 0, nullptr, -1, kRowButton, 1, 0,
     0x0201},
    {"default button 1 closed by timer", 0, nullptr, 0, "X|Y", 0x0002, nullptr, -1, kTimer, 0, 0,
     0x0200},
    {"earlier pressed button carries over", 0, nullptr, 0, "X|Y|Z", 0, nullptr, -1, kTimer, 0, 2,
     0x0400},
    {"pressed index 8 sets no bit", 0, "A", 1, "X", 0, nullptr, -1, kTimer, 0, 8, 0x0001},
    {"confirm third entry wins over all", 0, "A|B", 0x0003, "X|Y", 0x0001, "R|G|B|OK", -1, kConfirm,
     2, 0, 2},
    {"confirm with nothing selected", 0, nullptr, 0, nullptr, 0, "R|G|OK", -1, kConfirm, -1, 0,
     0xFFFF},
    {"row button in a combo popup", 0, nullptr, 0, "X|Y", 0, "R|G|OK", -1, kRowButton, 1, 0, 0},
    {"close box pressed", NS_CLOSEBOX, "A", 1, nullptr, 0, nullptr, -1, kCloseBox, 0, 0, 1000},
    {"close box popup timed out", NS_CLOSEBOX, "A", 1, "X", 0, nullptr, -1, kTimer, 0, 0, 1000},
    {"close box popup body click", NS_CLOSEBOX, "A", 1, nullptr, 0, nullptr, -1, kBodyClick, 0, 0,
     1001},
    {"close box popup row button", NS_CLOSEBOX, nullptr, 0, "X|Y", 0, nullptr, -1, kRowButton, 0, 0,
     1001},
    {"close box popup confirm", NS_CLOSEBOX, nullptr, 0, nullptr, 0, "R|G|OK", -1, kConfirm, 1, 0,
     1001},
};

TEST_F(PopupProcTest, EveryClosingPathReportsItsCode)
{
    for (const ResultCase& c : kResultCases) {
        SCOPED_TRACE(c.name);
        InitialNotifySession(&NotifySession);
        NotifySession.pressedButton = c.pressedBefore;
        NotifySession.resultCode = 0x7777;
        HWND popup = MakePopup(c.style, c.checks, c.checkMask, c.buttons, c.buttonMask, c.combo);
        ASSERT_TRUE(IsWindow(popup));
        if (c.toggleBox >= 0)
            Click(popup, kCheckBoxFirstId + c.toggleBox);
        switch (c.close) {
        case kTimer:
            PostMessageA(popup, WM_TIMER, kPopupCloseTimerId, 0);
            break;
        case kBodyClick:
            PostMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 40));
            break;
        case kRowButton:
            Click(popup, kRowButtonFirstId + c.closeArgument);
            break;
        case kConfirm:
            SendMessageA(NotifySession.comboWindow, CB_SETCURSEL,
                         static_cast<WPARAM>(c.closeArgument), 0);
            Click(popup, kConfirmButtonId);
            break;
        case kCloseBox:
            Click(popup, kCloseButtonId);
            break;
        }
        Pump();
        EXPECT_FALSE(IsWindow(popup));
        EXPECT_EQ(NotifySession.resultCode, c.expected);
        EXPECT_EQ(NotifySession.popupClosed, 1);
        EXPECT_EQ(NotifySession.hasCheckList + NotifySession.hasButtonList +
                      NotifySession.hasComboList,
                  0);
        if (IsWindow(popup))
            DestroyWindow(popup);
    }
}

}  // namespace
