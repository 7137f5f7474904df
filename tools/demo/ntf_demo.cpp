// Shows a sample notification (Chinese heading, body, link, two check boxes), waits until it
// rests in place, saves the screen as a 24-bit BMP and closes the popup.
// Usage: ntf_demo.exe OUTPUT.bmp
#include <windows.h>
#include <commctrl.h>
#include <cstdio>
#include <cstring>

#include "module/module_state.h"
#include "popup/notify_session.h"
#include "popup/show_notification.h"

namespace {

void Pump(DWORD ms)
{
    const DWORD end = GetTickCount() + ms;
    MSG msg;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

bool SaveScreen(const char* path)
{
    const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;  // bottom-up, as a BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP shot = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, shot);
    BitBlt(memory, 0, 0, w, h, screen, x, y, SRCCOPY);
    GdiFlush();
    const DWORD rowBytes = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    const DWORD imageBytes = rowBytes * static_cast<DWORD>(h);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageBytes;
    bool ok = false;
    if (FILE* out = std::fopen(path, "wb")) {
        ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
             std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
             std::fwrite(bits, imageBytes, 1, out) == 1;
        ok = (std::fclose(out) == 0) && ok;
    }
    SelectObject(memory, old);
    DeleteObject(shot);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: ntf_demo OUTPUT.bmp\n");
        return 2;
    }
    ModuleProcessAttach(GetModuleHandleA(nullptr));
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_USEREX_CLASSES};
    InitCommonControlsEx(&controls);

    // Check boxes "不再提醒" and "稍后提醒"; the texts below are code page 936 bytes.
    std::strcpy(NotifySession.checkList, "\xB2\xBB\xD4\xD9\xCC\xE1\xD0\xD1|\xC9\xD4\xBA\xF3\xCC\xE1\xD0\xD1");
    NotifySession.checkMask = 1;
    NotifySession.hasCheckList = 1;
    // "新版本已发布" / "NtfObj 1.0.0.1 已可下载，点击下面的链接查看更新内容。"
    const char* message =
        "\xD0\xC2\xB0\xE6\xB1\xBE\xD2\xD1\xB7\xA2\xB2\xBC\n"
        "NtfObj 1.0.0.1 \xD2\xD1\xBF\xC9\xCF\xC2\xD4\xD8\xA3\xAC\xB5\xE3\xBB\xF7\xCF\xC2\xC3\xE6\xB5\xC4"
        "\xC1\xB4\xBD\xD3\xB2\xE9\xBF\xB4\xB8\xFC\xD0\xC2\xC4\xDA\xC8\xDD\xA1\xA3";
    // "查看更新说明"
    const char* linkText = "\xB2\xE9\xBF\xB4\xB8\xFC\xD0\xC2\xCB\xB5\xC3\xF7";
    if (!ShowNotification(NS_ICON_INFO | NS_CLOSEBOX, message, 1, "http://example.org/ntfobj", linkText, 20000)) {
        std::fprintf(stderr, "the popup was not shown\n");
        return 1;
    }
    Pump(500);  // let every control paint
    const bool saved = SaveScreen(argv[1]);
    if (IsWindow(NotifySession.popupWindow)) DestroyWindow(NotifySession.popupWindow);
    if (!saved) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
