#include "popup/gradient.h"

#include <cstdlib>

namespace {

// The value rounded to single precision. The 32-bit build computes on the x87 unit, which keeps
// a quotient in extended precision until it is stored: a band boundary would then fall a row
// lower than in the 64-bit build, whose SSE arithmetic rounds every float.
float SinglePrecision(float value)
{
    volatile float stored = value;
    return stored;
}

}  // namespace

int ComputeGradientBands(int top, int bottom, COLORREF fromColour, COLORREF toColour,
                         GradientBand* bands)
{
    const int startR = GetRValue(fromColour), startG = GetGValue(fromColour),
              startB = GetBValue(fromColour);
    const int dR = GetRValue(toColour) - startR;
    const int dG = GetGValue(toColour) - startG;
    const int dB = GetBValue(toColour) - startB;

    int n = std::abs(dR);
    if (std::abs(dG) > n)
        n = std::abs(dG);
    if (std::abs(dB) > n)
        n = std::abs(dB);
    const int extent = bottom - top;
    if (n >= extent)
        n = extent;
    if (n <= 0)
        return 0;

    // The steps are single-precision values; the products are taken in double precision, so a
    // band boundary may fall one row short of the bottom, as the painted face always has.
    const float step = SinglePrecision(static_cast<float>(extent) / static_cast<float>(n));
    const float sR = SinglePrecision(static_cast<float>(dR) / static_cast<float>(n));
    const float sG = SinglePrecision(static_cast<float>(dG) / static_cast<float>(n));
    const float sB = SinglePrecision(static_cast<float>(dB) / static_cast<float>(n));
    for (int i = 0; i < n; ++i) {
        bands[i].top = top + static_cast<int>(static_cast<double>(i) * step);
        bands[i].bottom = top + static_cast<int>(static_cast<double>(i + 1) * step);
        const int r = static_cast<int>(startR + static_cast<double>(i) * sR);
        const int g = static_cast<int>(startG + static_cast<double>(i) * sG);
        const int b = static_cast<int>(startB + static_cast<double>(i) * sB);
        bands[i].colour = RGB(r, g, b);
    }
    return n;
}

bool PopupShowsGradient(int bitsPerPixel)
{
    return bitsPerPixel > 15;
}
