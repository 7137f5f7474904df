// The tray thread, its hidden window and the balloon flow.
#pragma once
#include <windows.h>

struct TrayRequest;

int ApplyTrayRequest(TrayRequest* request);
int ShowBalloonRequest(TrayRequest* request);
int ClassifyWindowsVersion();

// Non-zero while a tray thread runs (or is starting): the module must stay loaded.
int TrayThreadRunning();
