// Painting the face of the popup and of the dialog.
#pragma once
#include <windows.h>

void PaintNotification(HWND window, HDC dc);
void FillVerticalGradient(HDC dc, RECT rect, COLORREF fromColour, COLORREF toColour);
void DrawSolidLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour);
// alignment: DT_LEFT, DT_CENTER or DT_RIGHT; the underline spans the text as drawn.
int DrawUnderlinedText(HDC dc, RECT* rect, const char* text, int alignment, COLORREF colour);
int DrawUnderlinedText(HDC dc, RECT* rect, const wchar_t* text, int alignment, COLORREF colour);
int LoadFontResource(UINT id, HFONT* font);
int CreateFontFromText(const char* text, HFONT* font);
