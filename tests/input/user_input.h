// A host as a user works with it: a foreground window with an edit, the object reached
// through its class factory, and keys and pointer moves sent as real input.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "NtfObj.h"
#include "popup/notify_session.h"
#include "support/emulation.h"

namespace input {

// Far from the popup, the host and the taskbar: where the pointer rests between tests.
const POINT kPointerAway = {300, 200};

inline void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Runs this thread's messages until done() holds or limitMs has passed (a safety limit, not
// a measured time); returns done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 15000)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > SafetyLimitMs(limitMs))
            return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
    return true;
}

inline void PumpFor(DWORD ms)
{
    const DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000);
}

// Polls from a thread that runs no messages.
inline bool WaitUntil(const std::function<bool()>& done, DWORD limitMs = 15000)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > SafetyLimitMs(limitMs))
            return done();
        Sleep(10);
    }
    return true;
}

struct Key {
    WORD vk;
    bool shift;
};

inline void SendKey(WORD vk, bool up)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

inline void Press(const std::vector<Key>& keys)
{
    for (const Key& k : keys) {
        if (k.shift)
            SendKey(VK_SHIFT, false);
        SendKey(k.vk, false);
        SendKey(k.vk, true);
        if (k.shift)
            SendKey(VK_SHIFT, true);
    }
}

// The pointer to a screen point, as a hand brings it there: placed beside it, then moved onto
// it through SendInput, so that Wine reports a move to the window under it. (A move onto the
// point where the pointer already is may not be reported.)
inline void MoveTo(POINT at)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = (at.x * 65536 + width - 1) / width;
    in.mi.dy = (at.y * 65536 + height - 1) / height;
    SendInput(1, &in, sizeof in);
}

inline void PointerTo(POINT at)
{
    SetCursorPos(at.x + 1, at.y);
    MoveTo(at);
}

// A click where the pointer is brought, once the system sees target under it there.
inline void ClickAt(POINT at, HWND target = nullptr)
{
    PointerTo(at);
    if (target)
        WaitUntil([&] { return WindowFromPoint(at) == target; }, 5000);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof in[0]);
}

// A point of the popup's client area on the screen; or the middle of one of its controls.
inline POINT PopupPoint(HWND popup, int x, int y)
{
    POINT at = {x, y};
    ClientToScreen(popup, &at);
    return at;
}

inline POINT ControlMiddle(HWND popup, int id)
{
    RECT r = {};
    GetWindowRect(GetDlgItem(popup, id), &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The window that has the keyboard in another thread.
inline HWND FocusOf(DWORD thread)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

// The popup is up and has finished sliding in.
inline bool PopupAtRest()
{
    HWND popup = NotifySession.popupWindow;
    RECT r = {};
    return popup && IsWindowVisible(popup) && GetWindowRect(popup, &r) &&
           r.top == NotifySession.shownY;
}

inline IAxObj* CreateObject()
{
    IClassFactory* factory = nullptr;
    if (DllGetClassObject(CLSID_NtfObj, IID_IClassFactory, reinterpret_cast<void**>(&factory)) !=
        S_OK)
        return nullptr;
    IAxObj* object = nullptr;
    factory->CreateInstance(nullptr, IID_IAxObj, reinterpret_cast<void**>(&object));
    factory->Release();
    return object;
}

inline short Action(IAxObj* object, const wchar_t* heading, const wchar_t* body, LONG style,
                    const wchar_t* linkText = nullptr, const wchar_t* url = nullptr)
{
    BSTR h = SysAllocString(heading), b = SysAllocString(body);
    BSTR t = linkText ? SysAllocString(linkText) : nullptr, u = url ? SysAllocString(url) : nullptr;
    short ret = -1;
    object->Action(h, b, t, u, 0, style, &ret);
    SysFreeString(h);
    SysFreeString(b);
    SysFreeString(t);
    SysFreeString(u);
    return ret;
}

// A top-level window the user is typing into: an edit with the focus, in the foreground.
class HostWindow {
public:
    HostWindow()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = "NtfTestHost";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, "NtfTestHost", "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                 360, 200, nullptr, nullptr, wc.hInstance, nullptr);
        edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL,
                               10, 10, 300, 24, window, nullptr, wc.hInstance, nullptr);
        SetForegroundWindow(window);
        SetFocus(edit);
        PumpUntil([this] { return GetForegroundWindow() == window; }, 5000);
    }
    ~HostWindow()
    {
        DestroyWindow(window);
        Pump();
    }
    std::string Text() const
    {
        char text[100] = "";
        GetWindowTextA(edit, text, sizeof text);
        return text;
    }
    HWND window = nullptr;
    HWND edit = nullptr;
};

}  // namespace input
