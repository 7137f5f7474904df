// Finding the module's windows from a test's own thread, or from a watchdog beside it.
#pragma once

#include <windows.h>

// The first top-level window of class `cls` ("VorbelNotify" for the popup, "#32770" for the
// dialog) that belongs to `thread`, or null. A window exists before it is shown: `shownOnly`
// leaves such a one out.
HWND ThreadWindowOfClass(const char* cls, bool shownOnly, DWORD thread = GetCurrentThreadId());

// The modal dialog (class "#32770") of the calling thread, or null.
inline HWND ThreadDialog(bool shownOnly)
{
    return ThreadWindowOfClass("#32770", shownOnly);
}

// The shown modal dialog of the calling thread, or null.
inline HWND VisibleThreadDialog()
{
    return ThreadDialog(true);
}
