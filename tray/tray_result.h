// The result code a tray session leaves in resultCode.
#pragma once
#include <windows.h>

#include "NtfObj.h"

// A balloon that could not be shown ends the session with kTrayResultNone.
enum : WORD {
    kTrayResultNone = NTF_RESULT_NONE,
    kTrayResultAborted = NTF_RESULT_TRAY_ABORTED,
    kTrayResultTimedOut = NTF_RESULT_BALLOON_TIMEOUT,
    kTrayResultClicked = NTF_RESULT_BALLOON_CLICKED,
};
static_assert(kTrayResultNone == 0 && kTrayResultAborted == 1 && kTrayResultTimedOut == 1000 &&
                  kTrayResultClicked == 1001,
              "tray result codes");

// The code a session ends with: a click wins over a time-out, either over the abort flag.
WORD TrayResultCode(int abort, int balloonClicked, int timedOut);
