#include "support/process_counters.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <vector>

#include "support/gdi_count.h"

// The kernel's own entry (Windows 7 and later, and Wine), so that no test needs psapi.
extern "C" BOOL WINAPI K32GetProcessMemoryInfo(HANDLE process, PPROCESS_MEMORY_COUNTERS counters,
                                               DWORD size);

int CountProcessThreads()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    const DWORD self = GetCurrentProcessId();
    int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == self)
            ++count;
        entry.dwSize = sizeof entry;
    }
    CloseHandle(snapshot);
    return count;
}

namespace {
struct WindowCount {
    const char* cls;
    int count;
};

BOOL CALLBACK CountIfOurs(HWND window, LPARAM param)
{
    WindowCount& found = *reinterpret_cast<WindowCount*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        return TRUE;
    char cls[64] = "";
    if (found.cls)
        GetClassNameA(window, cls, sizeof cls);
    if (!found.cls || lstrcmpiA(cls, found.cls) == 0)
        ++found.count;
    return TRUE;
}
}  // namespace

int CountProcessWindows(const char* cls)
{
    WindowCount found = {cls, 0};
    EnumWindows(CountIfOurs, reinterpret_cast<LPARAM>(&found));
    // EnumWindows leaves out message-only windows (COM's apartment window is one, and so is a
    // popup whose owner is HWND_MESSAGE).
    for (HWND window = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr))
        CountIfOurs(window, reinterpret_cast<LPARAM>(&found));
    return found.count;
}

size_t PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(),
                                 reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                 sizeof counters))
        return 0;
    // Wine fills only the basic record (and says so in cb): its PagefileUsage is the figure
    // that Windows reports both there and as PrivateUsage, the commit charge.
    return counters.cb >= sizeof counters ? counters.PrivateUsage : counters.PagefileUsage;
}

size_t HeapBytesInUse()
{
    std::vector<HANDLE> heaps(64);
    DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    if (count > heaps.size()) {
        heaps.resize(count);
        count = GetProcessHeaps(count, heaps.data());
    }
    size_t total = 0;
    for (DWORD i = 0; i < count && i < heaps.size(); ++i) {
        if (!HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                total += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return total;
}

ProcessCounts ReadProcessCounts()
{
    ProcessCounts counts;
    counts.gdiObjects = CountLiveGdiObjects();
    counts.windows = CountProcessWindows();
    counts.threads = CountProcessThreads();
    counts.privateBytes = PrivateBytes();
    counts.heapBytes = HeapBytesInUse();
    return counts;
}
