// The module's resources as the code loads them: Chinese texts in UTF-16 and as GBK bytes,
// icons and bitmaps at their sizes, the prompt dialog's template.
#include <gtest/gtest.h>
#include <cstring>
#include <string>

#include "module/module_state.h"
#include "resources/resource_ids.h"

namespace {

std::string AnsiString(UINT id)
{
    char buffer[260] = {};
    LoadStringA(moduleHandle, id, buffer, sizeof buffer);
    return buffer;
}

std::wstring WideString(UINT id)
{
    wchar_t buffer[260] = {};
    LoadStringW(moduleHandle, id, buffer, 260);
    return buffer;
}

TEST(StringResources, HoldTheFontTextsInUtf16AndReachAnsiCallersAsGbk)
{
    ASSERT_EQ(GetACP(), 936u);
    EXPECT_EQ(WideString(IDS_NORMAL_FONT), L"12,0,0,0,0,0,0,0,134,0,0,0,0,\x5B8B\x4F53");
    EXPECT_EQ(WideString(IDS_BOLD_FONT), L"12,0,0,0,700,0,0,0,134,0,0,0,0,\x5B8B\x4F53");
    EXPECT_EQ(AnsiString(IDS_NORMAL_FONT), "12,0,0,0,0,0,0,0,134,0,0,0,0,\xCB\xCE\xCC\xE5");
    EXPECT_EQ(AnsiString(IDS_BOLD_FONT), "12,0,0,0,700,0,0,0,134,0,0,0,0,\xCB\xCE\xCC\xE5");
}

TEST(StringResources, AreInTheChineseLanguage)
{
    // String ids 5 and 103 live in blocks 1 and 7.
    for (int block : {1, 7})
        EXPECT_NE(FindResourceExA(moduleHandle, RT_STRING, MAKEINTRESOURCEA(block), 0x0804),
                  nullptr)
            << block;
    EXPECT_NE(FindResourceExA(moduleHandle, RT_DIALOG, MAKEINTRESOURCEA(IDD_PROMPT_DIALOG), 0x0804),
              nullptr);
}

// Size of the icon image that LoadImage picks for the asked size, and its colour depth.
struct IconImage {
    int width, height, bits;
};

IconImage LoadIconImage(UINT id, int size)
{
    HICON icon = static_cast<HICON>(
        LoadImageA(moduleHandle, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
    IconImage r = {0, 0, 0};
    if (!icon)
        return r;
    ICONINFO info;
    if (GetIconInfo(icon, &info)) {
        BITMAP bm;
        GetObjectA(info.hbmColor, sizeof bm, &bm);
        r = {bm.bmWidth, bm.bmHeight, bm.bmBitsPixel};
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    DestroyIcon(icon);
    return r;
}

TEST(IconResources, LoadAtTheirSizes)
{
    struct Case {
        UINT id;
        int size;
    } cases[] = {
        {IDI_APP_ICON, 32},   {IDI_ALERT_ICON, 32}, {IDI_INFO_ICON, 32},  {IDI_WARNING_ICON, 32},
        {IDI_ERROR_ICON, 16}, {IDI_ERROR_ICON, 32}, {IDI_ERROR_ICON, 48},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.id << " at " << k.size);
        EXPECT_NE(FindResourceExA(moduleHandle, RT_GROUP_ICON, MAKEINTRESOURCEA(k.id), 0x0804),
                  nullptr);
        const IconImage image = LoadIconImage(k.id, k.size);
        EXPECT_EQ(image.width, k.size);
        EXPECT_EQ(image.height, k.size);
    }
    EXPECT_NE(LoadIconA(moduleHandle, MAKEINTRESOURCEA(IDI_APP_ICON)), nullptr);
}

// Colour depths of the images of an icon group, read from its directory.
std::string GroupDepths(UINT id)
{
#pragma pack(push, 2)
    struct Entry {
        BYTE width, height, colours, reserved;
        WORD planes, bits;
        DWORD bytes;
        WORD id;
    };
    struct Directory {
        WORD reserved, type, count;
        Entry entries[1];
    };
#pragma pack(pop)
    HRSRC found = FindResourceA(moduleHandle, MAKEINTRESOURCEA(id), RT_GROUP_ICON);
    if (!found)
        return "";
    const Directory* dir =
        static_cast<const Directory*>(LockResource(LoadResource(moduleHandle, found)));
    std::string out;
    for (WORD i = 0; i < dir->count; ++i) {
        const Entry& e = dir->entries[i];
        out += std::to_string(e.width ? e.width : 256) + "x" + std::to_string(e.bits) + " ";
    }
    return out;
}

TEST(IconResources, CarryTheImagesOfTheirTable)
{
    EXPECT_EQ(GroupDepths(IDI_APP_ICON), "32x8 32x32 ");
    EXPECT_EQ(GroupDepths(IDI_ERROR_ICON), "16x32 32x32 48x32 ");
    EXPECT_EQ(GroupDepths(IDI_ALERT_ICON), "32x32 ");
    EXPECT_EQ(GroupDepths(IDI_INFO_ICON), "32x32 ");
    EXPECT_EQ(GroupDepths(IDI_WARNING_ICON), "32x32 ");
}

TEST(BitmapResources, AreFifteenSquareAtEightBits)
{
    for (UINT id : {IDB_CLOSE_DOWN, IDB_CLOSE_UP}) {
        SCOPED_TRACE(id);
        HRSRC found = FindResourceExA(moduleHandle, RT_BITMAP, MAKEINTRESOURCEA(id), 0x0804);
        ASSERT_NE(found, nullptr);
        const BITMAPINFOHEADER* h =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(moduleHandle, found)));
        EXPECT_EQ(h->biWidth, 15);
        EXPECT_EQ(h->biHeight, 15);
        EXPECT_EQ(h->biBitCount, 8);
        HBITMAP bitmap = LoadBitmapA(moduleHandle, MAKEINTRESOURCEA(id));
        ASSERT_NE(bitmap, nullptr);
        BITMAP bm;
        GetObjectA(bitmap, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, 15);
        EXPECT_EQ(bm.bmHeight, 15);
        DeleteObject(bitmap);
    }
    // The pressed shade is the darker one: compare the corner pixels.
    auto corner = [](UINT id) {
        HBITMAP bitmap = LoadBitmapA(moduleHandle, MAKEINTRESOURCEA(id));
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        COLORREF c = GetPixel(dc, 0, 0);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
        return GetRValue(c) + GetGValue(c) + GetBValue(c);
    };
    EXPECT_LT(corner(IDB_CLOSE_DOWN), corner(IDB_CLOSE_UP));
}

// The dialog template as stored: DLGTEMPLATEEX, then menu, class, caption, font size and face.
INT_PTR CALLBACK NoDialogHandling(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TEST(DialogTemplate, HasItsCaptionSizeFontAndButton)
{
    HRSRC found = FindResourceA(moduleHandle, MAKEINTRESOURCEA(IDD_PROMPT_DIALOG), RT_DIALOG);
    ASSERT_NE(found, nullptr);
    const WORD* p = static_cast<const WORD*>(LockResource(LoadResource(moduleHandle, found)));
    ASSERT_EQ(p[0], 1);
    ASSERT_EQ(p[1], 0xFFFF);  // extended template
    DWORD exStyle, style;
    std::memcpy(&exStyle, p + 4, 4);
    std::memcpy(&style, p + 6, 4);
    EXPECT_EQ(style, 0x80C808C0u);
    EXPECT_EQ(exStyle, 0u);
    EXPECT_EQ(p[8], 1);  // one control
    EXPECT_EQ(static_cast<short>(p[11]), 207);
    EXPECT_EQ(static_cast<short>(p[12]), 117);
    const wchar_t* text = reinterpret_cast<const wchar_t*>(p + 13);
    EXPECT_EQ(text[0], 0);                                // no menu
    EXPECT_EQ(text[1], 0);                                // the standard dialog class
    EXPECT_STREQ(text + 2, L"\x63D0\x793A\x4FE1\x606F");  // 提示信息
    const wchar_t* font = text + 2 + wcslen(text + 2) + 1;
    EXPECT_EQ(font[0], 9);
    EXPECT_STREQ(font + 3, L"\x5B8B\x4F53");

    // The button, as the dialog manager builds it.
    HWND dialog = CreateDialogParamA(moduleHandle, MAKEINTRESOURCEA(IDD_PROMPT_DIALOG), nullptr,
                                     NoDialogHandling, 0);
    ASSERT_NE(dialog, nullptr);
    wchar_t caption[32] = {};
    GetWindowTextW(dialog, caption, 32);
    EXPECT_STREQ(caption, L"\x63D0\x793A\x4FE1\x606F");
    HWND ok = GetDlgItem(dialog, IDOK);
    ASSERT_NE(ok, nullptr);
    wchar_t label[16] = {};
    GetWindowTextW(ok, label, 16);
    EXPECT_STREQ(label, L"\x77E5\x9053\x4E86");  // 知道了
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(ok, GWL_STYLE)) & 0xFFFF000Fu, 0x50010001u);
    RECT r = {91, 98, 141, 113};
    MapDialogRect(dialog, &r);
    RECT actual;
    GetWindowRect(ok, &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, r.left);
    EXPECT_EQ(actual.top, r.top);
    EXPECT_EQ(actual.right - actual.left, r.right - r.left);
    DestroyWindow(dialog);
}

}  // namespace
