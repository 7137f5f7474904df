// What screen readers hear and read of the notification: an alert when the popup has slid
// in, and the accessible object of the popup's and the dialog's client area.
#pragma once
#include <windows.h>

// Raises the system's alert event for the popup that has just slid in.
void AnnouncePopup(HWND popup);

// The answer to WM_GETOBJECT for the client area of the popup or the dialog: role alert, the
// heading as name, the body as description, the link as default action. False for other
// objects, or when the system's accessibility library is missing.
bool AnswerAccessibleObject(HWND window, WPARAM flags, LPARAM objectId, LRESULT* answer);
