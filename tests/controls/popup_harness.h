// A popup made the way the module makes it, for driving the window procedures as a user
// would: the "VorbelNotify" class with PopupWindowProc, controls built on WM_CREATE.
#pragma once
#include <windows.h>
#include <cstring>
#include <string>

#include "module/module_state.h"
#include "popup/notify_session.h"
#include "popup/popup_rules.h"
#include "popup/window_procs.h"

namespace harness {

inline void RegisterPopupClass()
{
    WNDCLASSEXA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PopupWindowProc;
    wc.hInstance = moduleHandle;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "VorbelNotify";
    RegisterClassExA(&wc);
}

inline void SetList(char* buffer, int* hasFlag, const char* text)
{
    std::memset(buffer, 0, kListSize);
    if (!text) return;
    std::strncpy(buffer, text, kListSize - 1);
    *hasFlag = 1;
}

// Fills the session as the setters and ShowNotification would, then creates the popup
// (shown, at the lower right) without the slide.
inline HWND MakePopup(LONG style, const char* checks, WORD checkMask, const char* buttons, WORD buttonMask,
                      const char* combo, DWORD delayMs = 9000, const char* url = nullptr)
{
    NotifySessionRecord& s = NotifySession;
    SetList(s.checkList, &s.hasCheckList, checks);
    s.checkMask = checkMask;
    SetList(s.buttonList, &s.hasButtonList, buttons);
    s.buttonMask = buttonMask;
    SetList(s.comboList, &s.hasComboList, combo);
    s.style = style | (s.hasComboList ? LONG(NS_STICKY) : LONG(0));
    s.closeDelayMs = delayMs;
    std::memset(s.linkUrl, 0, kTextSize);
    std::strcpy(s.messageText, "Heading\nBody text");
    if (url) std::strcpy(s.linkUrl, url);
    CountOptionLists();
    RegisterPopupClass();
    const int height = s.checkCount ? 180 : 160;
    s.popupHeight = height;
    s.shownX = 1024 - 280;
    s.shownY = 748 - height;
    s.hiddenY = 748;
    s.popupWindow = CreateWindowExA(0, "VorbelNotify", "VorbelNotify", 0xC0000080, s.shownX, s.shownY, 280,
                                    height, nullptr, nullptr, moduleHandle, nullptr);
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
