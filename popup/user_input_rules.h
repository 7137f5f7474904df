// The decisions behind the popup's keyboard, its pointer-held timer and the user's
// notification duration, as plain values in and out.
#pragma once
#include <windows.h>

#include "popup/notify_session.h"

// What has the keyboard focus inside the popup.
enum class FocusKind { Popup, CheckBox, PushButton, ComboBox };

// What a key pressed there does. Pass: the control handles the key itself (Space toggles a
// check box or presses a button; arrows move through the list).
enum class KeyCommand { Pass, FocusNext, FocusPrevious, PressFocused, PressDefault, Close };

// listDropped: the drop-down list is open; Enter and Esc then close the list, not the popup.
inline KeyCommand PopupKeyCommand(UINT key, bool shift, FocusKind focus, bool listDropped)
{
    switch (key) {
    case VK_TAB:
        return shift ? KeyCommand::FocusPrevious : KeyCommand::FocusNext;
    case VK_RETURN:
        if (listDropped)
            return KeyCommand::Pass;
        return focus == FocusKind::PushButton ? KeyCommand::PressFocused : KeyCommand::PressDefault;
    case VK_ESCAPE:
        return listDropped ? KeyCommand::Pass : KeyCommand::Close;
    default:
        return KeyCommand::Pass;
    }
}

// How Esc closes a popup: as its close button, as its timer would, or not at all. A sticky
// popup without a close button waits for a choice, as it does for a click on its face.
enum class EscapeClose { AsCloseButton, AsTimer, Ignored };

inline EscapeClose EscapeCloseFor(LONG style)
{
    if (style & NS_CLOSEBOX)
        return EscapeClose::AsCloseButton;
    if (style & NS_STICKY)
        return EscapeClose::Ignored;
    return EscapeClose::AsTimer;
}

// The timer's delay: the popup's own bounded delay, or the user's "show notifications for"
// setting where the system answers it (answered) and it is longer.
inline DWORD PopupTimerDelay(DWORD boundedMs, bool answered, ULONG userSeconds)
{
    if (!answered)
        return boundedMs;
    // An absurd setting still gives a delay a timer accepts (about 24 days).
    const ULONG longestSeconds = 0x7FFFFFFFu / 1000u;
    const DWORD userMs = (userSeconds > longestSeconds ? longestSeconds : userSeconds) * 1000u;
    return userMs > boundedMs ? userMs : boundedMs;
}
