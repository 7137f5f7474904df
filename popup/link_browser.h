// Opening the notification's link in a new browser window.
#pragma once
#include <windows.h>

// 1 when the browser object could be created, 0 when creating it failed (a web address then
// goes to the default browser through the shell).
int OpenLinkInBrowser(const char* url);

// 1 for an address the shell may be given: http:// or https:// (any case) with something
// after it, and no quote, space or control character in it.
int IsWebAddress(const char* url);
