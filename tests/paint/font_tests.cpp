// LOGFONT text: the fourteen fields, short or overlong input, and the two font resources.
#include <gtest/gtest.h>
#include <cstring>

#include "popup/font_text.h"
#include "popup/paint.h"

namespace {

const char kSongTi[] = "\xCB\xCE\xCC\xE5";  // 宋体 in code page 936

TEST(LogFontText, ReadsAllFourteenFields)
{
    LOGFONTA f;
    ASSERT_TRUE(ParseLogFontText("-13,6,900,450,700,1,1,1,134,3,2,5,49,Arial Narrow", &f));
    EXPECT_EQ(f.lfHeight, -13);
    EXPECT_EQ(f.lfWidth, 6);
    EXPECT_EQ(f.lfEscapement, 900);
    EXPECT_EQ(f.lfOrientation, 450);
    EXPECT_EQ(f.lfWeight, 700);
    EXPECT_EQ(f.lfItalic, 1);
    EXPECT_EQ(f.lfUnderline, 1);
    EXPECT_EQ(f.lfStrikeOut, 1);
    EXPECT_EQ(f.lfCharSet, 134);
    EXPECT_EQ(f.lfOutPrecision, 3);
    EXPECT_EQ(f.lfClipPrecision, 2);
    EXPECT_EQ(f.lfQuality, 5);
    EXPECT_EQ(f.lfPitchAndFamily, 49);
    EXPECT_STREQ(f.lfFaceName, "Arial");  // the face name ends at white space
}

TEST(LogFontText, ByteFieldsKeepTheLowByte)
{
    LOGFONTA f;
    ASSERT_TRUE(ParseLogFontText("12,0,0,0,0,257,0,0,390,0,0,0,0,x", &f));
    EXPECT_EQ(f.lfItalic, 1);
    EXPECT_EQ(f.lfCharSet, 134);
}

TEST(LogFontText, RejectsTextsWithMissingFieldsAndZeroesTheRecord)
{
    for (const char* text :
         {"", "12,0,0,0,0,0,0,0,134,0,0,0,0", "12,0,0,0,0,0,0,0,134,0,0,0,0,",
          "12,0,0,0,0,0,0,0,134,0,0,0,SimSun", "12;0;0;0;0;0;0;0;134;0;0;0;0;SimSun",
          "12,0,0,0,0,0,0,0,x,0,0,0,0,SimSun"}) {
        SCOPED_TRACE(text);
        LOGFONTA f;
        std::memset(&f, 0x5A, sizeof f);
        EXPECT_FALSE(ParseLogFontText(text, &f));
        const LOGFONTA zero = {};
        EXPECT_EQ(std::memcmp(&f, &zero, sizeof f), 0);
        HFONT font = reinterpret_cast<HFONT>(1);
        EXPECT_EQ(CreateFontFromText(text, &font), 1);
        EXPECT_EQ(font, nullptr);
    }
}

TEST(LogFontText, CutsAnOverlongFaceNameAtAWholeCharacter)
{
    const std::string prefix = "12,0,0,0,0,0,0,0,134,0,0,0,0,";
    LOGFONTA f;
    ASSERT_TRUE(ParseLogFontText((prefix + std::string(40, 'A')).c_str(), &f));
    EXPECT_EQ(std::string(f.lfFaceName), std::string(31, 'A'));

    // 30 single bytes and then a double-byte character: only the 30 fit.
    ASSERT_TRUE(ParseLogFontText((prefix + std::string(30, 'B') + kSongTi).c_str(), &f));
    EXPECT_EQ(std::string(f.lfFaceName), std::string(30, 'B'));

    ASSERT_TRUE(ParseLogFontText((prefix + kSongTi).c_str(), &f));
    EXPECT_STREQ(f.lfFaceName, kSongTi);
}

TEST(FontResources, LoadTheirLogFonts)
{
    struct Case {
        UINT id;
        LONG weight;
    } cases[] = {{5, 0}, {103, 700}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.id);
        HFONT font = nullptr;
        ASSERT_EQ(LoadFontResource(k.id, &font), 1);
        ASSERT_NE(font, nullptr);
        LOGFONTA f;
        ASSERT_EQ(GetObjectA(font, sizeof f, &f), static_cast<int>(sizeof f));
        EXPECT_EQ(f.lfHeight, 12);
        EXPECT_EQ(f.lfWeight, k.weight);
        EXPECT_EQ(f.lfCharSet, 134);
        EXPECT_STREQ(f.lfFaceName, kSongTi);
        DeleteObject(font);
    }
    HFONT missing = reinterpret_cast<HFONT>(1);
    EXPECT_EQ(LoadFontResource(4711, &missing), 0);
    EXPECT_EQ(missing, nullptr);
}

}  // namespace
