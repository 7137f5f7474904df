// Action through the COM object, from the call until the popup rests fully shown (Action
// returns there when the style has no NS_WAIT), against the sleep floor of its slide; and the
// pieces of a slide: its sleeps, its moves without paints (the slide-out), the paints.
#include "tools/bench/bench.h"

#include <cstdio>

#include "popup/notify_session.h"
#include "popup/show_notification.h"
#include "popup/slide_pacing.h"

namespace {
const DWORD kSlidePauseMs = 3;

// Paint messages taken from the queue, when the first one came, and when WM_CREATE ended.
int paintsSeen = 0;
double firstPaintAt = 0, createdAt = 0, shownAt = 0;

LRESULT CALLBACK SeeCreate(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    char cls[16] = "";
    if (code == HC_ACTION && call->message == WM_CREATE &&
        GetClassNameA(call->hwnd, cls, sizeof cls) && lstrcmpA(cls, "VorbelNotify") == 0)
        createdAt = NowMs();
    // Shown by the start of the slide-in.
    if (code == HC_ACTION && call->message == WM_SHOWWINDOW && call->wParam &&
        call->hwnd == NotifySession.popupWindow)
        shownAt = NowMs();
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CountPaints(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_PAINT && msg->hwnd &&
        msg->hwnd == NotifySession.popupWindow) {
        if (paintsSeen++ == 0)
            firstPaintAt = NowMs();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct ActionFigures {
    double total, toCreated, toFirstPaint, paints, slide;
};

// Every popup here closes by DestroyWindow, the way its owner's end takes it along.
void ClosePopup()
{
    if (IsWindow(NotifySession.popupWindow))
        DestroyWindow(NotifySession.popupWindow);
    PumpMessages();
}

ActionFigures TimeActions(IAxObj* object, bool checks, int runs)
{
    BSTR heading = SysAllocString(L"\x65B0\x7248\x672C");  // 新版本
    BSTR body = SysAllocString(L"body text of the notification");
    BSTR display = SysAllocString(L"release notes");
    BSTR url = SysAllocString(L"http://example.org/");
    BSTR list = SysAllocString(L"Remember|Install tonight");
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, CountPaints, nullptr, GetCurrentThreadId());
    HHOOK createHook =
        SetWindowsHookExA(WH_CALLWNDPROCRET, SeeCreate, nullptr, GetCurrentThreadId());
    std::vector<double> totals, created, firsts, paints, slides;
    for (int i = 0; i < runs + 2; ++i) {
        short ret = 0;
        if (checks)
            object->SetCheckInfo(list, 1, &ret);
        paintsSeen = 0;
        const double t0 = NowMs();
        object->Action(heading, body, display, url, 0, 0, &ret);
        const double t1 = NowMs();
        if (i >= 2) {  // the first two register classes and fill caches
            totals.push_back(t1 - t0);
            created.push_back(createdAt - t0);
            firsts.push_back(paintsSeen ? firstPaintAt - t0 : 0);
            paints.push_back(paintsSeen);
            slides.push_back(t1 - shownAt);
        }
        ClosePopup();
    }
    UnhookWindowsHookEx(createHook);
    UnhookWindowsHookEx(hook);
    for (BSTR b : {heading, body, display, url, list}) SysFreeString(b);
    return {Median(totals), Median(created), Median(firsts), Median(paints), Median(slides)};
}

// The sleeps of one slide alone.
double TimeSleeps(int steps, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double t0 = NowMs();
        for (int s = 0; s < steps; ++s) Sleep(kSlidePauseMs);
        times.push_back(NowMs() - t0);
    }
    return Median(times);
}

// Windows' default timer: a Sleep(3) lasts until the next 15.6-ms tick. The slide keeps the
// real clock; only its waits are stretched to a tick each.
LONGLONG RealMicroseconds(void*)
{
    return static_cast<LONGLONG>(NowMs() * 1000.0);
}

void WaitOneTick(void*, DWORD)
{
    const double end = NowMs() + 15.625;
    for (double left = end - NowMs(); left > 0; left = end - NowMs())
        Sleep(left > 3 ? static_cast<DWORD>(left - 2) : 0);
}

const SlideClock kTickClock = {RealMicroseconds, WaitOneTick, nullptr};

std::string Figure(const char* format, double a, double b)
{
    char text[160];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}
}  // namespace

void BenchAction(const BenchRuns& r)
{
    InitialNotifySession(&NotifySession);
    IAxObj* object = MakeNtfObj();
    if (!object) {
        std::printf("the class factory made no object\n");
        return;
    }
    const int runs = r.Of(15);
    const struct {
        bool checks;
        int steps;
        const char* what;
    } kinds[] = {
        {false, 54, "`Action` through the object until the popup rests shown, 160 px (54 steps)"},
        {true, 60, "`Action` with two check boxes, 180 px (60 steps)"}};
    for (const auto& kind : kinds) {
        const ActionFigures f = TimeActions(object, kind.checks, runs);
        const double sleeps = TimeSleeps(kind.steps, runs);
        const double designed = kind.steps * 3.0;
        PrintRow(
            kind.what, Ms(f.total), runs,
            Figure("slide from shown to rest %.1f ms, %.2f x the designed", f.slide,
                   f.slide / designed) +
                Figure(" %.0f ms; whole call %.2f x", designed, f.total / designed) +
                Figure("; %.1f ms for %.0f Sleep(3) calls alone", sleeps, kind.steps) +
                Figure("; window made (WM_CREATE done) after %.1f ms, first paint after %.1f ms",
                       f.toCreated, f.toFirstPaint) +
                Figure("; %.0f paints in %.0f steps", f.paints, kind.steps));
        SetSlideClock(&kTickClock);
        const ActionFigures tick = TimeActions(object, kind.checks, runs);
        SetSlideClock(nullptr);
        PrintRow(
            std::string("the same, each wait lasting a 15.6-ms timer tick as on Windows"),
            Ms(tick.total), runs,
            Figure("slide from shown to rest %.1f ms, %.2f x the designed", tick.slide,
                   tick.slide / designed) +
                Figure(" %.0f ms; whole call %.2f x", designed, tick.total / designed) +
                Figure("; window made after %.1f ms, %.0f paints", tick.toCreated, tick.paints));
    }

    // A shown popup: its whole face repainted on the screen, then only the bottom strip, then
    // the slide-out, whose moves uncover nothing of the popup and so bring no paints.
    std::vector<double> whole, strip, slideOut, slideOutTick, movesTopmost, movesPlain;
    for (int i = 0; i < runs; ++i) {
        short ret = 0;
        BSTR text = SysAllocString(L"body text of the notification");
        object->Action(text, text, text, text, 0, 0, &ret);
        HWND popup = NotifySession.popupWindow;
        RECT bottom = {0, NotifySession.popupHeight - 3, NotifySession.popupWidth,
                       NotifySession.popupHeight};
        for (int k = 0; k < 5; ++k) {
            double t0 = NowMs();
            InvalidateRect(popup, nullptr, FALSE);
            UpdateWindow(popup);
            whole.push_back(NowMs() - t0);
            t0 = NowMs();
            InvalidateRect(popup, &bottom, FALSE);
            UpdateWindow(popup);
            strip.push_back(NowMs() - t0);
        }
        // The moves of one slide alone, as the slide makes them and without the z-order step.
        const int x = NotifySession.shownX, y = NotifySession.shownY;
        for (int pass = 0; pass < 2; ++pass) {
            const double m0 = NowMs();
            for (int s = 0; s < 54; ++s)
                if (pass == 0)
                    SetWindowPos(popup, HWND_TOPMOST, x, y + (s & 1), 0, 0, SWP_NOSIZE);
                else
                    SetWindowPos(popup, nullptr, x, y + (s & 1), 0, 0,
                                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            (pass == 0 ? movesTopmost : movesPlain).push_back(NowMs() - m0);
            SetWindowPos(popup, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE);
            PumpMessages();
        }
        const double t0 = NowMs();
        SlideOutPopup();
        slideOut.push_back(NowMs() - t0);
        ClosePopup();
        // Once more with waits of a timer tick.
        object->Action(text, text, text, text, 0, 0, &ret);
        SetSlideClock(&kTickClock);
        const double t1 = NowMs();
        SlideOutPopup();
        slideOutTick.push_back(NowMs() - t1);
        SetSlideClock(nullptr);
        ClosePopup();
        SysFreeString(text);
    }
    PrintRow("repaint of the shown popup on the screen (InvalidateRect, UpdateWindow)",
             Ms(Median(whole), 3), static_cast<int>(whole.size()), "whole face");
    PrintRow("the same, only the 3-px bottom strip invalid", Ms(Median(strip), 3),
             static_cast<int>(strip.size()), "what each slide-in step repaints");
    PrintRow("slide-out of the 160-px popup (`SlideOutPopup`, 54 steps)", Ms(Median(slideOut)),
             runs,
             Figure("%.2f x the designed %.0f ms; moves and waits without paints",
                    Median(slideOut) / 162.0, 162.0));
    PrintRow("the same, each wait lasting a 15.6-ms timer tick", Ms(Median(slideOutTick)), runs,
             Figure("%.2f x the designed %.0f ms", Median(slideOutTick) / 162.0, 162.0));
    PrintRow("54 moves of the shown popup, `HWND_TOPMOST` and `SWP_NOSIZE` as the slide makes them",
             Ms(Median(movesTopmost)), runs, "1-px moves, no sleeps");
    PrintRow("54 moves with `SWP_NOZORDER \\| SWP_NOACTIVATE` instead", Ms(Median(movesPlain)),
             runs, "for comparison only");
    object->Release();
}
