// The tray thread: a host's request starts one or goes to the window of the one that runs.
#pragma once
#include <windows.h>

#include "NtfObj.h"
// What users of the thread deal with besides: its window's messages, the result it leaves and
// the balloon's watchdog.
#include "tray/balloon_watchdog.h"
#include "tray/tray_result.h"
#include "tray/tray_window.h"

int ApplyTrayRequest(TrayRequest* request);
int ShowBalloonRequest(TrayRequest* request);

// Non-zero while a tray thread runs (or is starting): the module must stay loaded.
int TrayThreadRunning();

// Start data of a TrayThread; the thread owns it and frees it when it ends.
struct TrayStartRecord {
    TrayRequest* request;
    volatile int started;
    HMODULE moduleReference;  // taken for the thread, released as it exits
    int showBalloon;          // post the balloon once the window exists
};

unsigned __stdcall TrayThread(void* startRecord);
