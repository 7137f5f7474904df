#include "popup/dpi_scale.h"

#include "module/user32_function.h"

int ScaleForDpi(int value, UINT dpi)
{
    if (dpi == 0 || dpi == kDesignDpi)
        return value;
    const long long scaled = static_cast<long long>(value) * dpi;
    const long long half = kDesignDpi / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kDesignDpi
                                        : -((-scaled + half) / kDesignDpi));
}

UINT DpiForWindow(HWND window)
{
    typedef UINT(WINAPI * GetDpiForWindowFn)(HWND);
    static GetDpiForWindowFn getDpiForWindow = nullptr;
    static bool looked = false;
    if (!looked) {
        getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
        looked = true;
    }
    if (window && getDpiForWindow)
        if (const UINT dpi = getDpiForWindow(window))
            return dpi;
    UINT dpi = 0;
    if (HDC screen = GetDC(nullptr)) {
        dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    return dpi ? dpi : kDesignDpi;
}
