// The popup's keyboard once the user has clicked into it, and the pointer watch on its
// controls. Both live in the popup's and its controls' own procedures, so they work under
// any message loop: the module's own, or the host's (which calls no IsDialogMessage for it).
#pragma once
#include <windows.h>

// Called when the popup's controls exist: they report keys and pointer moves to the popup.
void AttachPopupInput(HWND popup);

// The popup's own share of it: focus passed on to its first control when the popup is
// activated, and keys typed while the popup itself has the focus. True when handled.
bool PopupInputMessage(HWND popup, UINT message, WPARAM wParam, LPARAM lParam);
