#include "support/thread_windows.h"

namespace {
struct WindowSearch {
    const char* cls;
    bool shownOnly;
    HWND found;
};

BOOL CALLBACK FindWindowOfClass(HWND window, LPARAM param)
{
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(param);
    char cls[32] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (lstrcmpiA(cls, search.cls) == 0 && (!search.shownOnly || IsWindowVisible(window))) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND ThreadWindowOfClass(const char* cls, bool shownOnly, DWORD thread)
{
    WindowSearch search = {cls, shownOnly, nullptr};
    EnumThreadWindows(thread, FindWindowOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
