// Counting what this process holds, for tests that run the module many times and check that
// it gives everything back: threads, windows of every thread, private memory and heap bytes.
// Live GDI objects are counted by gdi_count.h.
#pragma once
#include <cstddef>

// Threads of this process (a Toolhelp32 snapshot), or -1 when no snapshot could be taken.
int CountProcessThreads();

// Top-level windows of every thread of this process, message-only windows included; with
// `cls`, only those of that class.
int CountProcessWindows(const char* cls = nullptr);

// PrivateUsage of PROCESS_MEMORY_COUNTERS_EX in bytes. Under Wine it is the process's
// resident anonymous memory plus its swap (RssAnon + VmSwap of /proc/self/status): pages that
// were touched, not address space that was only reserved or committed.
size_t PrivateBytes();

// Bytes in busy blocks of every heap of the process (HeapWalk), the C runtime's included.
size_t HeapBytesInUse();

// One reading of every counter.
struct ProcessCounts {
    int gdiObjects;
    int windows;
    int threads;
    size_t privateBytes;
    size_t heapBytes;
};
ProcessCounts ReadProcessCounts();
