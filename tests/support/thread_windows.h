// Finding the module's windows from a test's own thread.
#pragma once

#include <windows.h>

// The visible modal dialog (class "#32770") of the calling thread, or null.
HWND VisibleThreadDialog();
