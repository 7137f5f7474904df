// Check boxes, button row, drop-down list with confirm button, and the close button.
#pragma once
#include <windows.h>

void CreateOptionControls(HWND parent);
void CreateCheckBoxes(HWND parent);
void CreateButtonRow(HWND parent);
void CreateComboBox(HWND parent);
int CreateCloseButton(HWND parent);
void DrawCloseButton(HWND parent, const DRAWITEMSTRUCT* item);
