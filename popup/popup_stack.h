// The popup among the popups of other programs (any copy of the module, of either
// architecture): it rests above those that appeared before it, publishes its place on its own
// window for the others to read, watches for places that free below it, and moves down into
// them at the slide's pace. Nothing here sends a message to another program's window: the
// others are read (class, visibility, rectangle, properties) and only ever posted to, so a hung
// program cannot stall this one.
#pragma once
#include <windows.h>

#include "popup/popup_geometry.h"

// The popup appears now: stamps its turn in the stack, before its place is chosen.
void JoinPopupStack(HWND popup);

// The popup's resting place for the work area, its DPI and the popups that appeared before it;
// stored in the session and published on the window. A move under way ends.
PopupPlacement PlacePopupInStack(HWND popup);

// Once the popup has slid in: watches the stack for changes to its place.
void WatchPopupStack(HWND popup);

// Before the slide-out: stops watching; a move under way stops where it stands.
void StopWatchingPopupStack(HWND popup);

// The popup has gone (hidden or destroyed): withdraws its place and tells the other popups, so
// that those above it close the gap. Idempotent.
void LeavePopupStack(HWND popup);

// The stack's own messages to the popup: its timer and the others' news. True when handled.
bool PopupStackMessage(HWND popup, UINT message, WPARAM wParam);
