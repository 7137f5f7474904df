#include "popup/shown_text.h"

#include <cstring>

NotifyTwinsRecord NotifyTwins;

namespace {
bool HighSurrogate(wchar_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool LowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Units of the character at text: a surrogate pair is one character.
size_t UnitsOfCharacter(const wchar_t* text)
{
    return HighSurrogate(text[0]) && LowSurrogate(text[1]) ? 2 : 1;
}

// The character's bytes in the ANSI code page, into bytes (room for any code page); their
// number, 0 when it does not convert.
int BytesOfCharacter(const wchar_t* text, size_t units, char (&bytes)[8])
{
    return WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(units), bytes, sizeof bytes,
                               nullptr, nullptr);
}

// ansi converted from the code page into wide (size units, zero-terminated; empty when it does
// not fit). Returns the units written.
size_t WideFromCodePage(const char* ansi, int length, wchar_t* wide, size_t size)
{
    if (size == 0)
        return 0;
    int n = length > 0
                ? MultiByteToWideChar(CP_ACP, 0, ansi, length, wide, static_cast<int>(size - 1))
                : 0;
    if (n < 0)
        n = 0;
    wide[n] = 0;
    return static_cast<size_t>(n);
}
}  // namespace

size_t WholeCharacterLength(const char* text, size_t limit)
{
    size_t i = 0;
    while (i < limit && text[i]) {
        if (!IsDBCSLeadByte(static_cast<BYTE>(text[i]))) {
            i += 1;
        } else if (i + 1 >= limit) {
            break;  // its trail byte is cut off: the character goes
        } else if (text[i + 1] == '\0') {
            i += 1;  // the host's text ends so
        } else {
            i += 2;
        }
    }
    return i;
}

size_t WholeWideLength(const wchar_t* text, size_t limit)
{
    size_t i = 0;
    while (i < limit && text[i]) {
        if (!HighSurrogate(text[i]))
            i += 1;
        else if (i + 1 >= limit)
            break;  // its low half is cut off
        else
            i += LowSurrogate(text[i + 1]) ? 2 : 1;
    }
    return i;
}

void CopyWholeCharacters(char* buffer, size_t size, const char* text)
{
    const size_t length = text ? WholeCharacterLength(text, size - 1) : 0;
    if (length)
        std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

size_t MakeTwin(const wchar_t* text, char* ansi, wchar_t* twin, size_t twinSize)
{
    if (twinSize == 0)
        return 0;
    const size_t ansiLength = std::strlen(ansi);
    if (!text)
        return WideFromCodePage(ansi, static_cast<int>(ansiLength), twin, twinSize);
    size_t used = 0, offset = 0;
    for (size_t i = 0; text[i] && offset < ansiLength;) {
        const size_t units = UnitsOfCharacter(text + i);
        char bytes[8];
        const int n = BytesOfCharacter(text + i, units, bytes);
        if (n <= 0 || offset + n > ansiLength || std::memcmp(ansi + offset, bytes, n) != 0 ||
            used + units > twinSize - 1)
            break;
        std::memcpy(twin + used, text + i, units * sizeof *twin);
        used += units;
        offset += static_cast<size_t>(n);
        i += units;
    }
    twin[used] = 0;
    // What is left is the start of a character cut off: the code page's "?" for the first half
    // of a surrogate pair, say.
    std::memset(ansi + offset, 0, ansiLength - offset);
    return used;
}

bool IsTwinOf(const wchar_t* twin, const char* ansi)
{
    char bytes[kListSize];
    const size_t length = std::strlen(ansi);
    if (length >= sizeof bytes)
        return false;
    // A twin that converts to more bytes does not fit, and the conversion fails.
    const int n = WideCharToMultiByte(CP_ACP, 0, twin, -1, bytes, static_cast<int>(length + 1),
                                      nullptr, nullptr);
    return n == static_cast<int>(length + 1) && std::memcmp(bytes, ansi, length + 1) == 0;
}

const wchar_t* ShownText(const char* ansi, const wchar_t* twin, wchar_t* scratch,
                         size_t scratchSize)
{
    if (IsTwinOf(twin, ansi))
        return twin;
    WideFromCodePage(ansi, static_cast<int>(std::strlen(ansi)), scratch, scratchSize);
    return scratch;
}

ShownListItems::ShownListItems(const char* list, const wchar_t* twin)
    : list_(list), twin_(IsTwinOf(twin, list) ? twin : nullptr), unit_(0), byte_(0)
{
}

const wchar_t* ShownListItems::Item(size_t start, size_t end, size_t limit, wchar_t* item,
                                    size_t itemSize)
{
    if (itemSize == 0)
        return item;
    item[0] = 0;
    if (end < start)
        return item;
    const size_t stop =
        start + WholeCharacterLength(list_ + start, end - start < limit ? end - start : limit);
    if (!twin_) {
        WideFromCodePage(list_ + start, static_cast<int>(stop - start), item, itemSize);
        return item;
    }
    size_t used = 0;
    while (twin_[unit_]) {
        const size_t units = UnitsOfCharacter(twin_ + unit_);
        char bytes[8];
        const int n = BytesOfCharacter(twin_ + unit_, units, bytes);
        if (n <= 0)
            break;
        const size_t characterEnd = byte_ + static_cast<size_t>(n);
        if (byte_ >= start) {
            // Only characters that lie wholly inside the item are shown; the cursor stays on
            // the first one that does not, for the next item.
            if (characterEnd > stop || used + units > itemSize - 1)
                break;
            std::memcpy(item + used, twin_ + unit_, units * sizeof *item);
            used += units;
        }
        byte_ = characterEnd;
        unit_ += units;
    }
    item[used] = 0;
    return item;
}
