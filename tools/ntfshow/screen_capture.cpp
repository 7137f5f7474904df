#include "screen_capture.h"

#include <cstdio>

bool SaveScreenToBmp(const wchar_t* path)
{
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // bottom-up, as BMP files store rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    header.biSizeImage = stride * static_cast<DWORD>(height);

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof file + sizeof header;
        file.bfSize = file.bfOffBits + header.biSizeImage;
        if (FILE* out = _wfopen(path, L"wb")) {
            ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                 std::fwrite(&header, sizeof header, 1, out) == 1 &&
                 std::fwrite(bits, header.biSizeImage, 1, out) == 1;
            ok = (std::fclose(out) == 0) && ok;
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}
