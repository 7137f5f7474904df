// FormatText keeps snprintf's contract on msvcrt's _vsnprintf, which alone leaves a full buffer
// unterminated: the cut is at the buffer less one byte, always terminated, and nothing after
// the terminator is touched.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "module/format_text.h"

namespace {

TEST(FormatText, CutsAtTheBufferLessOneByteAndAlwaysTerminates)
{
    struct Case {
        size_t size;
        const char* text;
        const char* expected;
    } cases[] = {
        {8, "abc", "abc"},           // shorter than the buffer
        {8, "abcdefg", "abcdefg"},   // exactly size - 1: _vsnprintf itself writes no zero here
        {8, "abcdefgh", "abcdefg"},  // exactly size
        {8, "abcdefghijk", "abcdefg"},
        {2, "abc", "a"},
        {1, "abc", ""},
    };
    for (const Case& c : cases) {
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        FormatText(buffer, c.size, "%s", c.text);
        EXPECT_STREQ(buffer, c.expected) << c.text << " in " << c.size;
        // The bytes past the buffer are never written.
        EXPECT_EQ(std::string(buffer + c.size, sizeof buffer - c.size),
                  std::string(sizeof buffer - c.size, '#'))
            << c.text << " in " << c.size;
    }
}

TEST(FormatText, FormatsAsTheCRuntimeDoes)
{
    char buffer[64];
    FormatText(buffer, sizeof buffer, "WM_APP(0X%X) %.*s|%.*s", 0x8000u, 3, "abcdef", 8, "xy");
    EXPECT_STREQ(buffer, "WM_APP(0X8000) abc|xy");

    // Nothing is written for an empty buffer.
    buffer[0] = '#';
    FormatText(buffer, 0, "%s", "abc");
    EXPECT_EQ(buffer[0], '#');
}

}  // namespace
