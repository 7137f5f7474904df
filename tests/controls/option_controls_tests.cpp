// The option controls as the popup builds them: identifiers, styles, places, captions, the
// destructive list walk, the drop-down list and its confirm button, and the close button's
// images.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "popup/option_controls.h"
#include "popup_harness.h"
#include "support/gdi_count.h"

using namespace harness;

namespace {

class OptionControlsTest : public testing::Test {
protected:
    void SetUp() override { InitialNotifySession(&NotifySession); }
    void TearDown() override
    {
        if (IsWindow(NotifySession.popupWindow))
            DestroyWindow(NotifySession.popupWindow);
        Pump();
    }
};

struct Control {
    std::string text;
    LONG style;
    RECT rect;  // in the popup's client coordinates
    LRESULT checked;
};

Control Describe(HWND popup, int id)
{
    HWND control = GetDlgItem(popup, id);
    Control c{WindowText(control),
              GetWindowLongA(control, GWL_STYLE),
              {0, 0, 0, 0},
              SendMessageA(control, BM_GETCHECK, 0, 0)};
    GetWindowRect(control, &c.rect);
    MapWindowPoints(nullptr, popup, reinterpret_cast<POINT*>(&c.rect), 2);
    return c;
}

int CountChildren(HWND popup, int firstId)
{
    int n = 0;
    while (GetDlgItem(popup, firstId + n)) ++n;
    return n;
}

TEST_F(OptionControlsTest, CheckBoxesStackUpwardsFromTheBottom)
{
    HWND popup = MakePopup(0, "A|B|C", 0x0002, nullptr, 0, nullptr);
    ASSERT_EQ(CountChildren(popup, kCheckBoxFirstId), 3);
    const int H = 180;
    const char* texts[] = {"A", "B", "C"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const Control c = Describe(popup, kCheckBoxFirstId + i);
        EXPECT_EQ(c.text, texts[i]);
        EXPECT_EQ(static_cast<DWORD>(c.style), 0x50000003u);
        EXPECT_EQ(c.rect.left, 32);
        EXPECT_EQ(c.rect.top, H - 50 - 18 * i);
        EXPECT_EQ(c.rect.right - c.rect.left, 224);
        EXPECT_EQ(c.rect.bottom - c.rect.top, 14);
        EXPECT_EQ(c.checked, i == 1 ? BST_CHECKED : BST_UNCHECKED);
    }
    EXPECT_EQ(NotifySession.checkCount, 3);
    // The walk leaves the first item alone in the buffer.
    EXPECT_STREQ(NotifySession.checkList, "A");
}

TEST_F(OptionControlsTest, ListWalkKeepsEmptyItemsAndDropsATrailingSeparator)
{
    struct Case {
        const char* list;
        std::vector<std::string> items;
    } cases[] = {
        {"A||B", {"A", "", "B"}}, {"A|", {"A"}}, {"|A", {"", "A"}}, {"|", {""}}, {"A", {"A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        InitialNotifySession(&NotifySession);
        HWND popup = MakePopup(0, c.list, 0, c.list, 0, nullptr);
        ASSERT_EQ(CountChildren(popup, kCheckBoxFirstId), static_cast<int>(c.items.size()));
        ASSERT_EQ(CountChildren(popup, kRowButtonFirstId), static_cast<int>(c.items.size()));
        for (size_t i = 0; i < c.items.size(); ++i) {
            EXPECT_EQ(WindowText(GetDlgItem(popup, kCheckBoxFirstId + static_cast<int>(i))),
                      c.items[i]);
            EXPECT_EQ(WindowText(GetDlgItem(popup, kRowButtonFirstId + static_cast<int>(i))),
                      c.items[i]);
        }
        EXPECT_EQ(NotifySession.checkCount, static_cast<int>(c.items.size()));
        EXPECT_EQ(NotifySession.buttonCount, static_cast<int>(c.items.size()));
        DestroyWindow(popup);
    }
}

TEST_F(OptionControlsTest, OnlyTheFirstCheckSeparatorIsSearchedCharacterWise)
{
    // 億 (83 7C) ends in the separator byte. The first search skips it as part of the
    // character; every later search, and the button row throughout, take the byte.
    HWND popup = MakePopup(0,
                           "\x83\x7C"
                           "A|B\x83\x7C"
                           "C",
                           0,
                           "\x83\x7C"
                           "X",
                           0, nullptr);
    ASSERT_EQ(CountChildren(popup, kCheckBoxFirstId), 3);
    EXPECT_EQ(WindowText(GetDlgItem(popup, kCheckBoxFirstId)), "\x83\x7C"
                                                               "A");
    // (the second item ends in a lone lead byte, which no caption can hold)
    EXPECT_EQ(WindowText(GetDlgItem(popup, kCheckBoxFirstId + 2)), "C");
    ASSERT_EQ(CountChildren(popup, kRowButtonFirstId), 2);
    EXPECT_EQ(WindowText(GetDlgItem(popup, kRowButtonFirstId + 1)), "X");
}

TEST_F(OptionControlsTest, ButtonRowMarksDefaultButtons)
{
    struct Case {
        WORD mask;
        int pressedBefore;
        LONG styles[2];
        int pressed;
    } cases[] = {
        {0x0002, 5, {0x50000000, 0x50000001}, 1},
        {0x0000, 5, {0x50000000, 0x50000000}, 5},
        {0x0003, 5, {0x50000001, 0x50000001}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        InitialNotifySession(&NotifySession);
        NotifySession.pressedButton = c.pressedBefore;
        HWND popup = MakePopup(0, nullptr, 0, "Yes|No", c.mask, nullptr);
        for (int i = 0; i < 2; ++i) {
            const Control b = Describe(popup, kRowButtonFirstId + i);
            EXPECT_EQ(b.style & 0xFFFF000F, c.styles[i]) << i;
            EXPECT_EQ(b.rect.left, 32 + 80 * i);
            EXPECT_EQ(b.rect.top, 160 - 76);
            EXPECT_EQ(b.rect.right - b.rect.left, 64);
            EXPECT_EQ(b.rect.bottom - b.rect.top, 24);
        }
        EXPECT_EQ(NotifySession.pressedButton, c.pressed);
        DestroyWindow(popup);
    }
}

std::vector<std::string> ComboItems(HWND combo)
{
    std::vector<std::string> items;
    const int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char text[64] = "";
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

TEST_F(OptionControlsTest, ComboListHoldsAllButTheLastItemWhichNamesTheConfirmButton)
{
    struct Case {
        const char* list;
        std::vector<std::string> items;
        const char* caption;
        int selected;
    } cases[] = {
        {"Red|Green|Blue", {"Red", "Green"}, "Blue", 0},
        {"Only", {}, "Only", -1},
        {"Red|Green|", {"Red", "Green"}, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        InitialNotifySession(&NotifySession);
        HWND popup = MakePopup(0, nullptr, 0, nullptr, 0, c.list);
        HWND combo = NotifySession.comboWindow;
        ASSERT_EQ(GetDlgItem(popup, kComboBoxId), combo);
        EXPECT_EQ(ComboItems(combo), c.items);
        EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), c.selected);
        const Control confirm = Describe(popup, kConfirmButtonId);
        EXPECT_EQ(confirm.text, c.caption);
        EXPECT_EQ(confirm.rect.left, 180);
        EXPECT_EQ(confirm.rect.top, 160 - 63);
        EXPECT_EQ(confirm.rect.right - confirm.rect.left, 65);
        RECT comboRect;
        GetWindowRect(combo, &comboRect);
        MapWindowPoints(nullptr, popup, reinterpret_cast<POINT*>(&comboRect), 2);
        EXPECT_EQ(comboRect.left, 30);
        EXPECT_EQ(comboRect.top, 160 - 62);
        EXPECT_EQ(comboRect.right - comboRect.left, 145);
        // The popup is sticky: only the confirm closes it.
        PostMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 40));
        Pump();
        EXPECT_TRUE(IsWindow(popup));
        DestroyWindow(popup);
    }
}

// The colour at (x, y) of the close button as drawn on the popup.
COLORREF CloseButtonPixel(HWND popup, int x, int y)
{
    HWND button = GetDlgItem(popup, kCloseButtonId);
    RECT r;
    GetWindowRect(button, &r);
    MapWindowPoints(nullptr, popup, reinterpret_cast<POINT*>(&r), 2);
    HDC dc = GetDC(popup);
    const COLORREF c = GetPixel(dc, r.left + x, r.top + y);
    ReleaseDC(popup, dc);
    return c;
}

COLORREF BitmapPixel(UINT id, int x, int y)
{
    HBITMAP bitmap = LoadBitmapA(moduleHandle, MAKEINTRESOURCEA(id));
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    const COLORREF c = GetPixel(memory, x, y);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return c;
}

TEST_F(OptionControlsTest, CloseButtonShowsThePressedImageOnlyWhileHeld)
{
    HWND popup = MakePopup(NS_CLOSEBOX, nullptr, 0, nullptr, 0, nullptr);
    const Control c = Describe(popup, kCloseButtonId);
    EXPECT_EQ(static_cast<DWORD>(c.style), 0x5000008Bu);
    EXPECT_EQ(c.rect.left, 260);
    EXPECT_EQ(c.rect.top, 5);
    EXPECT_EQ(c.rect.right - c.rect.left, 15);
    EXPECT_EQ(c.rect.bottom - c.rect.top, 15);
    ASSERT_NE(NotifySession.closeBitmapUp, nullptr);
    ASSERT_NE(NotifySession.closeBitmapDown, nullptr);

    // A pixel where the two images differ.
    int x = 0, y = 0;
    for (int i = 0; i < 15 * 15 && BitmapPixel(220, x, y) == BitmapPixel(219, x, y); ++i) {
        x = (i + 1) % 15;
        y = (i + 1) / 15;
    }
    const COLORREF up = BitmapPixel(220, x, y), down = BitmapPixel(219, x, y);
    ASSERT_NE(up, down);
    HWND button = GetDlgItem(popup, kCloseButtonId);
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.CtlID = kCloseButtonId;
    item.hwndItem = button;
    item.itemState = ODS_SELECTED;
    SendMessageA(popup, WM_DRAWITEM, kCloseButtonId, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(CloseButtonPixel(popup, x, y), down);
    item.itemState = 0;
    SendMessageA(popup, WM_DRAWITEM, kCloseButtonId, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(CloseButtonPixel(popup, x, y), up);
}

TEST_F(OptionControlsTest, CloseButtonImagesDieWithTheirPopup)
{
    // The warm-up closes as the loop does: the click is the popup's first activation, and the
    // window system makes what it keeps for an activated window once.
    for (int warmUp = 0; warmUp < 2; ++warmUp) {
        HWND popup = MakePopup(NS_CLOSEBOX, nullptr, 0, nullptr, 0, nullptr);
        Click(popup, kCloseButtonId);
        Pump();
    }
    const int objects = CountLiveGdiObjects();
    ASSERT_GT(objects, 0);
    for (int i = 0; i < 20; ++i) {
        HWND popup = MakePopup(NS_CLOSEBOX, nullptr, 0, nullptr, 0, nullptr);
        Click(popup, kCloseButtonId);
        Pump();
        ASSERT_FALSE(IsWindow(popup));
        ASSERT_EQ(NotifySession.resultCode, 1000);
    }
    EXPECT_EQ(CountLiveGdiObjects(), objects);
    EXPECT_EQ(NotifySession.closeBitmapUp, nullptr);
}

}  // namespace
