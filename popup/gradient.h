// The band arithmetic of the vertical gradient, kept apart from GDI so it can be checked alone.
#pragma once
#include <windows.h>

struct GradientBand {
    int top;     // first row of the band
    int bottom;  // row just below it
    COLORREF colour;
};

enum { kMaxGradientBands = 255 };

// Splits rows top..bottom-1 into bands from fromColour towards toColour: one band per step of
// the largest channel difference, never more bands than rows. Returns the number of bands
// written to bands (room for kMaxGradientBands); 0 for equal colours or an empty range.
int ComputeGradientBands(int top, int bottom, COLORREF fromColour, COLORREF toColour,
                         GradientBand* bands);

// The popup shows its gradient only on displays of more than 15 bits per pixel; with fewer
// colours the bands would dither into noise. The dialog shows it at any depth.
bool PopupShowsGradient(int bitsPerPixel);
