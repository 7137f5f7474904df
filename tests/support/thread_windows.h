// Finding the module's windows from a test's own thread.
#pragma once

#include <windows.h>

// The modal dialog (class "#32770") of the calling thread, or null. A dialog's window exists
// before it is shown: `shownOnly` leaves such a one out.
HWND ThreadDialog(bool shownOnly);

// The shown modal dialog of the calling thread, or null.
inline HWND VisibleThreadDialog() { return ThreadDialog(true); }
