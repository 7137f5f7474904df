// The soak's counters see what a host keeps: one bitmap, one window, one thread, memory.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "support/process_counters.h"

namespace {

DWORD WINAPI WaitForStop(void* stop)
{
    WaitForSingleObject(static_cast<HANDLE>(stop), INFINITE);
    return 0;
}

// Threads that have returned leave the snapshot a little later.
int SettledThreads(int want)
{
    int now = CountProcessThreads();
    for (int i = 0; i < 200 && now != want; ++i) {  // want -1: just wait a while
        Sleep(10);
        now = CountProcessThreads();
    }
    return now;
}

// What a leaking host would keep: a bitmap, a window and a message-only window, a thread,
// 8 MiB touched, and 1,000 small blocks of 100 bytes.
struct Kept {
    static constexpr size_t kLarge = 8 << 20;
    HBITMAP bitmap = nullptr;
    HWND window = nullptr, messageOnly = nullptr;
    HANDLE stop = nullptr, thread = nullptr;
    char* large = nullptr;
    std::vector<void*> small;
    ProcessCounts withLarge = {};

    void Take()
    {
        bitmap = CreateBitmap(8, 8, 1, 32, nullptr);
        window = CreateWindowExA(0, "STATIC", "kept", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
        messageOnly = CreateWindowExA(0, "STATIC", "kept", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      nullptr, nullptr);
        stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread = CreateThread(nullptr, 0, WaitForStop, stop, 0, nullptr);
        large = static_cast<char*>(std::malloc(kLarge));
        if (large)
            std::memset(large, 1, kLarge);
        withLarge = ReadProcessCounts();
        for (int i = 0; i < 1000; ++i) small.push_back(std::malloc(100));
    }
    void GiveBack()
    {
        for (void* p : small) std::free(p);
        small.clear();
        std::free(large);
        SetEvent(stop);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        CloseHandle(stop);
        DestroyWindow(messageOnly);
        DestroyWindow(window);
        DeleteObject(bitmap);
    }
};

TEST(ProcessCounters, SeeWhatIsKeptAndWhatIsGivenBack)
{
    // The first window, thread and allocations of a process set up what Wine keeps for them
    // (caches, heap pages): a warm-up round comes first.
    Kept warmUp;
    warmUp.Take();
    warmUp.GiveBack();
    SettledThreads(-1);
    // Wine gives a thread's first window an input method window and takes it away with the
    // last one: a window that stays keeps it out of the figures.
    HWND resident = CreateWindowExA(0, "STATIC", "resident", WS_POPUP, 0, 0, 10, 10, nullptr,
                                    nullptr, nullptr, nullptr);

    const ProcessCounts before = ReadProcessCounts();
    ASSERT_GT(before.gdiObjects, 0);
    ASSERT_GT(before.threads, 0);
    ASSERT_GT(before.privateBytes, 0u) << "no private memory figure";
    ASSERT_GT(before.heapBytes, 0u);

    Kept kept;
    kept.Take();
    ASSERT_NE(kept.large, nullptr);
    const ProcessCounts keeping = ReadProcessCounts();
    EXPECT_EQ(keeping.gdiObjects, before.gdiObjects + 1);
    EXPECT_EQ(keeping.windows, before.windows + 2);
    EXPECT_EQ(SettledThreads(before.threads + 1), before.threads + 1);
    EXPECT_GE(kept.withLarge.privateBytes, before.privateBytes + Kept::kLarge);
    EXPECT_GE(kept.withLarge.heapBytes, before.heapBytes + Kept::kLarge);
    // Busy blocks count their requested size: the small leak shows to the byte, give or take
    // the heap's own records.
    EXPECT_GE(keeping.heapBytes - kept.withLarge.heapBytes, 1000u * 100u);
    EXPECT_LT(keeping.heapBytes - kept.withLarge.heapBytes, 1000u * 100u + 16384u);

    kept.GiveBack();
    const ProcessCounts after = ReadProcessCounts();
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_EQ(SettledThreads(before.threads), before.threads);
    // A block this large is mapped on its own and unmapped when freed.
    EXPECT_LT(after.privateBytes, before.privateBytes + Kept::kLarge / 2);
    EXPECT_LT(after.heapBytes, before.heapBytes + 16384u);
    DestroyWindow(resident);
}

}  // namespace
