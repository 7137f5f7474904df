#include "popup/paint.h"

#include <cstring>
#include <cwchar>

#include "module/module_state.h"
#include "popup/dpi_scale.h"
#include "popup/face_colors.h"
#include "popup/font_text.h"
#include "popup/gradient.h"
#include "popup/notify_session.h"
#include "popup/shown_text.h"
#include "resources/resource_ids.h"

namespace {
HFONT FallbackFont(int weight)
{
    return CreateFontA(12, 6, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, FF_ROMAN,
                       "Ms sans serif");
}

// Colour depth of what dc paints on: the display's, or for a memory DC that of its bitmap
// (GetDeviceCaps answers for the display even then).
int SurfaceBitsPerPixel(HDC dc)
{
    if (GetObjectType(dc) == OBJ_MEMDC) {
        BITMAP bitmap;
        HGDIOBJ selected = GetCurrentObject(dc, OBJ_BITMAP);
        if (selected && GetObjectA(selected, sizeof bitmap, &bitmap) == sizeof bitmap &&
            bitmap.bmWidth > 1)
            return bitmap.bmBitsPixel;
    }
    return GetDeviceCaps(dc, BITSPIXEL);
}

// Only the red, green and blue bytes name a colour here. Hosts pass whole 32-bit values, and
// GDI would take a set top byte as a palette index or an invalid colour and paint black.
COLORREF RgbOf(COLORREF colour)
{
    return colour & 0x00FFFFFF;
}

// The module's icons are shared (LoadIconA): the same handle comes back for as long as the
// module is loaded, so each is looked up once. Under Wine the look-up cost as much as the rest
// of a paint together.
HICON ModuleIcon(UINT id)
{
    static const UINT kIds[] = {IDI_APP_ICON, IDI_ALERT_ICON, IDI_ERROR_ICON, IDI_INFO_ICON,
                                IDI_WARNING_ICON};
    static HICON icons[sizeof kIds / sizeof kIds[0]];
    for (size_t i = 0; i < sizeof kIds / sizeof kIds[0]; ++i)
        if (kIds[i] == id)
            return icons[i] ? icons[i] : (icons[i] = LoadIconA(moduleHandle, MAKEINTRESOURCEA(id)));
    return LoadIconA(moduleHandle, MAKEINTRESOURCEA(id));
}

// A font of the face at the display's density: its cell height and width scaled.
HFONT ScaleFont(HFONT font, UINT dpi)
{
    if (!font || dpi == kDesignDpi)
        return font;
    LOGFONTA description;
    if (GetObjectA(font, sizeof description, &description) != sizeof description)
        return font;
    description.lfHeight = ScaleForDpi(description.lfHeight, dpi);
    description.lfWidth = ScaleForDpi(description.lfWidth, dpi);
    HFONT scaled = CreateFontIndirectA(&description);
    if (!scaled)
        return font;
    DeleteObject(font);
    return scaled;
}

// Icons are drawn at the system's size at 96 DPI and at the scaled 32 pixels above it.
void DrawFaceIcon(HDC dc, int x, int y, HICON icon, UINT dpi, BOOL* drawn = nullptr)
{
    const BOOL ok = dpi == kDesignDpi ? DrawIcon(dc, x, y, icon)
                                      : DrawIconEx(dc, x, y, icon, ScaleForDpi(32, dpi),
                                                   ScaleForDpi(32, dpi), 0, nullptr, DI_NORMAL);
    if (drawn)
        *drawn = ok;
}

// The rectangle [left, right) x [top, bottom) in one colour: gradient bands, the high-contrast
// face, and lines thicker than a pixel at higher densities.
void FillWithColour(HDC dc, int left, int top, int right, int bottom, COLORREF colour)
{
    RECT r = {left, top, right, bottom};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

// The raised or sunken 3-D edge scaled: its outer ring S(1) thick, its inner ring up to S(2).
void DrawScaledEdge(HDC dc, RECT rect, UINT edge, UINT dpi)
{
    if (dpi == kDesignDpi) {
        DrawEdge(dc, &rect, edge, BF_RECT);
        return;
    }
    const int outer = ScaleForDpi(1, dpi), inner = ScaleForDpi(2, dpi);
    for (int k = 0; k < inner; ++k) {
        RECT ring = rect;
        InflateRect(&ring, -k, -k);
        DrawEdge(dc, &ring, k < outer ? (edge & BDR_OUTER) : (edge & BDR_INNER), BF_RECT);
    }
}

UINT CornerIconId(LONG style)
{
    if (style & NS_ICON_ERROR)
        return IDI_ERROR_ICON;
    if (style & NS_ICON_ALERT)
        return IDI_ALERT_ICON;
    if (style & NS_ICON_INFO)
        return IDI_INFO_ICON;
    return IDI_WARNING_ICON;
}
}  // namespace

void FillVerticalGradient(HDC dc, RECT rect, COLORREF fromColour, COLORREF toColour)
{
    GradientBand bands[kMaxGradientBands];
    const int count = ComputeGradientBands(rect.top, rect.bottom, fromColour, toColour, bands);
    for (int i = 0; i < count; ++i) {
        FillWithColour(dc, rect.left, bands[i].top, rect.right, bands[i].bottom, bands[i].colour);
    }
}

void DrawSolidLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour)
{
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ previous = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, previous);
    DeleteObject(pen);
}

namespace {
int DrawTextOf(HDC dc, const char* text, RECT* rect, UINT format)
{
    return DrawTextA(dc, text, -1, rect, format);
}

int DrawTextOf(HDC dc, const wchar_t* text, RECT* rect, UINT format)
{
    return DrawTextW(dc, text, -1, rect, format);
}

template <typename Char>
int DrawUnderlined(HDC dc, RECT* rect, const Char* text, int alignment, COLORREF colour)
{
    if (!text || !*text)
        return 0;
    RECT measured = *rect;
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    DrawTextOf(dc, text, &measured, alignment | DT_CALCRECT | DT_WORDBREAK);
    const int width = measured.right - measured.left;
    DrawTextOf(dc, text, rect, alignment | DT_WORDBREAK);
    if (alignment == DT_LEFT) {
        rect->right = rect->left + width;
    } else if (alignment == DT_RIGHT) {
        rect->left = rect->right - width;
    } else if (alignment == DT_CENTER) {
        const int margin = (rect->right - rect->left - width) / 2;
        rect->left += margin;
        rect->right -= margin;
    }
    DrawSolidLine(dc, rect->right, measured.bottom, rect->left, measured.bottom, colour);
    return 1;
}
}  // namespace

int DrawUnderlinedText(HDC dc, RECT* rect, const char* text, int alignment, COLORREF colour)
{
    return DrawUnderlined(dc, rect, text, alignment, colour);
}

int DrawUnderlinedText(HDC dc, RECT* rect, const wchar_t* text, int alignment, COLORREF colour)
{
    return DrawUnderlined(dc, rect, text, alignment, colour);
}

int CreateFontFromText(const char* text, HFONT* font)
{
    LOGFONTA description;
    // A text that lacks a field makes no font; the caller's fallback takes its place.
    *font = ParseLogFontText(text, &description) ? CreateFontIndirectA(&description) : nullptr;
    return 1;
}

int LoadFontResource(UINT id, HFONT* font)
{
    *font = nullptr;
    char text[kTextSize];
    std::memset(text, 0, sizeof text);
    if (LoadStringA(moduleHandle, id, text, sizeof text) == 0)
        return 0;
    return CreateFontFromText(text, font);
}

namespace {

// The face's two fonts from the module's resources (the fallback where a resource makes
// none), at the window's density.
struct FaceFonts {
    HFONT normal, bold;
};

FaceFonts CreateFaceFonts(UINT dpi)
{
    FaceFonts fonts;
    LoadFontResource(IDS_NORMAL_FONT, &fonts.normal);
    LoadFontResource(IDS_BOLD_FONT, &fonts.bold);
    if (!fonts.normal)
        fonts.normal = FallbackFont(FW_NORMAL);
    if (!fonts.bold)
        fonts.bold = FallbackFont(FW_BOLD);
    fonts.normal = ScaleFont(fonts.normal, dpi);
    fonts.bold = ScaleFont(fonts.bold, dpi);
    return fonts;
}

// The whole client area white, or in the system's window colour with high contrast on.
void PaintGround(HDC dc, int W, int H, const FaceColours& c)
{
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    SelectObject(dc, GetStockObject(WHITE_PEN));
    Rectangle(dc, 0, 0, W, H);
    if (c.highContrast)
        FillWithColour(dc, 0, 0, W, H, c.background);
}

// The popup's one-pixel frame: lines at 96 DPI, filled strips S(1) thick above it.
void PaintFlatFrame(HDC dc, int W, int H, COLORREF border, UINT dpi)
{
    if (dpi == kDesignDpi) {
        DrawSolidLine(dc, 0, 0, W, 0, border);
        DrawSolidLine(dc, 0, 0, 0, H, border);
        DrawSolidLine(dc, W - 1, 0, W - 1, H, border);
        DrawSolidLine(dc, 0, H - 1, W, H - 1, border);
        return;
    }
    const int t = ScaleForDpi(1, dpi);
    FillWithColour(dc, 0, 0, W, t, border);
    FillWithColour(dc, 0, 0, t, H, border);
    FillWithColour(dc, W - t, 0, W, H, border);
    FillWithColour(dc, 0, H - t, W, H, border);
}

// The popup's frame and face: a flat frame (the host's choice, or high contrast) or 3-D edges
// around the gradient band. Returns the content rectangle inside the frame.
RECT PaintPopupFrame(HDC dc, const RECT& client, LONG style, const FaceColours& c, UINT dpi)
{
    const DpiScaler S = {dpi};
    const bool flat = (style & NS_FLATBORDER) != 0 || c.highContrast;
    if (flat)
        PaintFlatFrame(dc, client.right, client.bottom, RgbOf(c.border), dpi);
    else
        DrawScaledEdge(dc, client, EDGE_RAISED, dpi);

    RECT contentRect = client;
    RECT bandRect = client;
    bandRect.bottom = 2 * client.bottom / 3;
    InflateRect(&contentRect, -S(2), -S(2));
    InflateRect(&bandRect, -S(2), -S(2));
    if (c.highContrast) {
        // No gradient: the face keeps the window colour.
    } else if (PopupShowsGradient(SurfaceBitsPerPixel(dc))) {
        FillVerticalGradient(dc, bandRect, c.gradientFrom, c.gradientTo);
    } else {
        // Too few colours to show a gradient: keep the face white.
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
        Rectangle(dc, contentRect.left, contentRect.top, contentRect.right, contentRect.bottom);
    }
    if (!flat)
        DrawScaledEdge(dc, contentRect, EDGE_SUNKEN, dpi);
    return contentRect;
}

// The dialog's face: the gradient band over the upper two thirds, no frame of its own.
void PaintDialogBand(HDC dc, const RECT& client, const FaceColours& c)
{
    RECT bandRect = client;
    bandRect.bottom = 2 * client.bottom / 3;
    FillVerticalGradient(dc, bandRect, c.gradientFrom, c.gradientTo);
}

// The style's icon at the upper left, the host's icon (or the module's) at the lower right.
void PaintIcons(HDC dc, const RECT& content, LONG style, HICON appIcon, UINT dpi)
{
    const DpiScaler S = {dpi};
    DrawFaceIcon(dc, S(16), S(16), ModuleIcon(CornerIconId(style)), dpi);
    // The host's icon stays the host's; one it has destroyed, or a handle that names no icon,
    // gets the module's own icon, as no icon at all does.
    const int x = content.right - S(34), y = content.bottom - S(34);
    BOOL drawn = FALSE;
    if (appIcon)
        DrawFaceIcon(dc, x, y, appIcon, dpi, &drawn);
    if (!drawn)
        DrawFaceIcon(dc, x, y, ModuleIcon(IDI_APP_ICON), dpi);
}

// The three coloured lines along the bottom, left of the host's icon.
void PaintDecorationLines(HDC dc, const RECT& content, const FaceColours& c, UINT dpi)
{
    const DpiScaler S = {dpi};
    const int R = content.right, B = content.bottom;
    for (int i = 0; i < 3; ++i) {
        if (dpi == kDesignDpi)
            DrawSolidLine(dc, 4, B - 5 + i, R - 34, B - 5 + i, c.decoration[i]);
        else
            FillWithColour(dc, S(4), B - S(5 - i), R - S(34), B - S(4 - i), c.decoration[i]);
    }
}

// The message: its first line as the bold heading, the rest as the body.
void PaintMessage(HDC dc, const RECT& content, const wchar_t* messageText, const FaceFonts& fonts,
                  const FaceColours& c, UINT dpi)
{
    const DpiScaler S = {dpi};
    const int L = content.left, T = content.top, R = content.right, B = content.bottom;
    RECT headingRect = {L + S(60), T + S(22), R - S(10), T + S(42)};
    RECT bodyRect = {L + S(28), T + S(58), R - S(28), B - S(18)};
    SetBkMode(dc, TRANSPARENT);

    const wchar_t* heading = L"";
    int headingLength = 0;
    const wchar_t* body = messageText;
    if (const wchar_t* feed = std::wcschr(messageText, L'\n')) {
        heading = messageText;
        headingLength = static_cast<int>(feed - messageText);
        body = feed + 1;
    }
    SelectObject(dc, fonts.bold);
    SetTextColor(dc, RgbOf(c.title));
    DrawTextW(dc, heading, headingLength, &headingRect, DT_WORDBREAK);
    SelectObject(dc, fonts.normal);
    SetTextColor(dc, RgbOf(c.body));
    DrawTextW(dc, body, -1, &bodyRect, DT_WORDBREAK);
}

// Where the link line goes, and whether it is a link the pointer may click.
struct LinkStrip {
    RECT rect;
    int shown;
};

// The line under the body: the link (underlined, its strip narrowed to the text) when there is
// an address, else the link text alone as plain text, moved S(20) to the left.
LinkStrip PaintLinkLine(HDC dc, const RECT& content, const NotifySessionRecord& s,
                        const FaceColours& c, UINT dpi)
{
    const DpiScaler S = {dpi};
    LinkStrip link;
    SetRect(&link.rect, content.left + S(28), content.bottom - S(18), content.right - S(28),
            content.bottom - S(6));
    link.shown = s.linkUrl[0] ? 1 : 0;
    wchar_t scratch[kTwinTextSize];
    if (link.shown) {
        const wchar_t* text =
            s.linkText[0] ? ShownText(s.linkText, NotifyTwins.linkText, scratch, kTwinTextSize)
                          : ShownText(s.linkUrl, NotifyTwins.linkUrl, scratch, kTwinTextSize);
        DrawUnderlinedText(dc, &link.rect, text, DT_LEFT, c.link);
    } else if (s.linkText[0]) {
        link.rect.left -= S(20);
        SetTextColor(dc, RgbOf(c.body));
        DrawTextW(dc, ShownText(s.linkText, NotifyTwins.linkText, scratch, kTwinTextSize), -1,
                  &link.rect, DT_WORDBREAK);
    }
    return link;
}

}  // namespace

void PaintNotification(HWND window, HDC dc)
{
    const NotifySessionRecord& s = NotifySession;
    RECT client;
    GetClientRect(window, &client);

    // Every length is designed for 96 DPI and scaled once to the window's.
    const UINT dpi = DpiForWindow(window);
    const FaceFonts fonts = CreateFaceFonts(dpi);
    HGDIOBJ previousFont = SelectObject(dc, fonts.normal);

    const HostColours host = {s.gradientFrom, s.gradientTo, s.borderColor, s.titleColor,
                              s.bodyColor};
    const FaceColours c = ChooseFaceColours(HighContrastOn(), host, CurrentSystemColours());

    PaintGround(dc, client.right, client.bottom, c);
    RECT content = client;
    if (s.style & NS_DIALOG)
        PaintDialogBand(dc, client, c);
    else
        content = PaintPopupFrame(dc, client, s.style, c, dpi);
    PaintIcons(dc, content, s.style, s.appIcon, dpi);
    PaintDecorationLines(dc, content, c, dpi);
    wchar_t message[kTwinTextSize];
    PaintMessage(dc, content,
                 ShownText(s.messageText, NotifyTwins.messageText, message, kTwinTextSize), fonts,
                 c, dpi);
    const LinkStrip link = PaintLinkLine(dc, content, s, c, dpi);

    // What the pointer's hover tracking reads: the strip as painted.
    NotifySession.linkRect = link.rect;
    NotifySession.linkShown = link.shown;

    SelectObject(dc, previousFont);
    DeleteObject(fonts.bold);
    DeleteObject(fonts.normal);
}
