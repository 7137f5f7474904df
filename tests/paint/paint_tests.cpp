// The painted face, read back pixel by pixel from a DIB section: gradient bands, borders, the
// dialog face, the colour-depth rule, texts and the link strip.
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "popup/gradient.h"
#include "popup/notify_session.h"
#include "popup/paint.h"
#include "support/canvas.h"
#include "support/gdi_count.h"

namespace {

const COLORREF kWhite = 0x00FFFFFF;
const COLORREF kBlue = 0x00FF0000;

bool Dark(COLORREF c)
{
    return GetRValue(c) < 0x80 && GetGValue(c) < 0x80 && GetBValue(c) < 0x80;
}

// A hidden borderless window whose client area is the popup's size: the painter reads it.
class PaintTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitialNotifySession(&NotifySession);
        window_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 280, 180, nullptr, nullptr,
                                  nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override { DestroyWindow(window_); }
    void SetMessage(const char* text)
    {
        std::strncpy(NotifySession.messageText, text, kTextSize - 1);
    }
    void Paint(const Canvas& canvas) { PaintNotification(window_, canvas.dc()); }
    HWND window_ = nullptr;
};

TEST(GradientBands, SplitsRowsAsWorkedOut)
{
    GradientBand b[kMaxGradientBands];
    // Default colours on the band of a 180-px popup.
    ASSERT_EQ(ComputeGradientBands(2, 118, 0x00F8D6BF, 0x00FFFFFF, b), 64);
    EXPECT_EQ(b[0].top, 2);
    EXPECT_EQ(b[0].bottom, 3);
    EXPECT_EQ(b[0].colour, 0x00F8D6BFu);
    EXPECT_EQ(b[1].top, 3);
    EXPECT_EQ(b[1].bottom, 5);
    EXPECT_EQ(b[1].colour, 0x00F8D6C0u);
    EXPECT_EQ(b[2].top, 5);
    EXPECT_EQ(b[2].bottom, 7);
    EXPECT_EQ(b[2].colour, 0x00F8D7C1u);
    EXPECT_EQ(b[63].top, 116);
    EXPECT_EQ(b[63].bottom, 118);
    EXPECT_EQ(b[63].colour, 0x00FEFEFEu);

    // Float steps leave the last row unpainted.
    ASSERT_EQ(ComputeGradientBands(0, 100, 0, 3, b), 3);
    EXPECT_EQ(b[0].top, 0);
    EXPECT_EQ(b[0].bottom, 33);
    EXPECT_EQ(b[0].colour, 0u);
    EXPECT_EQ(b[1].top, 33);
    EXPECT_EQ(b[1].bottom, 66);
    EXPECT_EQ(b[1].colour, 1u);
    EXPECT_EQ(b[2].top, 66);
    EXPECT_EQ(b[2].bottom, 99);
    EXPECT_EQ(b[2].colour, 2u);

    // More colour steps than rows: one band per row.
    ASSERT_EQ(ComputeGradientBands(0, 100, 0, 0xFF, b), 100);
    EXPECT_EQ(b[1].colour, 2u);
    EXPECT_EQ(b[2].colour, 5u);
    EXPECT_EQ(b[99].colour, 252u);
    EXPECT_EQ(b[99].top, 99);
    EXPECT_EQ(b[99].bottom, 100);

    // Falling channels.
    ASSERT_EQ(ComputeGradientBands(0, 10, 0x000A0000, 0, b), 10);
    EXPECT_EQ(b[0].colour, 0x000A0000u);
    EXPECT_EQ(b[9].colour, 0x00010000u);

    EXPECT_EQ(ComputeGradientBands(0, 100, 0x123456, 0x123456, b), 0);
    EXPECT_EQ(ComputeGradientBands(50, 50, 0, 0xFF, b), 0);
    EXPECT_EQ(ComputeGradientBands(60, 50, 0, 0xFF, b), 0);
}

TEST(Gradient, FillsBandsAndLeavesTheShortRow)
{
    Canvas c(20, 100);
    FillVerticalGradient(c.dc(), RECT{0, 0, 20, 100}, 0, 3);
    EXPECT_EQ(c.at(5, 0), 0u);
    EXPECT_EQ(c.at(5, 32), 0u);
    EXPECT_EQ(c.at(19, 33), 1u);
    EXPECT_EQ(c.at(0, 98), 2u);
    EXPECT_EQ(c.at(5, 99), kWhite);

    Canvas same(20, 100);
    FillVerticalGradient(same.dc(), RECT{0, 0, 20, 100}, 0x00123456, 0x00123456);
    EXPECT_EQ(same.count(0, 0, 20, 100, [](COLORREF p) { return p != kWhite; }), 0);
}

TEST(SolidLine, LeavesItsEndPoint)
{
    Canvas c(10, 3);
    DrawSolidLine(c.dc(), 1, 1, 6, 1, 0x00123456);
    EXPECT_EQ(c.at(0, 1), kWhite);
    EXPECT_EQ(c.at(1, 1), 0x00123456u);
    EXPECT_EQ(c.at(5, 1), 0x00123456u);
    EXPECT_EQ(c.at(6, 1), kWhite);
}

TEST(UnderlinedText, FitsTheRectangleToTheTextByAlignment)
{
    for (int alignment : {DT_LEFT, DT_CENTER, DT_RIGHT}) {
        SCOPED_TRACE(alignment);
        Canvas c(200, 40);
        RECT r = {10, 5, 190, 30};
        ASSERT_EQ(DrawUnderlinedText(c.dc(), &r, "link", alignment, kBlue), 1);
        const int width = r.right - r.left;
        EXPECT_GT(width, 0);
        EXPECT_LT(width, 100);
        if (alignment == DT_LEFT) {
            EXPECT_EQ(r.left, 10);
        }
        if (alignment == DT_RIGHT) {
            EXPECT_EQ(r.right, 190);
        }
        if (alignment == DT_CENTER) {
            EXPECT_LE(std::abs((r.left - 10) - (190 - r.right)), 1);
        }
        // The underline runs under the fitted text, and nothing blue lies outside it.
        int underline = -1;
        for (int y = 5; y < 40 && underline < 0; ++y)
            if (c.count(r.left + 1, y, r.right, y + 1, [](COLORREF p) { return p == kBlue; }) ==
                width - 1)
                underline = y;
        EXPECT_GT(underline, 5);
        EXPECT_EQ(c.at(r.left, underline), kWhite);  // the line's end point
        EXPECT_EQ(c.count(0, 0, r.left, 40, [](COLORREF p) { return p == kBlue; }), 0);
        EXPECT_EQ(c.count(r.right + 1, 0, 200, 40, [](COLORREF p) { return p == kBlue; }), 0);
    }

    Canvas c(50, 20);
    RECT r = {1, 2, 40, 18};
    EXPECT_EQ(DrawUnderlinedText(c.dc(), &r, "", 0, kBlue), 0);
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.right, 40);
    EXPECT_EQ(c.count(0, 0, 50, 20, [](COLORREF p) { return p != kWhite; }), 0);
}

TEST_F(PaintTest, PopupFaceHasRaisedAndSunkenEdgesAroundTheDefaultGradient)
{
    Canvas c(280, 180);
    Paint(c);
    EXPECT_EQ(c.at(0, 0), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(c.at(279, 179), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(c.at(2, 100), GetSysColor(COLOR_3DSHADOW));  // inner sunken edge
    // Band rows beside the inner edge: band 2 covers rows 5 and 6, the last rows 116 and 117.
    EXPECT_EQ(c.at(150, 5), 0x00F8D7C1u);
    EXPECT_EQ(c.at(150, 6), 0x00F8D7C1u);
    EXPECT_EQ(c.at(150, 116), 0x00FEFEFEu);
    EXPECT_EQ(c.at(150, 117), 0x00FEFEFEu);
    EXPECT_EQ(c.at(150, 118), kWhite);
    // Decoration lines from x 4 up to, not including, 244.
    EXPECT_EQ(c.at(4, 173), 0x0029FFFFu);
    EXPECT_EQ(c.at(243, 174), 0x0026D5FAu);
    EXPECT_EQ(c.at(100, 175), 0x0029C6FFu);
    EXPECT_NE(c.at(244, 175), 0x0029C6FFu);
}

TEST_F(PaintTest, FlatBorderPaintsTheOuterRingAndNoInnerEdge)
{
    NotifySession.style = NS_FLATBORDER;
    NotifySession.borderColor = 0x00102030;
    Canvas c(280, 180);
    Paint(c);
    for (POINT p : {POINT{0, 0}, POINT{279, 0}, POINT{0, 179}, POINT{279, 179}, POINT{140, 0},
                    POINT{0, 90}, POINT{279, 90}, POINT{140, 179}})
        EXPECT_EQ(c.at(p.x, p.y), 0x00102030u) << p.x << "," << p.y;
    EXPECT_EQ(c.at(1, 90), kWhite);
    EXPECT_EQ(c.at(2, 2), 0x00F8D6BFu);  // band 0, no sunken edge over it
    EXPECT_EQ(c.at(277, 3), 0x00F8D6C0u);
}

TEST_F(PaintTest, DialogFaceHasNoBorderAndStartsTheBandAtTheTop)
{
    for (LONG style : {LONG(NS_DIALOG), LONG(NS_DIALOG | NS_FLATBORDER)}) {
        SCOPED_TRACE(style);
        NotifySession.style = style;
        Canvas c(280, 180);
        Paint(c);
        EXPECT_EQ(c.at(0, 0), 0x00F8D6BFu);
        EXPECT_EQ(c.at(279, 0), 0x00F8D6BFu);
        // 64 bands over 120 rows: the last one covers rows 118 and 119.
        EXPECT_EQ(c.at(279, 119), 0x00FEFEFEu);
        EXPECT_EQ(c.at(279, 120), kWhite);
        EXPECT_EQ(c.at(0, 179), kWhite);
    }
}

TEST(ColourDepth, PopupGradientNeedsMoreThanFifteenBits)
{
    for (int bits : {1, 4, 8, 15}) EXPECT_FALSE(PopupShowsGradient(bits)) << bits;
    for (int bits : {16, 24, 32}) EXPECT_TRUE(PopupShowsGradient(bits)) << bits;
}

TEST_F(PaintTest, FewColoursShowNoGradientOnThePopupButOnTheDialog)
{
    NotifySession.gradientFrom = 0x00000000;
    NotifySession.gradientTo = 0x00FFFFFF;
    for (int bits : {8, 16, 24}) {
        SCOPED_TRACE(bits);
        NotifySession.style = 0;
        Canvas popup(280, 180, bits);
        Paint(popup);
        // 16 bits per pixel is above the limit: only palette depths lose the gradient.
        EXPECT_EQ(popup.at(150, 30) == kWhite, bits <= 8);
        EXPECT_EQ(popup.at(150, 100) == kWhite, bits <= 8);

        NotifySession.style = NS_DIALOG;
        Canvas dialog(280, 180, bits);
        Paint(dialog);
        EXPECT_TRUE(Dark(dialog.at(150, 10)));
    }
}

TEST_F(PaintTest, HeadingIsTheTextBeforeTheFirstLineFeed)
{
    struct Case {
        const char* text;
        bool heading;
        bool body;
    } cases[] = {
        {"\xB1\xEA\xCC\xE2\n\xD5\xFD\xCE\xC4", true, true},  // 标题 \n 正文
        {"\nbody only", false, true},
        {"no line feed at all", false, true},
        {"heading only\n", true, false},
        {"", false, false},
    };
    NotifySession.gradientFrom = NotifySession.gradientTo = kWhite;  // ink is all that is dark
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        std::memset(NotifySession.messageText, 0, kTextSize);
        SetMessage(k.text);
        Canvas c(280, 180);
        Paint(c);
        EXPECT_EQ(c.count(62, 24, 268, 44, Dark) > 0, k.heading);
        EXPECT_EQ(c.count(30, 60, 240, 140, Dark) > 0, k.body);
    }
}

TEST_F(PaintTest, LinkStripByUrlAndText)
{
    struct Case {
        const char* url;
        const char* text;
        int shown;
        bool blue;
        bool dark;
        LONG left;
        bool fullWidth;
    } cases[] = {
        {"http://example.org/", "", 1, true, false, 30, false},
        {"http://example.org/", "more", 1, true, false, 30, false},
        {"", "plain words", 0, false, true, 10, true},
        {"", "", 0, false, false, 30, true},
    };
    NotifySession.gradientFrom = NotifySession.gradientTo = kWhite;
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.url) + "|" + k.text);
        std::strcpy(NotifySession.linkUrl, k.url);
        std::strcpy(NotifySession.linkText, k.text);
        NotifySession.linkShown = -1;
        Canvas c(280, 180);
        Paint(c);
        const RECT& r = NotifySession.linkRect;
        EXPECT_EQ(NotifySession.linkShown, k.shown);
        EXPECT_EQ(r.left, k.left);
        EXPECT_EQ(r.top, 160);
        EXPECT_EQ(r.bottom, 172);
        if (k.fullWidth) {
            EXPECT_EQ(r.right, 250);
        } else {
            EXPECT_GT(r.right, r.left);
            EXPECT_LT(r.right, 250);
        }
        auto blue = [](COLORREF p) {
            return GetBValue(p) > 0xC0 && GetRValue(p) < 0x60 && GetGValue(p) < 0x60;
        };
        EXPECT_EQ(c.count(8, 158, 242, 173, blue) > 0, k.blue);
        EXPECT_EQ(c.count(8, 158, 242, 173, Dark) > 0, k.dark);
        if (k.blue) {
            EXPECT_EQ(c.count(r.right + 1, 158, 242, 173, blue), 0);
        }
    }
    // The URL as its own display text is wider than a short display text.
    std::strcpy(NotifySession.linkUrl, "http://example.org/a/long/address");
    NotifySession.linkText[0] = 0;
    Canvas a(280, 180);
    Paint(a);
    const LONG urlWidth = NotifySession.linkRect.right - NotifySession.linkRect.left;
    std::strcpy(NotifySession.linkText, "go");
    Canvas b(280, 180);
    Paint(b);
    EXPECT_LT(NotifySession.linkRect.right - NotifySession.linkRect.left, urlWidth);
}

TEST_F(PaintTest, CornerIconFollowsTheFirstIconBit)
{
    // Tell the icons apart by the colour at their centre.
    auto centre = [this](LONG style) {
        NotifySession.style = style | NS_FLATBORDER;
        Canvas c(280, 180);
        Paint(c);
        return c.at(27, 40);  // inside every picture, beside the exclamation mark
    };
    const COLORREF error = centre(NS_ICON_ERROR);
    EXPECT_EQ(centre(NS_ICON_ERROR | NS_ICON_INFO), error);
    EXPECT_NE(centre(NS_ICON_INFO), error);
    EXPECT_NE(centre(NS_ICON_ALERT), centre(0));
}

TEST_F(PaintTest, AppIconFallsBackToTheModuleIcon)
{
    NotifySession.style = NS_FLATBORDER;
    Canvas byDefault(280, 180);
    Paint(byDefault);
    NotifySession.appIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32516));  // IDI_INFORMATION
    Canvas own(280, 180);
    Paint(own);
    // Icon 102 sits at (244, 144); the host's icon replaces it there.
    EXPECT_NE(byDefault.count(244, 144, 276, 176, [](COLORREF p) { return p != kWhite; }), 0);
    int differing = 0;
    for (int y = 144; y < 176; ++y)
        for (int x = 244; x < 276; ++x)
            if (byDefault.at(x, y) != own.at(x, y))
                ++differing;
    EXPECT_GT(differing, 100);
}

TEST(GdiCount, SeesEveryLiveObject)
{
    const int before = CountLiveGdiObjects();
    ASSERT_GT(before, 0);
    std::vector<HBRUSH> brushes;
    for (int i = 0; i < 100; ++i) brushes.push_back(CreateSolidBrush(RGB(i, 0, 0)));
    EXPECT_EQ(CountLiveGdiObjects(), before + 100);
    for (HBRUSH b : brushes) DeleteObject(b);
    EXPECT_EQ(CountLiveGdiObjects(), before);
}

TEST_F(PaintTest, RepeatedPaintsLeaveNoGdiObjects)
{
    SetMessage("\xB1\xEA\xCC\xE2\nbody");
    std::strcpy(NotifySession.linkUrl, "http://example.org/");
    Canvas c(280, 180);
    auto paint = [&](int i) {
        NotifySession.style =
            (i % 2 ? LONG(NS_FLATBORDER) : 0) | (i % 3 ? LONG(NS_ICON_INFO) : LONG(NS_DIALOG));
        Paint(c);
    };
    for (int i = 0; i < 12; ++i) paint(i);  // warm-up: the system keeps the icons it loaded
    const int before = CountLiveGdiObjects();
    for (int i = 0; i < 200; ++i) paint(i);
    EXPECT_EQ(CountLiveGdiObjects(), before);
}

}  // namespace
