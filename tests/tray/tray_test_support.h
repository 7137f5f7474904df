// Helpers of the tray tests: icons of one solid colour, so that the notification area's pixels
// tell which icon it shows, and a bounded wait for another thread or process to catch up.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "support/emulation.h"

namespace traytest {

// A 16x16 icon filled with colour.
inline HICON SolidIcon(COLORREF colour)
{
    HDC screen = GetDC(nullptr);
    HBITMAP image = CreateCompatibleBitmap(screen, 16, 16);
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, image);
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all = {0, 0, 16, 16};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    SelectObject(memory, mask);
    PatBlt(memory, 0, 0, 16, 16, BLACKNESS);  // opaque everywhere
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    ICONINFO info = {TRUE, 0, 0, mask, image};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(image);
    DeleteObject(mask);
    return icon;
}

// Pixels of exactly this colour in the taskbar's right part (the desktop is 1024x768, the
// taskbar the bottom 20 rows), where the notification area draws its icons.
inline int NotificationAreaPixels(COLORREF colour)
{
    const int left = 624, top = 740, width = 400, height = 28;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY);
    GdiFlush();
    const DWORD want = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    int count = 0;
    const DWORD* pixel = static_cast<const DWORD*>(bits);
    for (int i = 0; i < width * height; ++i)
        if ((pixel[i] & 0xFFFFFF) == want)
            ++count;
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(section);
    ReleaseDC(nullptr, screen);
    return count;
}

// Polls until done() holds or about ten seconds have passed; the result is done()'s last answer.
inline bool WaitFor(const std::function<bool()>& done)
{
    for (DWORD i = 0; i < SafetyLimitMs(1000); ++i) {
        if (done())
            return true;
        Sleep(10);
    }
    return done();
}

inline const COLORREF kRed = RGB(255, 0, 0);
inline const COLORREF kGreen = RGB(0, 255, 0);
inline const COLORREF kBlue = RGB(0, 0, 255);
inline const int kIconPixels = 16 * 16;

// A text of the ANSI code page as UTF-16, to compare with the Chinese texts of the source.
inline std::wstring FromAnsi(const char* text)
{
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::vector<wchar_t> wide(length > 0 ? length : 1);
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    return wide.data();
}

}  // namespace traytest
