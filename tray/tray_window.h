// The tray thread's hidden window: its class, its procedure and the shell's events it reads.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include "module/internal_names.h"

// Shell events in the callback's lParam.
enum : LPARAM {
    kBalloonShowEvent = NIN_BALLOONSHOW,
    kBalloonHideEvent = NIN_BALLOONHIDE,
    kBalloonTimeoutEvent = NIN_BALLOONTIMEOUT,
    kBalloonClickEvent = NIN_BALLOONUSERCLICK,
};
static_assert(kBalloonShowEvent == 0x402 && kBalloonHideEvent == 0x403 &&
                  kBalloonTimeoutEvent == 0x404 && kBalloonClickEvent == 0x405,
              "balloon events");

// The registered message "TaskbarCreated" that a (re)started shell broadcasts.
UINT TaskbarCreatedMessage();
// Whether the tray window adds its icon again when the shell has restarted: only in a session
// that is not ending, whose icon was added, and that the host has not hidden.
bool TrayIconBackAfterShellRestart(int sessionEnding, int iconAdded, int hiddenByHost);
LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void RegisterTrayWindowClass();
