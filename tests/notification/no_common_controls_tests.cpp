// A host that never registered the extended combo box (run with --no-common-controls): the
// drop-down list cannot be made, yet the popup stays sticky and closes only through a row
// button or the close button.
#include <gtest/gtest.h>

#include "../controls/popup_harness.h"

using namespace harness;

namespace {

TEST(NoCommonControls, ComboPopupClosesOnlyThroughARowButtonOrTheCloseButton)
{
    // Wine's common controls register their classes as soon as the library loads; a host that
    // has none of them is one where the class is missing.
    WNDCLASSEXA known;
    if (GetClassInfoExA(nullptr, "ComboBoxEx32", &known))
        UnregisterClassA("ComboBoxEx32", known.hInstance);
    ASSERT_FALSE(GetClassInfoExA(nullptr, "ComboBoxEx32", &known));

    struct Case {
        LONG style;
        const char* buttons;
        int closeId;
        WORD expected;
    } cases[] = {
        {0, "Yes|No", kRowButtonFirstId + 1, 0},  // the combo rule still replaces the code
        {NS_CLOSEBOX, nullptr, kCloseButtonId, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.closeId);
        InitialNotifySession(&NotifySession);
        NotifySession.comboSelection = 0;
        HWND popup = MakePopup(c.style, nullptr, 0, c.buttons, 0, "Red|Green|OK");
        ASSERT_TRUE(IsWindow(popup));
        EXPECT_EQ(NotifySession.comboWindow, nullptr);
        EXPECT_EQ(GetDlgItem(popup, kConfirmButtonId), nullptr);
        EXPECT_FALSE(KillTimer(popup, kPopupCloseTimerId));  // sticky: no timer was started
        PostMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 40));
        Pump();
        ASSERT_TRUE(IsWindow(popup));
        Click(popup, c.closeId);
        Pump();
        EXPECT_FALSE(IsWindow(popup));
        EXPECT_EQ(NotifySession.resultCode, c.expected);
    }
}

}  // namespace
