#include "popup/paint.h"

void PaintNotification(HWND, HDC) {}
void FillVerticalGradient(HDC, RECT, COLORREF, COLORREF) {}
void DrawSolidLine(HDC, int, int, int, int, COLORREF) {}
int DrawUnderlinedText(HDC, RECT*, const char*, int, COLORREF) { return 0; }
int LoadFontResource(UINT, HFONT* font) { *font = nullptr; return 0; }
int CreateFontFromText(const char*, HFONT* font) { *font = nullptr; return 1; }
