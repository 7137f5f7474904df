#include "support/thread_windows.h"

namespace {
struct DialogSearch {
    bool shownOnly;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param)
{
    DialogSearch& search = *reinterpret_cast<DialogSearch*>(param);
    char cls[32] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0 && (!search.shownOnly || IsWindowVisible(window))) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}
}

HWND ThreadDialog(bool shownOnly)
{
    DialogSearch search = {shownOnly, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
