// The hidden tray window: adds the icon, applies the host's requests, shows the balloon and
// turns the shell's balloon events into the session's result.
#include "tray/tray_window.h"

#include "module/module_state.h"
#include "popup/notify_session.h"
#include "tray/balloon_watchdog.h"
#include "tray/tray_icon.h"
#include "tray/tray_request.h"
#include "tray/tray_result.h"
#include "tray/tray_route.h"

volatile UINT balloonWatchdogDelayOverrideMs = 0;
volatile LONG balloonWatchdogFirings = 0;
volatile LONG traySessionEnding = 0;
volatile LONG traySuccessorMessage = 0;

namespace {

// What the shell said about the balloon last shown; the tray thread alone uses it.
int balloonShellState = kBalloonNotReported;
// The host hid the icon (0x8402) and has not shown it again: a restarting shell must not
// bring it back. The tray thread alone uses it.
bool iconHiddenByHost = false;

HICON RequestIcon(const TrayRequest* request)
{
    // The record holds the handle in 32 bits; handles sign-extend on 64-bit Windows.
    return reinterpret_cast<HICON>(static_cast<LONG_PTR>(static_cast<LONG>(request->icon)));
}

void EndTraySession(HWND window)
{
    // From here on, hosts no longer post to this window (see RouteTrayRequest).
    LockTrayRoute();
    InterlockedExchange(&traySessionEnding, 1);
    UnlockTrayRoute();
    KillTimer(window, kBalloonWatchdogTimer);
    trayIcon.DeleteIcon();
    PostMessageA(window, WM_DESTROY, 0, 0);
}

void HandleShellEvent(HWND window, LPARAM event)
{
    switch (event) {
    case kBalloonTimeoutEvent:
        NotifySession.timedOut = 1;
        EndTraySession(window);
        break;
    case kBalloonClickEvent:
        NotifySession.balloonClicked = 1;
        EndTraySession(window);
        break;
    case kBalloonShowEvent:
        balloonShellState = kBalloonShown;
        break;
    case kBalloonHideEvent:
        balloonShellState = kBalloonHidden;
        break;
    }
}

void ShowRequestedBalloon(HWND window, const TrayRequest* request)
{
    NotifySession.balloonClicked = 0;
    NotifySession.timedOut = 0;
    if (!request || request->abort) {
        EndTraySession(window);
        return;
    }
    char text[sizeof request->text];
    char title[sizeof request->title];
    CopyLimited(text, request->text, sizeof text - 1);
    text[sizeof text - 1] = 0;
    CopyLimited(title, request->title, sizeof title - 1);
    title[sizeof title - 1] = 0;
    if (!trayIcon.ShowBalloon(text, title, NIIF_INFO, request->timeoutMs)) {
        // No balloon means no balloon event: end now rather than leave the host waiting.
        EndTraySession(window);
        return;
    }
    balloonShellState = kBalloonNotReported;
    UINT delay = balloonWatchdogDelayOverrideMs ? balloonWatchdogDelayOverrideMs
                                                : BalloonWatchdogDelayMs(request->timeoutMs);
    SetTimer(window, kBalloonWatchdogTimer, delay, nullptr);
}

// WM_CREATE: the request's icon goes into the notification area, and a balloon the host asked
// for before the window existed is shown now.
void AddRequestedIcon(HWND window, const TrayRequest* request)
{
    iconHiddenByHost = false;
    if (!request)
        return;
    trayIcon.AddIcon(moduleHandle, window, kTrayCallbackMessage, request->tip, RequestIcon(request),
                     0);
    if (request->balloonRequested)
        PostMessageA(window, kTrayBalloonMessage, 0, 0);
}

// WM_DESTROY: the session's result, and the flag that ends the thread's loop.
void RecordSessionEnd(const TrayRequest* request)
{
    NotifySession.resultCode = TrayResultCode(request && request->abort,
                                              NotifySession.balloonClicked, NotifySession.timedOut);
    ResetSession(kTrayWindowClass);  // raises trayClosed: the thread's loop ends
}

// The balloon watchdog's timer.
void BalloonWatchdogFired(HWND window)
{
    InterlockedIncrement(&balloonWatchdogFirings);
    if (BalloonWatchdogEndsSession(balloonShellState)) {
        NotifySession.timedOut = 1;
        EndTraySession(window);
    }
}

// A host's request (0x8401 change the icon, 0x8404 show the balloon).
void ServeHostRequest(HWND window, UINT message, const TrayRequest* request)
{
    // Posted before the end was decided, read after it: changing the icon now would put it
    // back with no window to remove it. The request is served by a new session.
    if (traySessionEnding) {
        InterlockedExchange(&traySuccessorMessage, static_cast<LONG>(message));
        return;
    }
    if (message == kTrayBalloonMessage) {
        ShowRequestedBalloon(window, request);
        return;
    }
    if (!request || request->abort) {
        EndTraySession(window);
    } else {
        trayIcon.ModifyIcon(RequestIcon(request), request->tip);
        iconHiddenByHost = false;
    }
}

// The host hid the icon (0x8402).
void HideIconForHost()
{
    trayIcon.HideIcon();
    iconHiddenByHost = true;
}

// A restarted shell (Explorer) knows no icons: each window adds its own again, with the icon
// and tip it shows now.
void ShellRestarted()
{
    if (TrayIconBackAfterShellRestart(traySessionEnding, trayIcon.initialised, iconHiddenByHost))
        trayIcon.ReAddIcon();
}

}  // namespace

WORD TrayResultCode(int abort, int balloonClicked, int timedOut)
{
    if (balloonClicked)
        return kTrayResultClicked;
    if (timedOut)
        return kTrayResultTimedOut;
    return abort ? kTrayResultAborted : kTrayResultNone;
}

UINT BalloonWatchdogDelayMs(UINT timeoutMs)
{
    return timeoutMs + kBalloonWatchdogMarginMs;
}

bool BalloonWatchdogEndsSession(int shellState)
{
    // A shell that reported the balloon as shown will report its end too (Windows keeps a
    // balloon up while the user is idle, however long that is).
    return shellState != kBalloonShown;
}

void RegisterTrayWindowClass()
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = TrayWindowProc;
    windowClass.hInstance = moduleHandle;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kTrayWindowClass;
    RegisterClassA(&windowClass);
}

UINT TaskbarCreatedMessage()
{
    // Every call registers the same value, so threads that race here agree.
    static volatile UINT message = 0;
    if (message == 0)
        message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

bool TrayIconBackAfterShellRestart(int sessionEnding, int iconAdded, int hiddenByHost)
{
    return !sessionEnding && iconAdded && !hiddenByHost;
}

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const TrayRequest* request = NotifySession.currentTrayRequest;
    // A registered message, so no case of the switch.
    if (message == TaskbarCreatedMessage() && message != 0) {
        ShellRestarted();
        return DefWindowProcA(window, message, wParam, lParam);
    }
    switch (message) {
    case WM_CREATE:
        AddRequestedIcon(window, request);
        return 0;
    case WM_DESTROY:
        RecordSessionEnd(request);
        return 0;
    case WM_TIMER:
        if (wParam != kBalloonWatchdogTimer)
            break;
        BalloonWatchdogFired(window);
        return 0;
    case kTrayCallbackMessage:
    case kTrayCallbackMessage2:
        HandleShellEvent(window, lParam);
        break;
    case kTrayModifyMessage:
    case kTrayBalloonMessage:
        ServeHostRequest(window, message, request);
        break;
    case kTrayHideMessage:
        HideIconForHost();
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
