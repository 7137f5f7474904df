#include "popup/face_colors.h"

namespace {
const COLORREF kWhite = 0x00FFFFFF;
const COLORREF kLinkColour = 0x00FF0000;
const COLORREF kDecorationColours[3] = {0x0029FFFF, 0x0026D5FA, 0x0029C6FF};
int forcedHighContrast = -1;
}  // namespace

FaceColours ChooseFaceColours(bool highContrast, const HostColours& host,
                              const SystemColours& system)
{
    FaceColours c;
    c.highContrast = highContrast;
    if (highContrast) {
        c.background = system.window;
        // Equal ends paint no band: the face keeps the window colour.
        c.gradientFrom = c.gradientTo = system.window;
        c.border = system.windowFrame;
        c.title = c.body = system.windowText;
        c.link = system.hotLight;
        for (COLORREF& d : c.decoration) d = system.windowText;
        return c;
    }
    c.background = kWhite;
    c.gradientFrom = host.gradientFrom;
    c.gradientTo = host.gradientTo;
    c.border = host.border;
    c.title = host.title;
    c.body = host.body;
    c.link = kLinkColour;
    for (int i = 0; i < 3; ++i) c.decoration[i] = kDecorationColours[i];
    return c;
}

SystemColours CurrentSystemColours()
{
    SystemColours s;
    s.window = GetSysColor(COLOR_WINDOW);
    s.windowText = GetSysColor(COLOR_WINDOWTEXT);
    s.hotLight = GetSysColor(COLOR_HOTLIGHT);
    s.windowFrame = GetSysColor(COLOR_WINDOWFRAME);
    return s;
}

bool HighContrastOn()
{
    if (forcedHighContrast >= 0)
        return forcedHighContrast != 0;
    HIGHCONTRASTA setting;
    setting.cbSize = sizeof setting;
    setting.dwFlags = 0;
    setting.lpszDefaultScheme = nullptr;
    if (!SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0))
        return false;
    return (setting.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void ForceHighContrast(int state)
{
    forcedHighContrast = state < 0 ? -1 : state != 0;
}

HBRUSH FaceBackgroundBrush()
{
    return HighContrastOn() ? GetSysColorBrush(COLOR_WINDOW)
                            : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}
