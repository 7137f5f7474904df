// Where a popup rests when popups of other programs are on the screen, and how it moves when
// its place changes, as plain arithmetic. Popups stack upwards from the lower-right corner in
// the order they appeared: each rests above every popup shown before it.
#pragma once
#include <windows.h>

#include "popup/popup_geometry.h"

// The space between two stacked popups, designed for 96 DPI.
const int kStackGap = 8;

// corner: the popup alone at the lower right (ComputePopupPlacementForDpi). earlier: the
// places of the popups that appeared before it, each the union of where it is and where it is
// heading. The popup rests gap pixels above the highest of those that stand in its column and
// in the work area, with the same right edge, and slides out of the top of the one below it
// (hiddenY: its own bottom edge). Where that leaves too little of the work area, it rests at
// the corner, as it would alone.
PopupPlacement ComputeStackedPlacement(const PopupPlacement& corner, const RECT& workArea, int gap,
                                       const RECT* earlier, int count);

// Whether the popup stamped (order, id) appeared before the one stamped (otherOrder,
// otherId). order is a millisecond tick that wraps; a tie goes to the lower id.
bool AppearedBefore(DWORD order, DWORD id, DWORD otherOrder, DWORD otherId);

// Where a popup moving from fromY to toY stands after elapsedMicroseconds at the slide's pace
// (step pixels per 3 ms); toY once it has arrived.
int StackMoveY(int fromY, int toY, int step, LONGLONG elapsedMicroseconds);
