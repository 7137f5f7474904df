// The tray thread, its hidden window and the balloon flow.
#pragma once
#include <windows.h>

struct TrayRequest;

int ApplyTrayRequest(TrayRequest* request);
int ShowBalloonRequest(TrayRequest* request);
int ClassifyWindowsVersion();

// Non-zero while a tray thread runs (or is starting): the module must stay loaded.
int TrayThreadRunning();

// Once the tray thread has decided to end its session (EndTraySession), its loop stops at the
// next WM_DESTROY: a request posted to its window after that would never be read. The decision
// and a host's test-and-post take this lock, so that a request either reaches the window
// before the end is decided or waits for the window to go and starts a session of its own.
void LockTrayRoute();
void UnlockTrayRoute();
extern volatile LONG traySessionEnding;
// A request message that the window received after the end was decided (0 for none): the
// ending thread starts a new session for it once its window is gone.
extern volatile LONG traySuccessorMessage;

// Messages of the tray window; 0x8400 is the callback message registered with the shell.
enum : UINT {
    kTrayCallbackMessage = 0x8400,
    kTrayModifyMessage = 0x8401,
    kTrayHideMessage = 0x8402,
    kTrayCallbackMessage2 = 0x8403,
    kTrayBalloonMessage = 0x8404,
};

// Shell events in the callback's lParam.
enum : LPARAM {
    kBalloonShowEvent = 0x402,      // NIN_BALLOONSHOW
    kBalloonHideEvent = 0x403,      // NIN_BALLOONHIDE
    kBalloonTimeoutEvent = 0x404,   // NIN_BALLOONTIMEOUT, 1028
    kBalloonClickEvent = 0x405,     // NIN_BALLOONUSERCLICK, 1029
};

// Result codes a tray session leaves in resultCode. A balloon that could not be shown ends
// the session with kTrayResultNone.
enum : WORD {
    kTrayResultNone = 0,
    kTrayResultAborted = 1,
    kTrayResultTimedOut = 1000,
    kTrayResultClicked = 1001,
};

extern const char kTrayWindowClass[];   // "VorbelXTrayIcon"

// Start data of a TrayThread; the thread owns it and frees it when it ends.
struct TrayStartRecord {
    TrayRequest* request;
    volatile int started;
    HMODULE moduleReference;   // taken for the thread, released as it exits
    int showBalloon;           // post the balloon once the window exists
};

unsigned __stdcall TrayThread(void* startRecord);

// The registered message "TaskbarCreated" that a (re)started shell broadcasts.
UINT TaskbarCreatedMessage();
// Whether the tray window adds its icon again when the shell has restarted: only in a session
// that is not ending, whose icon was added, and that the host has not hidden.
bool TrayIconBackAfterShellRestart(int sessionEnding, int iconAdded, int hiddenByHost);
LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void RegisterTrayWindowClass();

// The code a session ends with: a click wins over a time-out, either over the abort flag.
WORD TrayResultCode(int abort, int balloonClicked, int timedOut);

// Wine's notification area, and any shell that fails to, never reports a balloon's end: a
// watchdog then ends the session as timed out. It fires well past the display time, and a
// balloon the shell has reported as shown (and not hidden) is left to the shell.
enum { kBalloonWatchdogTimer = 1, kBalloonWatchdogMarginMs = 60000 };
enum BalloonShellState { kBalloonNotReported = 0, kBalloonShown = 1, kBalloonHidden = 2 };
UINT BalloonWatchdogDelayMs(UINT timeoutMs);
bool BalloonWatchdogEndsSession(int shellState);

// For tests: a watchdog delay in ms in place of the computed one (0: the computed one), and
// how often the watchdog has fired.
extern volatile UINT balloonWatchdogDelayOverrideMs;
extern volatile LONG balloonWatchdogFirings;
