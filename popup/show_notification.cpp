#include "popup/show_notification.h"

int ShowNotification(LONG, const char*, int, const char*, const char*, DWORD) { return 0; }
BOOL RepositionPopup(HWND) { return FALSE; }
void SlideWindow(HWND, int, int, int, int) {}
void SlideOutPopup() {}
