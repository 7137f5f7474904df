// A popup made by the module's own routine, for driving the window procedures as a user
// would: the "VorbelNotify" class with PopupWindowProc, controls built on WM_CREATE.
#pragma once
#include <windows.h>
#include <cstring>
#include <string>

#include "module/module_state.h"
#include "popup/notify_session.h"
#include "popup/popup_rules.h"
#include "popup/show_notification.h"
#include "popup/window_procs.h"

namespace harness {

// Stores a list as its setter would: null clears it.
inline void SetList(char* buffer, int* hasFlag, const char* text)
{
    std::memset(buffer, 0, kListSize);
    *hasFlag = 0;
    if (!text)
        return;
    std::strncpy(buffer, text, kListSize - 1);
    *hasFlag = 1;
}

// The session's three option lists and their masks.
inline void SetLists(const char* checks, WORD checkMask, const char* buttons, WORD buttonMask,
                     const char* combo)
{
    NotifySessionRecord& s = NotifySession;
    SetList(s.checkList, &s.hasCheckList, checks);
    s.checkMask = checkMask;
    SetList(s.buttonList, &s.hasButtonList, buttons);
    s.buttonMask = buttonMask;
    SetList(s.comboList, &s.hasComboList, combo);
}

// Fills the session as the setters and ShowNotification would, then creates the popup as
// ShowNotification does and shows it at its place at the lower right, without the slide.
inline HWND MakePopup(LONG style, const char* checks, WORD checkMask, const char* buttons,
                      WORD buttonMask, const char* combo, DWORD delayMs = 9000,
                      const char* url = nullptr)
{
    SetLists(checks, checkMask, buttons, buttonMask, combo);
    NotifySessionRecord& s = NotifySession;
    s.style = style | (s.hasComboList ? LONG(NS_STICKY) : LONG(0));
    s.closeDelayMs = delayMs;
    std::memset(s.linkUrl, 0, kTextSize);
    std::strcpy(s.messageText, "Heading\nBody text");
    if (url)
        std::strcpy(s.linkUrl, url);
    CountOptionLists();
    CreatePopupWindow();
    if (s.popupWindow) {
        ShowWindow(s.popupWindow, SW_SHOWNOACTIVATE);
        UpdateWindow(s.popupWindow);
    }
    return s.popupWindow;
}

// Dispatches what is queued for this thread.
inline void Pump()
{
    MSG msg;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    }
}

inline void Click(HWND window, int id)
{
    SendMessageA(GetDlgItem(window, id), BM_CLICK, 0, 0);
}

inline std::string WindowText(HWND window)
{
    char text[300] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

}  // namespace harness
