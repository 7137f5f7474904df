// The colours the notification's face is painted in: the host's, or with high contrast on the
// system's, so that the user's chosen contrast holds whatever the host set.
#pragma once
#include <windows.h>

struct HostColours {
    COLORREF gradientFrom, gradientTo, border, title, body;
};

struct SystemColours {
    COLORREF window, windowText, hotLight, windowFrame;
};

struct FaceColours {
    bool highContrast;    // plain face: no gradient, no 3-D edges, a flat frame
    COLORREF background;  // the whole client area
    COLORREF gradientFrom, gradientTo;
    COLORREF border;  // the flat frame
    COLORREF title, body, link;
    COLORREF decoration[3];
};

// The face's colours for the setting. Host colours pass through as given (the painter masks
// them); the link and decoration colours are the module's own.
FaceColours ChooseFaceColours(bool highContrast, const HostColours& host,
                              const SystemColours& system);

// The system's colours (GetSysColor) that a high-contrast face uses.
SystemColours CurrentSystemColours();

// Whether high contrast is on (SPI_GETHIGHCONTRAST with HCF_HIGHCONTRASTON), unless forced.
bool HighContrastOn();

// Forces the answer of HighContrastOn: 0 off, 1 on, -1 asks the system again. For tests:
// Wine cannot switch high contrast on.
void ForceHighContrast(int state);

// The brush behind the face's static controls: white, or the system's window colour with high
// contrast on.
HBRUSH FaceBackgroundBrush();
