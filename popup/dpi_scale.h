// Sizes for the display the notification is on. Every length of the popup and the dialog is
// designed for 96 DPI; on a display of more dots per inch it is scaled once, by
// ScaleForDpi, and lengths are derived from scaled edges rather than scaled on their own, so
// that neighbouring parts neither overlap nor leave a gap.
#pragma once
#include <windows.h>

const UINT kDesignDpi = 96;

// value designed for 96 DPI, at dpi: value x dpi / 96 rounded to the nearest pixel, halves
// away from zero (as MulDiv rounds). Exact at 96; a dpi of 0 counts as 96.
int ScaleForDpi(int value, UINT dpi);

// The DPI of the display window is on: GetDpiForWindow where user32 has it (Windows 10 1607
// and later; looked up at run time so that the module still loads on Windows XP), else the
// screen's LOGPIXELSY. window may be null (the screen's). Never 0.
UINT DpiForWindow(HWND window);

// Lengths of one window's face: S(value) is value scaled to the window's DPI.
struct DpiScaler {
    UINT dpi;
    int operator()(int value) const { return ScaleForDpi(value, dpi); }
};
