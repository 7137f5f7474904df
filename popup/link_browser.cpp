#include "popup/link_browser.h"

int OpenLinkInBrowser(const char*) { return 0; }
int IsOldNtPlatform() { return 0; }
int IsOldNtVersion(DWORD, DWORD) { return 0; }
