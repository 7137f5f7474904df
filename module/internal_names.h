// Names the module's windows share among its parts: window classes, timer identifiers and
// private messages. What hosts see (style bits, result codes) is the public header's.
#pragma once
#include <windows.h>

// Window classes. The popup's class name is its window title too.
inline constexpr char kPopupClass[] = "VorbelNotify";
inline constexpr char kTrayWindowClass[] = "VorbelXTrayIcon";

// Timers: the popup's auto-close, the popup's watch over the stack of popups, and the tray
// window's balloon watchdog.
enum : UINT_PTR {
    kPopupCloseTimerId = 1000,
    kPopupStackTimerId = 1001,
    kBalloonWatchdogTimer = 1,
};

// Posted by the accessible object's default action to the popup or the dialog; the window
// opens its link as a click would.
enum : UINT { kAccessibleLinkAction = WM_USER + 0x100 };

// Messages of the tray window; 0x8400 is the callback message registered with the shell.
enum : UINT {
    kTrayCallbackMessage = 0x8400,
    kTrayModifyMessage = 0x8401,
    kTrayHideMessage = 0x8402,
    kTrayCallbackMessage2 = 0x8403,
    kTrayBalloonMessage = 0x8404,
};
