#include "popup/window_procs.h"

INT_PTR CALLBACK PromptDialogProc(HWND, UINT, WPARAM, LPARAM) { return 0; }
