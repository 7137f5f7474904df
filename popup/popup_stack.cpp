#include "popup/popup_stack.h"

#include <cstring>

#include "module/internal_names.h"
#include "module/module_state.h"
#include "popup/dpi_scale.h"
#include "popup/notify_session.h"
#include "popup/popup_hover.h"
#include "popup/slide_pacing.h"
#include "popup/stack_geometry.h"

namespace {
// Properties of the popup window that every copy of the module reads: when the popup appeared
// (a GetTickCount value, never 0) and the top edge of its resting place, biased so that it is
// never 0 (a missing property reads 0). Both are 32-bit values, the same for 32-bit and 64-bit
// programs.
const char kOrderProperty[] = "VorbelNotifyOrder";
const char kPlaceProperty[] = "VorbelNotifyPlace";
const LONG kPlaceBias = 0x40000000;
// Posted to the other popups when this one leaves or has moved.
const char kStackChangedName[] = "VorbelNotifyStackChanged";

// A place freed without news (a program killed with its popup shown, a work area changed
// behind the popup's back) is noticed within this time.
const UINT kWatchMs = 200;
// Ticks of a move; its positions follow the clock, whatever the ticks' real length.
const UINT kMoveTickMs = 10;
const int kSlideStep = 3;     // the slide's step at 96 DPI
const int kMostOthers = 64;  // more popups than any screen holds

struct StackMove {
    HWND popup;  // the popup of this copy that has joined the stack
    bool moving;
    int fromY, toY;
    LONGLONG start;
};
StackMove move = {nullptr, false, 0, 0, 0};

RECT WorkArea()
{
    RECT area = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

UINT StackChangedMessage()
{
    static UINT message = 0;
    if (!message)
        message = RegisterWindowMessageA(kStackChangedName);
    return message;
}

DWORD WindowValue(HWND window, const char* name)
{
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(GetPropA(window, name)));
}

DWORD WindowId(HWND window)
{
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(window));
}

// A popup of another program, or of another copy of the module in this process; this copy's
// own windows (at most one popup, and windows left from earlier ones) are not.
bool IsOtherPopup(HWND window, HWND self)
{
    if (window == self)
        return false;
    char name[sizeof kPopupClass + 1] = "";
    if (!GetClassNameA(window, name, sizeof name) || std::strcmp(name, kPopupClass) != 0)
        return false;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process != GetCurrentProcessId() ||
           reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)) != moduleHandle;
}

struct Earlier {
    HWND self;
    DWORD order;
    RECT places[kMostOthers];
    int count;
};

// Each popup that appeared before self, as the union of where it stands and where it is
// heading: a popup sliding in counts at its resting place already, one moving down still holds
// the place it is leaving. A popup without a stamp (a copy of the module that does not stack)
// counts as earlier; one not yet shown counts once it has published its place.
BOOL CALLBACK CollectEarlier(HWND window, LPARAM context)
{
    Earlier& e = *reinterpret_cast<Earlier*>(context);
    if (e.count >= kMostOthers)
        return FALSE;
    if (!IsOtherPopup(window, e.self))
        return TRUE;
    const DWORD place = WindowValue(window, kPlaceProperty);
    const bool shown = IsWindowVisible(window) != FALSE;
    if (!shown && !place)
        return TRUE;
    const DWORD order = WindowValue(window, kOrderProperty);
    if (order && e.order && !AppearedBefore(order, WindowId(window), e.order, WindowId(e.self)))
        return TRUE;
    RECT r;
    if (!GetWindowRect(window, &r))
        return TRUE;
    if (place) {
        const int top = static_cast<LONG>(place) - kPlaceBias;
        const RECT heading = {r.left, top, r.right, top + (r.bottom - r.top)};
        if (shown)
            UnionRect(&r, &r, &heading);
        else
            r = heading;
    }
    e.places[e.count++] = r;
    return TRUE;
}

PopupPlacement StackedPlacement(HWND popup, UINT dpi)
{
    const RECT area = WorkArea();
    const NotifySessionRecord& s = NotifySession;
    const PopupPlacement corner =
        ComputePopupPlacementForDpi(area, s.popupWidth, s.checkCount != 0, dpi);
    Earlier earlier;
    earlier.self = popup;
    earlier.order = WindowValue(popup, kOrderProperty);
    earlier.count = 0;
    EnumWindows(CollectEarlier, reinterpret_cast<LPARAM>(&earlier));
    return ComputeStackedPlacement(corner, area, ScaleForDpi(kStackGap, dpi), earlier.places,
                                   earlier.count);
}

void Publish(HWND popup, int restY)
{
    SetPropA(popup, kPlaceProperty,
             reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(static_cast<DWORD>(restY + kPlaceBias))));
}

int PublishedY(HWND popup)
{
    return static_cast<LONG>(WindowValue(popup, kPlaceProperty)) - kPlaceBias;
}

void StorePlacement(const PopupPlacement& p)
{
    NotifySession.popupHeight = p.height;
    NotifySession.shownX = p.shownX;
    NotifySession.shownY = p.shownY;
    NotifySession.hiddenY = p.hiddenY;
}

BOOL CALLBACK PostStackChanged(HWND window, LPARAM self)
{
    if (IsOtherPopup(window, reinterpret_cast<HWND>(self)) && IsWindowVisible(window))
        PostMessageA(window, StackChangedMessage(), 0, 0);
    return TRUE;
}

void TellOthers(HWND popup)
{
    EnumWindows(PostStackChanged, reinterpret_cast<LPARAM>(popup));
}

// The user is at the popup: the pointer rests on it, or a control of it holds the pointer (a
// button pressed and not yet released, the list dropped down). It stays where it is until then.
bool UserAtPopup(HWND popup)
{
    if (PopupPointerHolds(popup))
        return true;
    HWND capture = GetCapture();
    return capture && capture != popup;
}

void EndMove(HWND popup)
{
    if (move.moving)
        SetTimer(popup, kPopupStackTimerId, kWatchMs, nullptr);
    move.moving = false;
}

// One look at the stack: a new place is published at once, and the popup takes the step the
// clock says towards it (all of it where animations are off).
void StackTick(HWND popup)
{
    NotifySessionRecord& s = NotifySession;
    if (popup != move.popup || !IsWindowVisible(popup))
        return;
    const UINT dpi = DpiForWindow(popup);
    const PopupPlacement p = StackedPlacement(popup, dpi);
    if (!move.moving && p.shownX == s.shownX && p.shownY == PublishedY(popup) &&
        p.hiddenY == s.hiddenY && p.height == s.popupHeight)
        return;
    if (UserAtPopup(popup)) {
        EndMove(popup);  // taken up again from where it stands once the user has left
        return;
    }
    RECT r;
    GetWindowRect(popup, &r);
    if (!move.moving || move.toY != p.shownY) {
        move.moving = true;
        move.fromY = r.top;
        move.toY = p.shownY;
        move.start = SlideClockNow();
        SetTimer(popup, kPopupStackTimerId, kMoveTickMs, nullptr);
    }
    Publish(popup, p.shownY);
    const int y = SlideAnimationEnabled()
                      ? StackMoveY(move.fromY, move.toY, ScaleForDpi(kSlideStep, dpi),
                                   SlideClockNow() - move.start)
                      : move.toY;
    // The slide-out starts where the popup stands.
    StorePlacement(p);
    s.shownY = y;
    if (y != r.top || p.shownX != r.left || p.width != r.right - r.left ||
        p.height != r.bottom - r.top)
        SetWindowPos(popup, nullptr, p.shownX, y, p.width, p.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    PopupMovedUnderPointer(popup);
    if (y == move.toY) {
        EndMove(popup);
        TellOthers(popup);
    }
}
}  // namespace

void JoinPopupStack(HWND popup)
{
    move.popup = popup;
    move.moving = false;
    const DWORD now = GetTickCount();
    SetPropA(popup, kOrderProperty,
             reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(now ? now : 1)));
}

PopupPlacement PlacePopupInStack(HWND popup)
{
    const PopupPlacement p = StackedPlacement(popup, DpiForWindow(popup));
    StorePlacement(p);
    if (popup == move.popup) {
        EndMove(popup);
        Publish(popup, p.shownY);
    }
    return p;
}

void WatchPopupStack(HWND popup)
{
    if (popup == move.popup)
        SetTimer(popup, kPopupStackTimerId, kWatchMs, nullptr);
}

void StopWatchingPopupStack(HWND popup)
{
    KillTimer(popup, kPopupStackTimerId);
    if (popup == move.popup)
        move.moving = false;
}

void LeavePopupStack(HWND popup)
{
    KillTimer(popup, kPopupStackTimerId);
    if (popup == move.popup) {
        move.popup = nullptr;
        move.moving = false;
    }
    const bool joined = RemovePropA(popup, kOrderProperty) != nullptr;
    RemovePropA(popup, kPlaceProperty);
    if (joined)
        TellOthers(popup);
}

bool PopupStackMessage(HWND popup, UINT message, WPARAM wParam)
{
    if (message == WM_TIMER && wParam == kPopupStackTimerId) {
        StackTick(popup);
        return true;
    }
    if (message >= 0xC000 && message == StackChangedMessage()) {
        if (!move.moving)
            StackTick(popup);
        return true;
    }
    return false;
}
