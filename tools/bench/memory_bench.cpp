// What a shown popup costs the host process: private memory, live GDI objects and windows,
// read before the popup, while it rests shown, and after it has closed.
#include "tools/bench/bench.h"

#include <psapi.h>
#include <cstdio>

#include "popup/notify_session.h"
#include "support/gdi_count.h"

namespace {
struct Counters {
    double privateKiB, committedKiB, workingSetKiB;
    int gdi, windows;
};

// Committed private memory summed over the address space: Wine 8 reports PrivateUsage as 0,
// so this walk stands for it (on Windows the two agree closely).
double CommittedPrivateKiB()
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    double total = 0;
    const char* address = static_cast<const char*>(system.lpMinimumApplicationAddress);
    MEMORY_BASIC_INFORMATION region;
    while (address < system.lpMaximumApplicationAddress &&
           VirtualQuery(address, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        address = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    }
    return total / 1024.0;
}

BOOL CALLBACK PrintClass(HWND window, LPARAM)
{
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof cls);
    std::printf(" %s", cls);
    return TRUE;
}

BOOL CALLBACK CountChild(HWND, LPARAM counter)
{
    ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

BOOL CALLBACK CountWithChildren(HWND window, LPARAM counter)
{
    ++*reinterpret_cast<int*>(counter);
    EnumChildWindows(window, CountChild, counter);
    return TRUE;
}

Counters Read()
{
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof memory);
    int windows = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWithChildren, reinterpret_cast<LPARAM>(&windows));
    return {memory.PrivateUsage / 1024.0, CommittedPrivateKiB(), memory.WorkingSetSize / 1024.0,
            CountLiveGdiObjects(), windows};
}

struct Kind {
    const char* what;
    const wchar_t* checks;
    const wchar_t* buttons;
    const wchar_t* list;
    long style;
};

void Show(IAxObj* object, const Kind& kind)
{
    short ret = 0;
    BSTR checks = kind.checks ? SysAllocString(kind.checks) : nullptr;
    BSTR buttons = kind.buttons ? SysAllocString(kind.buttons) : nullptr;
    BSTR list = kind.list ? SysAllocString(kind.list) : nullptr;
    if (checks)
        object->SetCheckInfo(checks, 1, &ret);
    if (buttons)
        object->SetButtonInfo(buttons, 1, &ret);
    if (list)
        object->SetComboxInfo(list, 0, &ret);
    BSTR heading = SysAllocString(L"\x65B0\x7248\x672C");
    BSTR body = SysAllocString(L"body text of the notification");
    BSTR url = SysAllocString(L"http://example.org/");
    object->Action(heading, body, url, url, 0, kind.style, &ret);
    for (BSTR b : {checks, buttons, list, heading, body, url}) SysFreeString(b);
}

void Close()
{
    if (IsWindow(NotifySession.popupWindow))
        DestroyWindow(NotifySession.popupWindow);
    PumpMessages();
}

std::string Figure(const Counters& c)
{
    char text[200];
    std::snprintf(text, sizeof text,
                  "committed private %.0f KiB, PrivateUsage %.0f KiB, working set %.0f KiB, %d "
                  "live GDI objects",
                  c.committedKiB, c.privateKiB, c.workingSetKiB, c.gdi);
    return text;
}

std::string Delta(double kib, int gdi, int windows)
{
    char text[96];
    std::snprintf(text, sizeof text, "%+.0f KiB, %+d GDI, %+d windows", kib, gdi, windows);
    return text;
}
}  // namespace

void BenchMemory(const BenchRuns& r)
{
    InitialNotifySession(&NotifySession);
    IAxObj* object = MakeNtfObj();
    if (!object)
        return;
    const int runs = r.Of(9);
    const Kind kinds[] = {
        {"plain popup (heading, body, link)", nullptr, nullptr, nullptr, 0},
        {"popup with 3 check boxes and a row of 3 buttons", L"Remember|Tonight|Never",
         L"Yes|No|Later", nullptr, 0},
        {"popup with 3 check boxes, a 3-item drop-down list and the close button",
         L"Remember|Tonight|Never", nullptr, L"Red|Green|Blue", NTF_STYLE_CLOSEBOX},
    };
    for (const Kind& kind : kinds) {
        // Warm-up: classes, caches, the heap's first growth. The first popup of its kind in the
        // process is reported apart.
        Counters firstBefore = Read(), firstShown = firstBefore;
        for (int i = 0; i < 3; ++i) {
            Show(object, kind);
            if (i == 0)
                firstShown = Read();
            if (i == 0 && kind.style == 0 && !kind.checks) {
                // Which windows a plain popup adds, for the notes.
                std::printf("<!-- windows of this thread while a plain popup is shown:");
                EnumThreadWindows(GetCurrentThreadId(), PrintClass, 0);
                std::printf(" -->\n");
            }
            Close();
        }
        PrintRow(std::string("first popup of its kind in the process: ") + kind.what,
                 Delta(firstShown.committedKiB - firstBefore.committedKiB,
                       firstShown.gdi - firstBefore.gdi, firstShown.windows - firstBefore.windows),
                 1, "while shown, against the moment before it");
        std::vector<double> shownPrivate, shownKiB, shownGdi, shownWindows, afterKiB, afterGdi,
            afterWindows, shownWs;
        for (int i = 0; i < runs; ++i) {
            const Counters before = Read();
            Show(object, kind);
            const Counters shown = Read();
            Close();
            const Counters after = Read();
            shownPrivate.push_back(shown.privateKiB - before.privateKiB);
            shownKiB.push_back(shown.committedKiB - before.committedKiB);
            shownWs.push_back(shown.workingSetKiB - before.workingSetKiB);
            shownGdi.push_back(shown.gdi - before.gdi);
            shownWindows.push_back(shown.windows - before.windows);
            afterKiB.push_back(after.committedKiB - before.committedKiB);
            afterGdi.push_back(after.gdi - before.gdi);
            afterWindows.push_back(after.windows - before.windows);
        }
        char note[200];
        std::snprintf(note, sizeof note,
                      "PrivateUsage %+.0f KiB, working set %+.0f KiB; after the close: %s",
                      Median(shownPrivate), Median(shownWs),
                      Delta(Median(afterKiB), static_cast<int>(Median(afterGdi)),
                            static_cast<int>(Median(afterWindows)))
                          .c_str());
        PrintRow(std::string("while shown (committed private memory, GDI objects, windows): ") +
                     kind.what,
                 Delta(Median(shownKiB), static_cast<int>(Median(shownGdi)),
                       static_cast<int>(Median(shownWindows))),
                 runs, note);
    }
    const Counters now = Read();
    PrintRow("the bench process itself, afterwards", "-", 1, Figure(now));
    object->Release();
}
