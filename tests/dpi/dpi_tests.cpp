// Scaling by the display's density: the rounding rule, and the density the module reads for a
// real window in a Wine session started at 96, 120, 144 or 192 DPI (NTF_EXPECT_DPI).
#include <gtest/gtest.h>
#include <cstdlib>

#include "popup/dpi_scale.h"

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
    struct Case { int value, at120, at144, at192; } cases[] = {
        {280, 350, 420, 560}, {160, 200, 240, 320}, {180, 225, 270, 360}, {176, 220, 264, 352},
        {3, 4, 5, 6},  {1, 1, 2, 2}, {2, 3, 3, 4}, {5, 6, 8, 10}, {12, 15, 18, 24}, {34, 43, 51, 68},
        {0, 0, 0, 0},  {-3, -4, -5, -6}, {-1, -1, -2, -2},
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
        for (int edge = 5; edge > 2; --edge) covered += ScaleForDpi(edge, dpi) - ScaleForDpi(edge - 1, dpi);
        EXPECT_EQ(covered, ScaleForDpi(5, dpi) - ScaleForDpi(2, dpi)) << dpi;
    }
}

TEST(DpiScale, ReadsTheDensityOfTheWindowsDisplay)
{
    ASSERT_NE(ExpectedDpi(), 0u) << "run through run_at_dpi.sh";
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(DpiForWindow(window), ExpectedDpi());
    EXPECT_EQ(DpiForWindow(nullptr), ExpectedDpi());
    DestroyWindow(window);
}

}  // namespace
