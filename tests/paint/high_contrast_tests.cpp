// High contrast: the colour choice, and the face painted with it. Wine cannot switch high
// contrast on, so the painter's question is answered through ForceHighContrast; the system
// colours are set to a scheme of their own so that every pixel tells where it came from.
#include <gtest/gtest.h>
#include <cstring>

#include "popup/face_colors.h"
#include "popup/notify_session.h"
#include "popup/paint.h"
#include "popup/show_notification.h"
#include "support/canvas.h"

namespace {

const COLORREF kBlack = 0x00000000, kYellow = 0x0000FFFF, kGreen = 0x0000FF00,
               kMagenta = 0x00FF00FF;

TEST(FaceColourChoice, HostColoursUnlessHighContrast)
{
    const HostColours host = {0x112233, 0x445566, 0x778899, 0x0000AA, 0x00BB00};
    const HostColours other = {0xFFFFFF, 0, 0x123456, 0xFFFFFF, 0xFFFFFF};
    const SystemColours system = {kBlack, kYellow, kGreen, kMagenta};

    FaceColours c = ChooseFaceColours(false, host, system);
    EXPECT_FALSE(c.highContrast);
    EXPECT_EQ(c.background, 0x00FFFFFFu);
    EXPECT_EQ(c.gradientFrom, 0x112233u);
    EXPECT_EQ(c.gradientTo, 0x445566u);
    EXPECT_EQ(c.border, 0x778899u);
    EXPECT_EQ(c.title, 0x0000AAu);
    EXPECT_EQ(c.body, 0x00BB00u);
    EXPECT_EQ(c.link, 0x00FF0000u);
    EXPECT_EQ(c.decoration[0], 0x0029FFFFu);
    EXPECT_EQ(c.decoration[1], 0x0026D5FAu);
    EXPECT_EQ(c.decoration[2], 0x0029C6FFu);

    // On: the system's colours whatever the host set, and no gradient (equal ends).
    for (const HostColours& h : {host, other}) {
        c = ChooseFaceColours(true, h, system);
        EXPECT_TRUE(c.highContrast);
        EXPECT_EQ(c.background, kBlack);
        EXPECT_EQ(c.gradientFrom, kBlack);
        EXPECT_EQ(c.gradientTo, kBlack);
        EXPECT_EQ(c.border, kMagenta);
        EXPECT_EQ(c.title, kYellow);
        EXPECT_EQ(c.body, kYellow);
        EXPECT_EQ(c.link, kGreen);
        for (COLORREF d : c.decoration) EXPECT_EQ(d, kYellow);
    }
}

// A high-contrast scheme of its own for the system colours, and high contrast forced on.
class HighContrastFace : public testing::Test {
protected:
    const int ids_[4] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HOTLIGHT, COLOR_WINDOWFRAME};
    COLORREF saved_[4];
    HWND window_ = nullptr;

    void SetUp() override
    {
        InitialNotifySession(&NotifySession);
        const COLORREF scheme[4] = {kBlack, kYellow, kGreen, kMagenta};
        for (int i = 0; i < 4; ++i) saved_[i] = GetSysColor(ids_[i]);
        ASSERT_TRUE(SetSysColors(4, ids_, scheme));
        ForceHighContrast(1);
        window_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 280, 180, nullptr, nullptr,
                                  nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override
    {
        ForceHighContrast(-1);
        SetSysColors(4, ids_, saved_);
        DestroyWindow(window_);
    }
};

TEST_F(HighContrastFace, PaintsInTheSystemsColoursWhateverTheHostSet)
{
    NotifySessionRecord& s = NotifySession;
    s.gradientFrom = 0x000000FF;
    s.gradientTo = 0x00FF0000;
    s.borderColor = 0x00008000;
    s.titleColor = 0x00000080;
    s.bodyColor = 0x00800000;
    std::strcpy(s.messageText, "Heading\nBody text of the notification");
    std::strcpy(s.linkUrl, "http://example.org/");
    const LONG styles[] = {0, NS_FLATBORDER, NS_DIALOG};
    for (LONG style : styles) {
        SCOPED_TRACE(style);
        s.style = style;
        Canvas c(280, 180);
        PaintNotification(window_, c.dc());
        const bool dialog = style == NS_DIALOG;
        if (!dialog) {
            // A flat frame in the frame colour, no 3-D edges inside it.
            for (int x : {0, 140, 279}) {
                EXPECT_EQ(c.at(x, 0), kMagenta) << x;
                EXPECT_EQ(c.at(x, 179), kMagenta) << x;
            }
            EXPECT_EQ(c.at(0, 90), kMagenta);
            EXPECT_EQ(c.at(279, 90), kMagenta);
            EXPECT_EQ(c.count(1, 1, 279, 3, kBlack), 278 * 2);
        }
        // No gradient: the band's right-hand column, clear of texts and icons, is window colour.
        EXPECT_EQ(c.count(272, 3, 277, 118, kBlack), 5 * 115);
        // None of the host's colours anywhere.
        for (COLORREF host : {0x000000FFu, 0x00FF0000u, 0x00008000u, 0x00000080u, 0x00800000u})
            EXPECT_EQ(c.count(0, 0, 280, 180, host), 0) << std::hex << host;
        // Heading and body in the window text colour, the link and its underline in hot-light.
        const int L = dialog ? 0 : 2, T = L, B = dialog ? 180 : 178;
        EXPECT_GT(c.count(L + 60, T + 22, 268, T + 42, kYellow), 20);
        EXPECT_GT(c.count(L + 28, T + 58, 250, B - 18, kYellow), 0);  // thin strokes, smoothed
        EXPECT_GT(c.count(L + 28, B - 18, 250, B - 5, kGreen), 20);
        EXPECT_EQ(s.linkShown, 1);
        // Decoration lines in the window text colour.
        for (int y = B - 5; y <= B - 3; ++y) EXPECT_EQ(c.at(100, y), kYellow) << y;
    }
}

TEST_F(HighContrastFace, OptionControlsSitOnTheWindowColour)
{
    std::strcpy(NotifySession.checkList, "one|two");
    NotifySession.hasCheckList = 1;
    ASSERT_EQ(ShowNotification(0, "title\nbody", 1, nullptr, nullptr, 20000), 1);
    HWND popup = NotifySession.popupWindow;
    HWND box = GetWindow(popup, GW_CHILD);
    ASSERT_NE(box, nullptr);
    HDC dc = GetDC(box);
    for (int on : {1, 0}) {
        ForceHighContrast(on);
        const HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageA(
            popup, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box)));
        LOGBRUSH description;
        ASSERT_EQ(GetObjectA(brush, sizeof description, &description),
                  static_cast<int>(sizeof description));
        EXPECT_EQ(description.lbColor, on ? kBlack : 0x00FFFFFFu) << on;
    }
    ReleaseDC(box, dc);
    DestroyWindow(popup);
}

}  // namespace
