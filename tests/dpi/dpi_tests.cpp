// Scaling by the display's density: the rounding rule, and the density the module reads for a
// real window in a Wine session started at 96, 120, 144 or 192 DPI (NTF_EXPECT_DPI).
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "popup/dpi_scale.h"
#include "popup/notify_session.h"
#include "popup/paint.h"
#include "popup/popup_rules.h"
#include "popup/show_notification.h"
#include "support/canvas.h"
#include "support/popup_moves.h"

namespace {

// The density run_at_dpi.sh started the session with; 0 when the program was run without it.
UINT ExpectedDpi()
{
    const char* text = std::getenv("NTF_EXPECT_DPI");
    return text ? static_cast<UINT>(std::atoi(text)) : 0;
}

TEST(DpiScale, RoundsEachLengthOnceToTheNearestPixel)
{
    // Design lengths of the popup and the dialog, the step, a line, the font height.
    struct Case {
        int value, at120, at144, at192;
    } cases[] = {
        {280, 350, 420, 560}, {160, 200, 240, 320}, {180, 225, 270, 360}, {176, 220, 264, 352},
        {3, 4, 5, 6},         {1, 1, 2, 2},         {2, 3, 3, 4},         {5, 6, 8, 10},
        {12, 15, 18, 24},     {34, 43, 51, 68},     {0, 0, 0, 0},         {-3, -4, -5, -6},
        {-1, -1, -2, -2},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.value);
        EXPECT_EQ(ScaleForDpi(k.value, 96), k.value);
        EXPECT_EQ(ScaleForDpi(k.value, 0), k.value);
        EXPECT_EQ(ScaleForDpi(k.value, 120), k.at120);
        EXPECT_EQ(ScaleForDpi(k.value, 144), k.at144);
        EXPECT_EQ(ScaleForDpi(k.value, 192), k.at192);
    }
    // Edges scaled one by one meet: rows [B-5, B-4), [B-4, B-3), [B-3, B-2) of the decoration
    // lines stay adjacent and cover B-5..B-2 exactly at every density.
    for (UINT dpi : {96u, 120u, 144u, 168u, 192u, 240u}) {
        int covered = 0;
        for (int edge = 5; edge > 2; --edge)
            covered += ScaleForDpi(edge, dpi) - ScaleForDpi(edge - 1, dpi);
        EXPECT_EQ(covered, ScaleForDpi(5, dpi) - ScaleForDpi(2, dpi)) << dpi;
    }
}

TEST(DpiScale, ReadsTheDensityOfTheWindowsDisplay)
{
    ASSERT_NE(ExpectedDpi(), 0u) << "run through run_at_dpi.sh";
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(DpiForWindow(window), ExpectedDpi());
    EXPECT_EQ(DpiForWindow(nullptr), ExpectedDpi());
    DestroyWindow(window);
}

int S(int value)
{
    return ScaleForDpi(value, ExpectedDpi());
}

RECT WorkArea()
{
    RECT r;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

RECT ClientRectOf(HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void ExpectRect(const RECT& r, int left, int top, int right, int bottom)
{
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

std::vector<int> moves;

class ScaledPopup : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(ExpectedDpi(), 0u) << "run through run_at_dpi.sh";
        InitialNotifySession(&NotifySession);
        moves.clear();
        ASSERT_TRUE(StartRecordingPopupMoves(&moves));
    }
    void TearDown() override
    {
        StopRecordingPopupMoves();
        if (IsWindow(NotifySession.popupWindow))
            DestroyWindow(NotifySession.popupWindow);
    }
};

TEST_F(ScaledPopup, SizePlaceSlideAndControlsScaleTogether)
{
    NotifySessionRecord& s = NotifySession;
    std::strcpy(s.checkList, "one|two");
    s.hasCheckList = 1;
    std::strcpy(s.buttonList, "Yes|No");
    s.hasButtonList = 1;
    ASSERT_EQ(ShowNotification(NS_CLOSEBOX, "Heading\nbody", 1, nullptr, nullptr, 20000), 1);
    HWND popup = s.popupWindow;
    const RECT area = WorkArea();
    RECT r;
    GetWindowRect(popup, &r);
    ExpectRect(r, area.right - S(280), area.bottom - S(180), area.right, area.bottom);
    // Placement, the start, then steps of the scaled 3 px.
    ASSERT_GT(moves.size(), 4u);
    EXPECT_EQ(moves[2], area.bottom);
    EXPECT_EQ(moves[3], area.bottom - S(3));
    EXPECT_EQ(moves.back(), area.bottom - S(180));

    const int W = S(280), H = S(180);
    HWND box0 = GetDlgItem(popup, kCheckBoxFirstId), box1 = GetDlgItem(popup, kCheckBoxFirstId + 1);
    HWND yes = GetDlgItem(popup, kRowButtonFirstId), no = GetDlgItem(popup, kRowButtonFirstId + 1);
    HWND close = GetDlgItem(popup, kCloseButtonId);
    ASSERT_TRUE(box0 && box1 && yes && no && close);
    ExpectRect(ClientRectOf(box0), S(32), H - S(50), W - S(24), H - S(36));
    ExpectRect(ClientRectOf(box1), S(32), H - S(68), W - S(24), H - S(54));
    ExpectRect(ClientRectOf(yes), S(32), H - S(76), S(96), H - S(52));
    ExpectRect(ClientRectOf(no), S(112), H - S(76), S(176), H - S(52));
    ExpectRect(ClientRectOf(close), W - S(20), S(5), W - S(5), S(20));
}

// The face painted into a 24-bit DIB of the popup's size.
TEST_F(ScaledPopup, FaceBandLinesAndTextsScale)
{
    NotifySessionRecord& s = NotifySession;
    ASSERT_EQ(
        ShowNotification(NS_FLATBORDER, "Heading\nbody", 1, "http://example.org/", nullptr, 20000),
        1);
    HWND popup = s.popupWindow;
    RECT client;
    GetClientRect(popup, &client);
    const int W = client.right, H = client.bottom;
    ASSERT_EQ(W, S(280));
    ASSERT_EQ(H, S(160));

    const Canvas canvas(W, H, 24, BLACK_BRUSH);
    const HDC dc = canvas.dc();
    PaintNotification(popup, dc);

    // Border S(1) thick, then the band's first row in the gradient's first colour.
    const int inside = S(1), band = S(2), x = W - band - 1;
    for (int y = 0; y < inside; ++y) EXPECT_EQ(GetPixel(dc, x, y), 0x00F8D6BFu) << y;
    EXPECT_EQ(GetPixel(dc, x, inside), 0x00FFFFFFu);  // between the border and the band
    EXPECT_EQ(GetPixel(dc, x, band), 0x00F8D6BFu);
    EXPECT_NE(GetPixel(dc, x, 2 * H / 3 - band - 1), 0x00FFFFFFu);  // the band's last row
    EXPECT_EQ(GetPixel(dc, x, 2 * H / 3 - band), 0x00FFFFFFu);
    // The three decoration lines fill rows B - S(5) to B - S(2), no gap and no overlap.
    const int B = H - S(2);
    const COLORREF lines[3] = {0x0029FFFF, 0x0026D5FA, 0x0029C6FF};
    for (int i = 0; i < 3; ++i)
        for (int y = B - S(5 - i); y < B - S(4 - i); ++y)
            EXPECT_EQ(GetPixel(dc, S(100), y), lines[i]) << y;
    EXPECT_EQ(GetPixel(dc, S(100), B - S(2)), 0x00FFFFFFu);
    // The heading's ink spans most of the scaled 12-px cell.
    int first = -1, last = -1;
    for (int y = S(24); y < S(44); ++y)
        for (int px = S(62); px < S(140); ++px)
            if (GetPixel(dc, px, y) == 0) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
    ASSERT_GE(first, 0);
    EXPECT_GT(last - first + 1, S(12) / 2);
    EXPECT_LE(last - first + 1, S(12));
    EXPECT_LE(last, S(44));
}

bool measured;

VOID CALLBACK MeasureDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = FindWindowA("#32770", nullptr);
    if (!dialog)
        return;
    KillTimer(nullptr, timer);
    RECT r, ok;
    GetWindowRect(dialog, &r);
    ok = ClientRectOf(GetDlgItem(dialog, IDOK));
    EXPECT_EQ(r.right - r.left, S(280));
    EXPECT_EQ(r.bottom - r.top, S(176));
    EXPECT_EQ(ok.left, S(140));
    EXPECT_EQ(ok.top, S(118));
    EXPECT_EQ(NotifySession.popupHeight, S(176));
    measured = true;
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(ScaledPopup, CompactDialogScalesAndMovesItsButton)
{
    measured = false;
    SetTimer(nullptr, 0, 50, MeasureDialog);
    EXPECT_EQ(ShowNotification(NS_DIALOG, "ask\nbody", 1, nullptr, nullptr, 100), 0);
}

}  // namespace
