// A memory canvas the painter draws on, read back pixel by pixel.
#pragma once

#include <windows.h>

#include <cstring>

// A memory DC on a top-down DIB section of the given depth, prefilled white, or with another
// stock brush (BLACK_BRUSH, as a fresh bitmap is, where a pixel the painter misses must show).
class Canvas {
public:
    Canvas(int width, int height, int bits = 24, int stockBrush = WHITE_BRUSH)
        : width_(width), height_(height)
    {
        // Room for a grey palette, which the 8-bit canvas needs.
        struct {
            BITMAPINFOHEADER bmiHeader;
            RGBQUAD bmiColors[256];
        } info;
        std::memset(&info, 0, sizeof info);
        for (int i = 0; i < 256; ++i) info.bmiColors[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
        if (bits <= 8)
            info.bmiHeader.biClrUsed = 256;
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = static_cast<WORD>(bits);
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                   nullptr, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        RECT all = {0, 0, width, height};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(stockBrush)));
    }
    ~Canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
    // Pixels in [left,right) x [top,bottom) of exactly this colour.
    int count(int left, int top, int right, int bottom, COLORREF colour) const
    {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) n += at(x, y) == colour;
        return n;
    }
    // Pixels in [left,right) x [top,bottom) whose colour passes the test.
    template <class Test> int count(int left, int top, int right, int bottom, Test test) const
    {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (test(at(x, y)))
                    ++n;
        return n;
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};
