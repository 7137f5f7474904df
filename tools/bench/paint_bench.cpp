// One PaintNotification into a memory bitmap, its parts one by one, and the same paint clipped
// to the 3-pixel strip that one slide step uncovers.
#include "tools/bench/bench.h"

#include <cstring>
#include <functional>

#include "module/module_state.h"
#include "popup/notify_session.h"
#include "popup/paint.h"
#include "resources/resource_ids.h"

namespace {
const int kWidth = 280, kHeight = 180;

void SetSampleSession()
{
    InitialNotifySession(&NotifySession);
    std::strcpy(NotifySession.messageText,
                "\xD0\xC2\xB0\xE6\xB1\xBE\nbody text of the notification");
    std::strcpy(NotifySession.linkUrl, "http://example.org/");
    NotifySession.checkCount = 1;
}
}  // namespace

void BenchPaint(const BenchRuns& r)
{
    SetSampleSession();
    HWND face = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, kWidth, kHeight, nullptr, nullptr,
                                nullptr, nullptr);
    // The screen DC goes back at once: held, it makes every later GetDC(NULL) build a new DC,
    // and Wine's LoadIconA takes one to read the colour depth (it would cost five times more).
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, kWidth, kHeight);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldBitmap = SelectObject(dc, target);
    HRGN strip = CreateRectRgn(0, kHeight - 3, kWidth, kHeight);
    const RECT band = {2, 2, kWidth - 2, 2 * kHeight / 3 - 2};
    HICON corner = LoadIconA(moduleHandle, MAKEINTRESOURCEA(IDI_WARNING_ICON));
    HICON app = LoadIconA(moduleHandle, MAKEINTRESOURCEA(IDI_APP_ICON));
    HFONT normal, bold;
    LoadFontResource(IDS_NORMAL_FONT, &normal);
    LoadFontResource(IDS_BOLD_FONT, &bold);

    // Each piece on its own, taken in turns so that every median sees the same conditions.
    struct Piece {
        const char* what;
        const char* note;
        std::function<void()> work;
        std::vector<double> times;
    } pieces[] = {
        {"one `PaintNotification`, 280 x 180 face with heading, body, link, default gradient (64 "
         "bands)",
         "into a screen-compatible memory bitmap",
         [&] { PaintNotification(face, dc); },
         {}},
        // Only the bottom strip of one slide step visible: what is left is the cost of the
        // calls, not of the pixels.
        {"the same paint clipped to the 3-px bottom strip one slide step uncovers",
         "the band, icons and texts lie wholly outside the strip",
         [&] {
             SelectClipRgn(dc, strip);
             PaintNotification(face, dc);
             SelectClipRgn(dc, nullptr);
         },
         {}},
        {"part: load, create, select and delete the two fonts",
         "string resource, LOGFONT text parsed, CreateFontIndirectA",
         [&] {
             HFONT n, b;
             LoadFontResource(IDS_NORMAL_FONT, &n);
             LoadFontResource(IDS_BOLD_FONT, &b);
             HGDIOBJ old = SelectObject(dc, n);
             SelectObject(dc, b);
             SelectObject(dc, old);
             DeleteObject(b);
             DeleteObject(n);
         },
         {}},
        {"part: the gradient band (64 brushes created, filled, deleted)",
         "",
         [&] {
             FillVerticalGradient(dc, band, NotifySession.gradientFrom, NotifySession.gradientTo);
         },
         {}},
        {"part: LoadIconA of the two icons",
         "shared icons: the same handles come back",
         [&] {
             LoadIconA(moduleHandle, MAKEINTRESOURCEA(IDI_WARNING_ICON));
             LoadIconA(moduleHandle, MAKEINTRESOURCEA(IDI_APP_ICON));
         },
         {}},
        {"part: DrawIcon of the two icons",
         "32 x 32",
         [&] {
             DrawIcon(dc, 16, 16, corner);
             DrawIcon(dc, 244, 144, app);
         },
         {}},
        {"part: heading, body and underlined link (DrawTextA, fonts already made)",
         "",
         [&] {
             RECT heading = {62, 24, 268, 44}, body = {30, 60, 250, 160},
                  link = {30, 160, 250, 172};
             HGDIOBJ old = SelectObject(dc, bold);
             SetBkMode(dc, TRANSPARENT);
             DrawTextA(dc, "\xD0\xC2\xB0\xE6\xB1\xBE", -1, &heading, DT_WORDBREAK);
             SelectObject(dc, normal);
             DrawTextA(dc, "body text of the notification", -1, &body, DT_WORDBREAK);
             DrawUnderlinedText(dc, &link, "http://example.org/", 0, 0x00FF0000);
             SelectObject(dc, old);
         },
         {}},
    };
    const int runs = r.Of(200);
    for (int i = 0; i < runs + 20; ++i)
        for (Piece& piece : pieces) {
            const double t0 = NowMs();
            piece.work();
            if (i >= 20)
                piece.times.push_back(NowMs() - t0);  // the first 20 warm up
        }
    for (Piece& piece : pieces) PrintRow(piece.what, Ms(Median(piece.times), 3), runs, piece.note);

    DeleteObject(bold);
    DeleteObject(normal);
    DeleteObject(strip);
    SelectObject(dc, oldBitmap);
    DeleteObject(target);
    DeleteDC(dc);
    DestroyWindow(face);
}
