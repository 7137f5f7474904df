#include "popup/window_procs.h"

#include "module/internal_names.h"
#include "module/module_state.h"
#include "module/windows_version.h"

#include "popup/face_colors.h"
#include "popup/link_browser.h"
#include "popup/notify_session.h"
#include "popup/option_controls.h"
#include "popup/paint.h"
#include "popup/popup_accessible.h"
#include "popup/popup_hover.h"
#include "popup/popup_keyboard.h"
#include "popup/popup_rules.h"
#include "popup/popup_stack.h"
#include "popup/show_notification.h"
#include "popup/shown_text.h"

namespace {
// The popup being closed: a closing event that arrives while the slide-out runs (a message
// sent from another thread) must not slide it twice or change how it was closed.
HWND closingPopup = nullptr;
}  // namespace

void ClosePopup(HWND window)
{
    if (closingPopup == window)
        return;
    closingPopup = window;
    SlideOutPopup();
    DestroyWindow(window);
    closingPopup = nullptr;
}

void ClosePopupAsTimer(HWND window)
{
    NotifySession.timedOut = 1;
    ClosePopup(window);
}

namespace {
void OnCreate(HWND window)
{
    NotifySessionRecord& s = NotifySession;
    CreateOptionControls(window);
    if (s.style & NS_CLOSEBOX) {
        s.closeBoxShown = 1;
        CreateCloseButton(window);
    }
    s.closeDelayMs = BoundCloseDelay(s.closeDelayMs);
    if (!(s.style & NS_STICKY))
        SetTimer(window, kPopupCloseTimerId, PopupCloseTimerDelay(s.closeDelayMs), nullptr);

    LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    exStyle = (exStyle & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW;
    SetWindowLongA(window, GWL_EXSTYLE, exStyle);
    // Top-most without taking the keyboard from the program the user is working in.
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOSENDCHANGING | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    AttachPopupInput(window);
}

void OnDestroy(HWND window)
{
    NotifySessionRecord& s = NotifySession;
    PopupOutcome outcome;
    outcome.checkBits = CheckedBoxBits(window);
    outcome.hasButtonList = s.hasButtonList;
    outcome.pressedButton = s.pressedButton;
    outcome.hasComboList = s.hasComboList;
    outcome.comboSelection = s.comboSelection;
    outcome.closeBoxShown = s.closeBoxShown;
    outcome.closeBoxClicked = s.closeBoxClicked;
    outcome.timedOut = s.timedOut;
    s.resultCode = PopupResultCode(outcome);
    // Only a popup loads the close-button images; they die with it.
    if (s.closeBoxShown)
        ReleaseCloseBitmaps();
    LeavePopupStack(window);
    ResetSession(kPopupClass);
}

void OnCommand(HWND window, WPARAM wParam)
{
    NotifySessionRecord& s = NotifySession;
    const int id = LOWORD(wParam);
    if (id >= kRowButtonFirstId && id - kRowButtonFirstId < s.buttonCount) {
        s.pressedButton = id - kRowButtonFirstId;
        ClosePopup(window);
    }
    if (wParam == kConfirmButtonId) {
        if (s.comboWindow)
            s.comboSelection = static_cast<WORD>(SendMessageA(s.comboWindow, CB_GETCURSEL, 0, 0));
        ClosePopup(window);
    }
    if (wParam == kCloseButtonId) {
        s.closeBoxClicked = 1;
        ClosePopup(window);
    }
}
}  // namespace

void OpenSessionLink()
{
    const NotifySessionRecord& s = NotifySession;
    wchar_t scratch[kTwinTextSize];
    OpenLinkInBrowser(s.linkUrl, s.linkWebAndMailOnly,
                      ShownText(s.linkUrl, NotifyTwins.linkUrl, scratch, kTwinTextSize));
}

// The pointer over the link strip: captured with the hand, elsewhere released with the arrow.
void TrackLinkHover(HWND window, LPARAM lParam)
{
    NotifySessionRecord& s = NotifySession;
    const POINT point = {static_cast<LONG>(LOWORD(lParam)), static_cast<LONG>(HIWORD(lParam))};
    if (PtInRect(&s.linkRect, point)) {
        SetCapture(window);
        SetCursor(LoadCursorA(nullptr, IsOldNtPlatform() ? IDC_ARROW : IDC_HAND));
        s.linkHover = 1;
    } else {
        s.linkHover = 0;
        ReleaseCapture();
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    }
}

LRESULT CALLBACK PopupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ModuleCallScope inProgress;  // a slide or the link's browser runs the host's messages
    NotifySessionRecord& s = NotifySession;
    if (PopupInputMessage(window, message, wParam, lParam))
        return 0;
    if (PopupStackMessage(window, message, wParam))
        return 0;
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        break;
    case WM_DESTROY:
        OnDestroy(window);
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        PaintNotification(window, dc);
        EndPaint(window, &paint);
        break;
    }
    case WM_WININICHANGE:
    case WM_DISPLAYCHANGE:
        RepositionPopup(window);
        break;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType == ODT_BUTTON)
            DrawCloseButton(window, item);
        break;
    }
    case WM_COMMAND:
        OnCommand(window, wParam);
        break;
    case WM_TIMER:
        // The pointer resting on the popup holds its timer.
        if (!PopupTimerHeld(window))
            ClosePopupAsTimer(window);
        break;
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(FaceBackgroundBrush());
    case WM_MOUSEMOVE:
        if (s.linkShown)
            TrackLinkHover(window, lParam);
        PopupPointerMoved(window, window);
        break;
    case WM_MOUSELEAVE:
        PopupPointerLeft(window);
        break;
    case WM_GETOBJECT: {
        LRESULT answer = 0;
        if (AnswerAccessibleObject(window, wParam, lParam, &answer))
            return answer;
        break;
    }
    case kAccessibleLinkAction:
        // A reader's "jump": the click on the link it stands for.
        if (s.linkShown && s.linkClickable == 1)
            OpenSessionLink();
        if (!(s.style & NS_STICKY))
            ClosePopup(window);
        return 0;
    case WM_LBUTTONDOWN:
        if (s.linkShown && s.linkHover == 1 && s.linkClickable == 1)
            OpenSessionLink();
        if (!(s.style & NS_STICKY))
            ClosePopup(window);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
