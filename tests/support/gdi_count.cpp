#include "support/gdi_count.h"

#include <windows.h>

namespace {
// The handle table sits at this offset of the 64-bit process environment block; each of its
// entries is 24 bytes and holds the object type in byte 14 (0 for a free entry).
constexpr size_t kTableOffset = 0xF8;
constexpr int kEntries = 65536;
constexpr size_t kEntrySize = 24;
constexpr size_t kTypeOffset = 14;
static_assert(sizeof(void*) == 8, "the GDI handle table layout used here is the 64-bit one");

BOOL CALLBACK CountOne(HWND, LPARAM counter)
{
    ++*reinterpret_cast<int*>(counter);
    return TRUE;
}
}

int CountLiveGdiObjects()
{
    // The thread block's pointer to the process block, at gs:0x60 on x86_64.
    const unsigned char* peb;
    __asm__("movq %%gs:0x60, %0" : "=r"(peb));
    const unsigned char* table = *reinterpret_cast<const unsigned char* const*>(peb + kTableOffset);
    if (!table) return -1;
    int live = 0;
    for (int i = 0; i < kEntries; ++i)
        if (table[i * kEntrySize + kTypeOffset] != 0) ++live;
    return live;
}

int CountThreadWindows()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountOne, reinterpret_cast<LPARAM>(&count));
    return count;
}
