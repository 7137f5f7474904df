// The auto-close timer waits while the pointer rests on the popup or one of its controls,
// and runs its full delay again once the pointer has left.
#pragma once
#include <windows.h>

// The delay the close timer runs: the bounded delay, or the user's longer notification time.
DWORD PopupCloseTimerDelay(DWORD boundedMs);

// A new popup: the pointer is not on it yet.
void ResetPopupHover(HWND popup);

// The pointer moved in window (the popup or one of its controls).
void PopupPointerMoved(HWND popup, HWND window);

// window reported that the pointer has left it (WM_MOUSELEAVE).
void PopupPointerLeft(HWND popup);

// True while the pointer rests on the popup: its timer's expiry does not close it then.
bool PopupTimerHeld(HWND popup);

// True while the pointer rests on the popup, as for the timer, without touching the timer.
bool PopupPointerHolds(HWND popup);

// The popup was moved by the program: a pointer lying still that it now lies under (or no longer
// lies under) has not moved, so it neither takes nor gives up the hold on its own.
void PopupMovedUnderPointer(HWND popup);
