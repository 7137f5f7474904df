#include "popup/font_text.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

bool ParseLogFontText(const char* text, LOGFONTA* font)
{
    std::memset(font, 0, sizeof *font);
    if (!text)
        return false;

    long numbers[13];
    const char* p = text;
    for (int i = 0; i < 13; ++i) {
        char* end = nullptr;
        numbers[i] = std::strtol(p, &end, 10);
        if (end == p || *end != ',') {
            std::memset(font, 0, sizeof *font);
            return false;
        }
        p = end + 1;
    }
    while (*p == ' ' || *p == '\t') ++p;

    // The face name is bounded by its field, and a cut must not leave half a character.
    size_t length = 0;
    const size_t room = sizeof font->lfFaceName - 1;
    while (p[length] && !std::isspace(static_cast<unsigned char>(p[length]))) {
        const size_t width =
            (IsDBCSLeadByte(static_cast<BYTE>(p[length])) && p[length + 1]) ? 2 : 1;
        if (length + width > room)
            break;
        length += width;
    }
    if (length == 0) {
        std::memset(font, 0, sizeof *font);
        return false;
    }
    std::memcpy(font->lfFaceName, p, length);

    font->lfHeight = numbers[0];
    font->lfWidth = numbers[1];
    font->lfEscapement = numbers[2];
    font->lfOrientation = numbers[3];
    font->lfWeight = numbers[4];
    font->lfItalic = static_cast<BYTE>(numbers[5]);
    font->lfUnderline = static_cast<BYTE>(numbers[6]);
    font->lfStrikeOut = static_cast<BYTE>(numbers[7]);
    font->lfCharSet = static_cast<BYTE>(numbers[8]);
    font->lfOutPrecision = static_cast<BYTE>(numbers[9]);
    font->lfClipPrecision = static_cast<BYTE>(numbers[10]);
    font->lfQuality = static_cast<BYTE>(numbers[11]);
    font->lfPitchAndFamily = static_cast<BYTE>(numbers[12]);
    return true;
}
