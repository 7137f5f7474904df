// Where the popup rests and the positions its slide passes through, as plain arithmetic.
#pragma once
#include <windows.h>

struct PopupPlacement {
    int shownX, shownY;  // top-left corner when fully shown
    int hiddenY;         // top edge when fully hidden: the work area's bottom
    int width, height;
};

// The popup at the right-hand end of the work area's bottom edge; tall (180 px) with check
// boxes, else 160 px.
PopupPlacement ComputePopupPlacement(const RECT& workArea, int width, bool tall);

// The same on a display of dpi dots per inch: width and height scaled (popup_geometry.cpp).
PopupPlacement ComputePopupPlacementForDpi(const RECT& workArea, int width, bool tall, UINT dpi);

// The y values a slide from startY towards targetY moves through in steps of step, the first
// being startY and the last the one short of targetY. Writes at most room values; returns the
// full count.
int ComputeSlidePositions(int startY, int targetY, int step, int* positions, int room);
