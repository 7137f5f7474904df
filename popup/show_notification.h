// Showing and hiding the notification: the popup's placement, its slide, the dialog path.
#pragma once
#include <windows.h>

// Shows the session's notification as a sliding popup or, with NS_DIALOG, a modal dialog.
// Popup: 1 when shown (with NS_WAIT: shown and closed again), 0 when nothing was shown.
// Dialog: 1 when it ended with IDOK, else 0. With webAndMailOnly the link opens only a web
// or mail address (the notification came from an untrusted caller, a web page say).
int ShowNotification(LONG style, const char* message, int linkClickable, const char* url,
                     const char* linkText, DWORD closeDelayMs, int webAndMailOnly = 0);

// Places the popup at the lower right of the work area, top-most. 0 when window is no window.
BOOL RepositionPopup(HWND window);

// Moves window vertically from startY towards targetY in steps, dispatching paints between.
void SlideWindow(HWND window, int x, int startY, int targetY, int step);

// Slides the popup down out of the work area and hides it.
void SlideOutPopup();
