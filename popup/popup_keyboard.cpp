#include "popup/popup_keyboard.h"

#include <commctrl.h>
#include <cstring>

#include "popup/notify_session.h"
#include "popup/popup_hover.h"
#include "popup/popup_rules.h"
#include "popup/user_input_rules.h"
#include "popup/window_procs.h"

namespace {
// The control's own procedure, kept while the popup listens to it.
const char kOriginalProc[] = "NtfObj.ControlProc";

bool ClassIs(HWND window, const char* name)
{
    char cls[32] = "";
    GetClassNameA(window, cls, sizeof cls);
    return lstrcmpiA(cls, name) == 0;
}

// The window that takes the focus for a control: the list of the extended combo box.
HWND FocusTarget(HWND control)
{
    if (ClassIs(control, WC_COMBOBOXEXA)) {
        HWND combo = reinterpret_cast<HWND>(SendMessageA(control, CBEM_GETCOMBOCONTROL, 0, 0));
        return combo ? combo : control;
    }
    return control;
}

// The controls Tab moves through, in the order they were made. The close button is left out:
// Esc does its work.
bool TakesTab(HWND child)
{
    return GetDlgCtrlID(child) != kCloseButtonId && IsWindowVisible(child) &&
           IsWindowEnabled(child);
}

// The first (or, backward, the last) control in Tab order, or null.
HWND EndOfTabOrder(HWND popup, bool backward)
{
    HWND child = GetWindow(popup, GW_CHILD);
    if (child && backward)
        child = GetWindow(child, GW_HWNDLAST);
    for (; child; child = GetWindow(child, backward ? GW_HWNDPREV : GW_HWNDNEXT))
        if (TakesTab(child))
            return child;
    return nullptr;
}

FocusKind KindOf(HWND popup, HWND focus)
{
    if (focus == popup || !focus)
        return FocusKind::Popup;
    if (ClassIs(focus, "ComboBox"))
        return FocusKind::ComboBox;
    if (ClassIs(focus, "Button")) {
        const LONG type = GetWindowLongA(focus, GWL_STYLE) & BS_TYPEMASK;
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX)
            return FocusKind::CheckBox;
        return FocusKind::PushButton;
    }
    return FocusKind::Popup;
}

void MoveFocus(HWND popup, HWND focus, bool backward)
{
    // The popup's own control that holds the focus (the list's box sits inside its control).
    HWND current = focus;
    while (current && current != popup && GetParent(current) != popup) current = GetParent(current);
    HWND next = nullptr;
    if (current && current != popup)
        for (next = GetWindow(current, backward ? GW_HWNDPREV : GW_HWNDNEXT);
             next && !TakesTab(next);
             next = GetWindow(next, backward ? GW_HWNDPREV : GW_HWNDNEXT)) {
        }
    if (!next)
        next = EndOfTabOrder(popup, backward);
    if (next)
        SetFocus(FocusTarget(next));
}

void Press(HWND popup, HWND button)
{
    if (!button)
        return;
    SendMessageA(popup, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

// Enter away from a push button: the list's confirm button when the list has the focus, else
// the row's default button (the last one marked, as the timer's result counts it).
HWND DefaultButton(HWND popup, FocusKind focus)
{
    if (focus == FocusKind::ComboBox)
        return GetDlgItem(popup, kConfirmButtonId);
    HWND found = nullptr;
    for (int i = 0; i < NotifySession.buttonCount; ++i) {
        HWND button = GetDlgItem(popup, kRowButtonFirstId + i);
        if (button && (GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            found = button;
    }
    return found;
}

void Close(HWND popup)
{
    switch (EscapeCloseFor(NotifySession.style)) {
    case EscapeClose::AsCloseButton:
        SendMessageA(popup, WM_COMMAND, kCloseButtonId,
                     reinterpret_cast<LPARAM>(GetDlgItem(popup, kCloseButtonId)));
        break;
    case EscapeClose::AsTimer:
        ClosePopupAsTimer(popup);
        break;
    case EscapeClose::Ignored:
        break;
    }
}

bool ListDropped(HWND focus, FocusKind kind)
{
    return kind == FocusKind::ComboBox && SendMessageA(focus, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

// A key pressed in focus (the popup or one of its controls). True when the popup acted on it.
bool HandleKey(HWND popup, HWND focus, WPARAM key)
{
    const FocusKind kind = KindOf(popup, focus);
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (PopupKeyCommand(static_cast<UINT>(key), shift, kind, ListDropped(focus, kind))) {
    case KeyCommand::Pass:
        return false;
    case KeyCommand::FocusNext:
    case KeyCommand::FocusPrevious:
        MoveFocus(popup, focus, shift);
        return true;
    case KeyCommand::PressFocused:
        Press(popup, focus);
        return true;
    case KeyCommand::PressDefault:
        Press(popup, DefaultButton(popup, kind));
        return true;
    case KeyCommand::Close:
        Close(popup);
        return true;
    }
    return false;
}

// The characters TranslateMessage makes of the keys handled above.
bool IsHandledKeyChar(WPARAM ch)
{
    return ch == '\t' || ch == '\r' || ch == 0x1B;
}

LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC original = reinterpret_cast<WNDPROC>(GetPropA(control, kOriginalProc));
    if (!original)
        return DefWindowProcW(control, message, wParam, lParam);
    HWND popup = GetAncestor(control, GA_ROOT);
    switch (message) {
    case WM_KEYDOWN:
        if (HandleKey(popup, control, wParam))
            return 0;
        break;
    case WM_CHAR:
        if (IsHandledKeyChar(wParam) && !ListDropped(control, KindOf(popup, control)))
            return 0;
        break;
    case WM_MOUSEMOVE:
        PopupPointerMoved(popup, control);
        break;
    case WM_MOUSELEAVE:
        PopupPointerLeft(popup);
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(control, kOriginalProc);
        break;
    default:
        break;
    }
    return CallWindowProcW(original, control, message, wParam, lParam);
}

BOOL CALLBACK Listen(HWND control, LPARAM)
{
    if (GetPropA(control, kOriginalProc))
        return TRUE;
    // The W functions keep a Unicode control Unicode: its caption stays the host's characters.
    const LONG_PTR original = GetWindowLongPtrW(control, GWLP_WNDPROC);
    if (!original || !SetPropA(control, kOriginalProc, reinterpret_cast<HANDLE>(original)))
        return TRUE;
    SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc));
    return TRUE;
}
}  // namespace

void AttachPopupInput(HWND popup)
{
    ResetPopupHover(popup);
    // Every descendant: the extended combo box keeps its list in a child of its own.
    EnumChildWindows(popup, Listen, 0);
}

bool PopupInputMessage(HWND popup, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_SETFOCUS: {
        // Activated by a click: the keyboard goes on to the first control, as in a dialog.
        if (HWND first = EndOfTabOrder(popup, false))
            SetFocus(FocusTarget(first));
        return false;
    }
    case WM_KEYDOWN:
        return HandleKey(popup, popup, wParam);
    case WM_CHAR:
        return IsHandledKeyChar(wParam);
    default:
        return false;
    }
}
