// LOGFONT text: thirteen comma-separated integers in the order of LOGFONTA's integer members,
// then a comma and the face name.
#pragma once
#include <windows.h>

// Fills font from text. All members start at zero; the face name ends at the first white
// space and is cut to 31 bytes, never inside a double-byte character. Returns false (font
// then all zero) when the text does not hold all fourteen fields.
bool ParseLogFontText(const char* text, LOGFONTA* font);
