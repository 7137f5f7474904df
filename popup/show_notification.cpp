#include "popup/show_notification.h"

#include <cstring>

#include "module/internal_names.h"
#include "module/module_state.h"
#include "popup/dpi_scale.h"
#include "popup/notify_session.h"
#include "popup/popup_accessible.h"
#include "popup/popup_geometry.h"
#include "popup/popup_stack.h"
#include "popup/shown_text.h"
#include "popup/slide_pacing.h"
#include "popup/window_procs.h"
#include "resources/resource_ids.h"

namespace {
const DWORD kPopupStyle = 0xC0000080;  // WS_POPUP | WS_CHILD | 0x80, shown by the slide
const int kSlideStep = 3;

// The slide's step at the popup's display density.
int SlideStepOf(HWND popup)
{
    return ScaleForDpi(kSlideStep, DpiForWindow(popup));
}

RECT WorkArea()
{
    RECT area = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

void StorePlacement(const PopupPlacement& p)
{
    NotifySession.popupHeight = p.height;
    NotifySession.shownX = p.shownX;
    NotifySession.shownY = p.shownY;
    NotifySession.hiddenY = p.hiddenY;
}

// The copy ends on a whole character: never with a lead byte whose trail byte was cut off.
void CopyText(char* buffer, const char* text)
{
    CopyWholeCharacters(buffer, kTextSize, text);
}

bool PopupVisible()
{
    HWND popup = NotifySession.popupWindow;
    return popup && IsWindow(popup) && (GetWindowLongA(popup, GWL_STYLE) & WS_VISIBLE);
}

void RegisterPopupClass()
{
    WNDCLASSEXA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PopupWindowProc;
    wc.hInstance = moduleHandle;
    wc.hIcon = LoadIconA(moduleHandle, MAKEINTRESOURCEA(IDI_APP_ICON));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kPopupClass;
    RegisterClassExA(&wc);  // a class already registered keeps its first registration
}

// A notification window of this process whose window procedure is the module's.
bool NotificationWindowAlive()
{
    HWND window = NotifySession.popupWindow;
    if (!window || !IsWindow(window))
        return false;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId() &&
           reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)) == moduleHandle;
}

// The module is not unloaded while the notification window lives; a host that unloads all the
// same keeps the class (the call fails and changes nothing).
void UnregisterPopupClass()
{
    UnregisterClassA(kPopupClass, moduleHandle);
}

const ModuleUser popupUser(NotificationWindowAlive, UnregisterPopupClass);

}  // namespace

void CreatePopupWindow()
{
    const RECT area = WorkArea();
    RegisterPopupClass();
    const PopupPlacement p =
        ComputePopupPlacementForDpi(area, NotifySession.popupWidth, NotifySession.checkCount != 0,
                                    DpiForWindow(NotifySession.ownerWindow));
    StorePlacement(p);
    NotifySession.popupWindow =
        CreateWindowExA(0, kPopupClass, kPopupClass, kPopupStyle, p.shownX, p.shownY, p.width,
                        p.height, NotifySession.ownerWindow, nullptr, moduleHandle, nullptr);
}

namespace {
// Runs the thread's messages until the popup has closed. A quit request from the host does
// not end the wait early, but it is not lost either: it is posted again once the popup is gone.
void WaitForPopupClose(HWND popup)
{
    // A close sent from another thread during the slide has already destroyed the popup.
    if (!IsWindow(popup))
        return;
    NotifySession.popupClosed = 0;
    bool quitSeen = false;
    WPARAM quitCode = 0;
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1)
            break;
        if (got) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            quitSeen = true;
            quitCode = msg.wParam;
        }
        if (NotifySession.popupClosed || !IsWindow(popup))
            break;
    }
    if (quitSeen)
        PostQuitMessage(static_cast<int>(quitCode));
}

struct SlideSteps {
    HWND window;
    int x;
    const int* positions;
    bool quitSeen;
    WPARAM quitCode;
};

void TakeSlidePosition(int index, void* context)
{
    SlideSteps& steps = *static_cast<SlideSteps*>(context);
    SetWindowPos(steps.window, HWND_TOPMOST, steps.x, steps.positions[index], 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE);
    // Only paints are handled during a slide; everything else waits in the queue. A quit
    // request comes through any message filter: keep it for the host's loop.
    MSG msg;
    if (PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            steps.quitSeen = true;
            steps.quitCode = msg.wParam;
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
}  // namespace

int ShowNotification(LONG style, const char* message, int linkClickable, const char* url,
                     const char* linkText, DWORD closeDelayMs, int webAndMailOnly,
                     const HostTexts* wide)
{
    NotifySession.style = style;
    if (NotifySession.hasComboList)
        NotifySession.style |= NS_STICKY;
    if (PopupVisible())
        return 0;

    NotifySession.linkClickable = linkClickable;
    NotifySession.linkWebAndMailOnly = webAndMailOnly;  // always with the address it guards
    NotifySession.closeDelayMs = closeDelayMs;
    std::memset(NotifySession.messageText, 0, kTextSize);
    std::memset(NotifySession.linkUrl, 0, kTextSize);
    std::memset(NotifySession.linkText, 0, kTextSize);
    if (message)
        CopyText(NotifySession.messageText, message);
    if (url) {
        CopyText(NotifySession.linkUrl, url);
        if (linkText)
            CopyText(NotifySession.linkText, linkText);
    }
    const HostTexts none = {nullptr, nullptr, nullptr};
    const HostTexts& host = wide ? *wide : none;
    MakeTwin(host.message, NotifySession.messageText, NotifyTwins.messageText, kTwinTextSize);
    MakeTwin(host.url, NotifySession.linkUrl, NotifyTwins.linkUrl, kTwinTextSize);
    MakeTwin(host.linkText, NotifySession.linkText, NotifyTwins.linkText, kTwinTextSize);
    CountOptionLists();

    if (NotifySession.style & NS_DIALOG) {
        const INT_PTR ended = DialogBoxParamA(moduleHandle, MAKEINTRESOURCEA(IDD_PROMPT_DIALOG),
                                              NotifySession.ownerWindow, PromptDialogProc, 0);
        return ended == IDOK ? 1 : 0;
    }

    if (!NotifySession.popupWindow || !IsWindow(NotifySession.popupWindow))
        CreatePopupWindow();
    HWND popup = NotifySession.popupWindow;
    if (!popup || !IsWindow(popup))
        return 0;

    UpdateWindow(popup);
    // Its turn among the popups of other programs, before its place is chosen.
    JoinPopupStack(popup);
    RepositionPopup(popup);
    SlideWindow(popup, NotifySession.shownX, NotifySession.hiddenY, NotifySession.shownY,
                SlideStepOf(popup));
    // The steps stop short of the target; rest exactly at the work area's bottom edge.
    if (IsWindow(popup))
        SetWindowPos(popup, HWND_TOPMOST, NotifySession.shownX, NotifySession.shownY, 0, 0,
                     SWP_NOSIZE | SWP_NOACTIVATE);
    if (IsWindow(popup))
        WatchPopupStack(popup);
    AnnouncePopup(popup);

    if (NotifySession.style & NS_WAIT)
        WaitForPopupClose(popup);
    return 1;
}

BOOL RepositionPopup(HWND window)
{
    if (!IsWindow(window))
        return FALSE;
    // At the lower right, or above the popups of other programs shown before it.
    const PopupPlacement p = PlacePopupInStack(window);
    // No move of the popup takes the keyboard from the program the user is working in.
    return SetWindowPos(window, HWND_TOPMOST, p.shownX, p.shownY, p.width, p.height,
                        SWP_NOACTIVATE);
}

void SlideWindow(HWND window, int x, int startY, int targetY, int step)
{
    if (!window)
        return;
    // With animations switched off by the user the window goes straight to its target.
    const bool animate = SlideAnimationEnabled();
    SetWindowPos(window, HWND_TOPMOST, x, animate ? startY : targetY, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    if (!animate)
        return;

    // The process heap rather than a C++ container: without memory the window stays where it
    // was placed, which is better than ending the host.
    int count = ComputeSlidePositions(startY, targetY, step, nullptr, 0);
    int* positions = count > 0
                         ? static_cast<int*>(HeapAlloc(GetProcessHeap(), 0, count * sizeof(int)))
                         : nullptr;
    if (!positions)
        count = 0;
    ComputeSlidePositions(startY, targetY, step, positions, count);
    SlideSteps steps = {window, x, positions, false, 0};
    RunPacedSlide(count, TakeSlidePosition, &steps);
    if (positions)
        HeapFree(GetProcessHeap(), 0, positions);
    if (steps.quitSeen)
        PostQuitMessage(static_cast<int>(steps.quitCode));
}

void SlideOutPopup()
{
    HWND popup = NotifySession.popupWindow;
    if (!IsWindow(popup))
        return;
    StopWatchingPopupStack(popup);
    if (SlideAnimationEnabled())
        SlideWindow(popup, NotifySession.shownX, NotifySession.shownY, NotifySession.hiddenY,
                    SlideStepOf(popup));
    ShowWindow(popup, SW_HIDE);
    // Gone from the screen: the popups above it may close the gap.
    LeavePopupStack(popup);
}
