#include "tray/tray_thread.h"

int ApplyTrayRequest(TrayRequest*) { return 0; }
int ShowBalloonRequest(TrayRequest*) { return 0; }
int ClassifyWindowsVersion() { return 1; }
int TrayThreadRunning() { return 0; }
