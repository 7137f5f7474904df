// The route of a host's request to the tray window, and the end of a tray session.
#pragma once
#include <windows.h>

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
