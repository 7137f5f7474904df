#include "popup/popup_hover.h"

#include "module/user32_function.h"
#include "popup/notify_session.h"
#include "popup/popup_rules.h"
#include "popup/user_input_rules.h"

namespace {
// The system's "show notifications for" setting (Vista and later); older systems refuse it.
const UINT kGetMessageDuration = 0x2016;

typedef BOOL(WINAPI* TrackMouseEventFn)(LPTRACKMOUSEEVENT);

HWND heldPopup = nullptr;  // the popup the pointer rests on, if any
// Where the pointer was when the popup came up. A popup that appears under a pointer lying
// still is not being read: only a pointer moved since then holds the timer, so a pointer
// left in the corner of the screen does not keep every popup open.
POINT pointerAtStart = {0, 0};
bool pointerMovedSinceStart = false;

// Looked up once: Windows 95 has no TrackMouseEvent, and without it a leave would never be
// seen, so the timer is then never held.
TrackMouseEventFn trackMouseEvent = nullptr;
bool trackMouseEventLooked = false;

TrackMouseEventFn TrackMouse()
{
    if (!trackMouseEventLooked) {
        trackMouseEventLooked = true;
        trackMouseEvent = User32Function<TrackMouseEventFn>("TrackMouseEvent");
    }
    return trackMouseEvent;
}

bool PointerOnPopup(HWND popup)
{
    POINT at;
    if (!GetCursorPos(&at))
        return false;
    HWND under = WindowFromPoint(at);
    return under && (under == popup || IsChild(popup, under));
}

void ArmCloseTimer(HWND popup)
{
    if (!(NotifySession.style & NS_STICKY))
        SetTimer(popup, kPopupCloseTimerId, PopupCloseTimerDelay(NotifySession.closeDelayMs),
                 nullptr);
}

void PointerGone(HWND popup)
{
    if (heldPopup != popup)
        return;
    heldPopup = nullptr;
    if (IsWindow(popup))
        ArmCloseTimer(popup);
}
}  // namespace

DWORD PopupCloseTimerDelay(DWORD boundedMs)
{
    ULONG seconds = 0;
    const bool answered = SystemParametersInfoA(kGetMessageDuration, 0, &seconds, 0) != FALSE;
    return PopupTimerDelay(boundedMs, answered, seconds);
}

void ResetPopupHover(HWND)
{
    heldPopup = nullptr;
    pointerMovedSinceStart = false;
    if (!GetCursorPos(&pointerAtStart))
        pointerAtStart.x = pointerAtStart.y = -32768;
}

void PopupPointerMoved(HWND popup, HWND window)
{
    TrackMouseEventFn track = TrackMouse();
    if (!track)
        return;
    // The pointer itself, not the message's point: the system reports a window that moves or
    // appears under a still pointer as a move too, and so may any program posting one.
    POINT at;
    if (!GetCursorPos(&at))
        return;
    if (!pointerMovedSinceStart) {
        if (at.x == pointerAtStart.x && at.y == pointerAtStart.y)
            return;
        pointerMovedSinceStart = true;
    }
    // The link's capture sends the popup moves from outside it too: those are a leave.
    if (!PointerOnPopup(popup)) {
        PointerGone(popup);
        return;
    }
    if (heldPopup != popup) {
        heldPopup = popup;
        KillTimer(popup, kPopupCloseTimerId);
    }
    // Asked again on every move: the window under the pointer changes between the popup and its
    // controls, and the link's capture may have been taken or released since.
    TRACKMOUSEEVENT request = {sizeof request, TME_LEAVE, window, 0};
    track(&request);
}

void PopupPointerLeft(HWND popup)
{
    // Leaving the popup for one of its controls (or back) is no leave.
    if (PointerOnPopup(popup))
        return;
    PointerGone(popup);
}

bool PopupTimerHeld(HWND popup)
{
    if (heldPopup != popup)
        return false;
    KillTimer(popup, kPopupCloseTimerId);  // an expiry that was already queued
    return true;
}

bool PopupPointerHolds(HWND popup)
{
    return heldPopup == popup;
}

void PopupMovedUnderPointer(HWND popup)
{
    if (heldPopup == popup)
        return;
    pointerMovedSinceStart = false;
    if (!GetCursorPos(&pointerAtStart))
        pointerAtStart.x = pointerAtStart.y = -32768;
}
