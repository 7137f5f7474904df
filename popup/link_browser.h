// Opening the notification's link in a new browser window.
#pragma once
#include <windows.h>

// 1 when the browser object could be created, 0 when creating it failed.
int OpenLinkInBrowser(const char* url);

// 1 on Windows NT 4.0 and older NT versions: they show the arrow, not the hand, over a link.
int IsOldNtPlatform();
// The same decision from the numbers GetVersionExA reports.
int IsOldNtVersion(DWORD platformId, DWORD majorVersion);
