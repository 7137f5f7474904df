// Texts as the user sees them. The session record keeps every text in the ANSI code page: hosts,
// the option-list counts and the result codes rely on those bytes. Beside each text that is
// shown, a UTF-16 twin holds the same characters as the host wrote them, so that what the code
// page cannot represent still reaches the screen. A twin is shown only while it is the twin of
// its ANSI copy (it converts to exactly those bytes); otherwise the copy itself is converted.
#pragma once
#include <windows.h>
#include <stddef.h>

#include "popup/notify_session.h"

// A shown text's twin has room for every character of its ANSI copy, even one byte for each
// surrogate pair.
enum { kTwinTextSize = 2 * kTextSize, kTwinListSize = 2 * kListSize };

struct NotifyTwinsRecord {
    wchar_t messageText[kTwinTextSize];
    wchar_t linkUrl[kTwinTextSize];
    wchar_t linkText[kTwinTextSize];
    wchar_t checkList[kTwinListSize];
    wchar_t buttonList[kTwinListSize];
    wchar_t comboList[kTwinListSize];
};

static_assert(sizeof(NotifyTwinsRecord) == 15408, "twins of three texts and three lists");

// The twins of NotifySession's texts.
extern NotifyTwinsRecord NotifyTwins;

// Bytes of text, at most limit, that end on a whole character of the ANSI code page: a lead byte
// whose trail byte lies beyond the limit is left out (a lead byte the host ended its text with
// stays). Reads no byte at or after the limit.
size_t WholeCharacterLength(const char* text, size_t limit);

// UTF-16 units of text, at most limit, that end on a whole character: a high surrogate whose low
// half lies beyond the limit is left out. Reads no unit at or after the limit.
size_t WholeWideLength(const wchar_t* text, size_t limit);

// Copies the longest start of text that ends on a whole character and fits size - 1 bytes into
// buffer, zero-terminated; a null text copies as empty.
void CopyWholeCharacters(char* buffer, size_t size, const char* text);

// Fills twin (twinSize units, zero-terminated) with the characters of text, up to its first zero,
// whose bytes in the ANSI code page ansi holds, in order from its start; it stops at the first
// character whose bytes ansi does not hold in full, and ansi then ends there too (so a "?" the
// code page made of the first half of a cut surrogate pair goes). A null text makes the twin of
// ansi converted from the code page, and ansi stays as it is. Returns the units written.
size_t MakeTwin(const wchar_t* text, char* ansi, wchar_t* twin, size_t twinSize);

// Whether twin converts to exactly the bytes of ansi.
bool IsTwinOf(const wchar_t* twin, const char* ansi);

// twin when it is the twin of ansi, else ansi converted from the code page into scratch.
const wchar_t* ShownText(const char* ansi, const wchar_t* twin, wchar_t* scratch,
                         size_t scratchSize);

// The items of an option list as shown: each the characters whose bytes lie wholly inside the
// item's bytes in the ANSI list, so that a character the code page turns into "|" ends an item in
// the twin as in the list, and one a byte-wise search splits belongs to neither item.
class ShownListItems {
public:
    // Made before the walk over the list writes its separators.
    ShownListItems(const char* list, const wchar_t* twin);
    // The item of bytes [start, end) of the list, at most limit bytes of it cut on a whole
    // character, into item (itemSize units, zero-terminated). Items are asked for in order.
    const wchar_t* Item(size_t start, size_t end, size_t limit, wchar_t* item, size_t itemSize);

private:
    const char* list_;
    const wchar_t* twin_;  // null when the twin does not match the list
    size_t unit_;          // twin position of the character that starts at byte_
    size_t byte_;
};
