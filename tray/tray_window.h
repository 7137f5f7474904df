// The tray thread's hidden window: its class, its procedure and the shell's events it reads.
#pragma once
#include <windows.h>

#include "module/internal_names.h"

// Shell events in the callback's lParam.
enum : LPARAM {
    kBalloonShowEvent = 0x402,      // NIN_BALLOONSHOW
    kBalloonHideEvent = 0x403,      // NIN_BALLOONHIDE
    kBalloonTimeoutEvent = 0x404,   // NIN_BALLOONTIMEOUT, 1028
    kBalloonClickEvent = 0x405,     // NIN_BALLOONUSERCLICK, 1029
};

// The registered message "TaskbarCreated" that a (re)started shell broadcasts.
UINT TaskbarCreatedMessage();
// Whether the tray window adds its icon again when the shell has restarted: only in a session
// that is not ending, whose icon was added, and that the host has not hidden.
bool TrayIconBackAfterShellRestart(int sessionEnding, int iconAdded, int hiddenByHost);
LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void RegisterTrayWindowClass();
