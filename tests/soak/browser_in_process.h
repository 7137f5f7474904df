/* A stand-in for the browser's automation object, served from inside the soak program: the
   link click of a popup reaches it through COM without starting another program, so that a
   thousand clicks cost a thousand objects and no processes. */
#pragma once
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Registers the class object under the browser's class in the calling apartment; S_OK or
   CoRegisterClassObject's failure. */
HRESULT RegisterBrowserInProcess(void);
void RevokeBrowserInProcess(void);

/* Objects created, Navigate2 calls, and objects still referenced. */
LONG BrowserObjectsCreated(void);
LONG BrowserNavigations(void);
LONG BrowserReferences(void);
/* The address of the last Navigate2 (UTF-16), empty before the first. */
const WCHAR* BrowserLastAddress(void);

#ifdef __cplusplus
}
#endif
