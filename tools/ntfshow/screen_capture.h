// Saving what the screen shows, for the README's pictures and the demo.
#pragma once
#include <windows.h>

// Writes the whole screen as a 24-bit BMP file. False when nothing could be written.
bool SaveScreenToBmp(const wchar_t* path);
