// The watchdog that ends a balloon's session when the shell never reports the balloon's end.
#pragma once
#include <windows.h>

// Wine's notification area, and any shell that fails to, never reports a balloon's end: a
// watchdog then ends the session as timed out. It fires well past the display time, and a
// balloon the shell has reported as shown (and not hidden) is left to the shell.
enum { kBalloonWatchdogMarginMs = 60000 };
enum BalloonShellState { kBalloonNotReported = 0, kBalloonShown = 1, kBalloonHidden = 2 };
UINT BalloonWatchdogDelayMs(UINT timeoutMs);
bool BalloonWatchdogEndsSession(int shellState);

// For tests: a watchdog delay in ms in place of the computed one (0: the computed one), and
// how often the watchdog has fired.
extern volatile UINT balloonWatchdogDelayOverrideMs;
extern volatile LONG balloonWatchdogFirings;
