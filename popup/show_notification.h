// Showing and hiding the notification: the popup's placement, its slide, the dialog path.
#pragma once
#include <windows.h>

// Shows the session's notification as a sliding popup or, with NS_DIALOG, a modal dialog.
// Popup: 1 when shown (with NS_WAIT: shown and closed again), 0 when nothing was shown.
// Dialog: 1 when it ended with IDOK, else 0. With webAndMailOnly the link opens only a web
// or mail address (the notification came from an untrusted caller, a web page say).
// The host's own UTF-16 texts behind the ANSI ones, for the twins that are shown (each up to its
// first zero); without them, or for a null member, a twin is its ANSI text converted.
struct HostTexts {
    const wchar_t* message;
    const wchar_t* url;
    const wchar_t* linkText;
};
int ShowNotification(LONG style, const char* message, int linkClickable, const char* url,
                     const char* linkText, DWORD closeDelayMs, int webAndMailOnly = 0,
                     const HostTexts* wide = nullptr);

// Registers the popup's class and creates the session's popup, not yet shown, at its place
// at the lower right of the work area, which it stores in the session.
void CreatePopupWindow();

// Places the popup at the lower right of the work area, top-most. 0 when window is no window.
BOOL RepositionPopup(HWND window);

// Moves window vertically from startY towards targetY in steps, dispatching paints between.
void SlideWindow(HWND window, int x, int startY, int targetY, int step);

// Slides the popup down out of the work area and hides it.
void SlideOutPopup();
