// Opening the notification's link in a new browser window.
#pragma once
#include <windows.h>

// 1 when the browser object could be created, 0 when creating it failed (a web address then
// goes to the default browser through the shell) or when the address may not open at all
// (see LinkMayOpen; nothing is created then).
// shownUrl: the address as the popup shows it (the twin of url), else url is converted from
// the code page.
int OpenLinkInBrowser(const char* url, int webAndMailOnly = 0, const wchar_t* shownUrl = nullptr);

// 1 for an address the shell may be given: http:// or https:// (any case) with something
// after it, and no quote, space or control character in it.
int IsWebAddress(const char* url);
// 1 for mailto: (any case) with something after it, and no quote, space or control character.
int IsMailAddress(const char* url);
// Whether a link may open at all: any address for a trusted host; for an untrusted caller's
// notification only a web or mail address, never a file, a path, script or another scheme.
int LinkMayOpen(const char* url, int webAndMailOnly);
