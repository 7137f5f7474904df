// Median wall-clock time of one PaintNotification on a 280 x 180 popup face, and of one whole
// slide-in of a 160-px popup against its sleep floor (54 steps of 3 ms).
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "module/module_state.h"
#include "popup/notify_session.h"
#include "popup/paint.h"
#include "popup/show_notification.h"

namespace {

double Now()
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main()
{
    ModuleProcessAttach(GetModuleHandleA(nullptr));
    std::strcpy(NotifySession.messageText, "\xD0\xC2\xB0\xE6\xB1\xBE\nbody text of the notification");
    std::strcpy(NotifySession.linkUrl, "http://example.org/");
    NotifySession.checkCount = 1;

    HWND face = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 280, 180, nullptr, nullptr, nullptr, nullptr);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 280, 180);
    HGDIOBJ old = SelectObject(dc, target);
    for (int i = 0; i < 20; ++i) PaintNotification(face, dc);  // warm-up
    std::vector<double> paints;
    for (int i = 0; i < 200; ++i) {
        const double t0 = Now();
        PaintNotification(face, dc);
        paints.push_back(Now() - t0);
    }
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    DestroyWindow(face);

    std::vector<double> slides;
    for (int i = 0; i < 11; ++i) {
        NotifySession.checkList[0] = 0;
        const double t0 = Now();
        ShowNotification(0, "slide\nin", 1, nullptr, nullptr, 20000);
        const double t1 = Now();
        DestroyWindow(NotifySession.popupWindow);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (i > 0) slides.push_back(t1 - t0);  // the first one registers the class
    }
    std::printf("PaintNotification 280x180: median %.3f ms over %zu runs\n", Median(paints), paints.size());
    std::printf("slide-in 160 px (54 steps): median %.1f ms over %zu runs, sleep floor %.0f ms\n",
                Median(slides), slides.size(), 54 * 3.0);
    return 0;
}
