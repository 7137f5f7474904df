#include "popup/option_controls.h"

void CreateOptionControls(HWND) {}
void CreateCheckBoxes(HWND) {}
void CreateButtonRow(HWND) {}
void CreateComboBox(HWND) {}
int CreateCloseButton(HWND) { return 0; }
void DrawCloseButton(HWND, const DRAWITEMSTRUCT*) {}
