#include "support/gdi_count.h"

#include <windows.h>

namespace {
// The handle table's address sits in the process environment block (at 0xF8 in the 64-bit
// block, 0x94 in the 32-bit one). Wine lays its entries out alike for both: 24 bytes each (the
// object and user pointers are 64-bit fields), the object type in byte 14 (0 for a free entry).
#ifdef _WIN64
constexpr size_t kTableOffset = 0xF8;
#else
constexpr size_t kTableOffset = 0x94;
#endif
constexpr size_t kEntrySize = 24;
constexpr size_t kTypeOffset = 14;

const unsigned char* ProcessBlock()
{
    const unsigned char* peb;
#ifdef _WIN64
    __asm__("movq %%gs:0x60, %0" : "=r"(peb));  // the thread block's pointer to the process block
#else
    __asm__("movl %%fs:0x30, %0" : "=r"(peb));
#endif
    return peb;
}

BOOL CALLBACK CountOne(HWND, LPARAM counter)
{
    ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

#ifndef _WIN64
// A 32-bit process of a 64-bit prefix also has a 64-bit thread block, whose address its own
// block keeps in GdiBatchCount; the table's address is then in the 64-bit process block only.
// Both blocks lie below 4 GiB.
const unsigned char* Wow64HandleTable()
{
    const unsigned char* teb;
    __asm__("movl %%fs:0x18, %0" : "=r"(teb));
    const ULONG teb64 = *reinterpret_cast<const ULONG*>(teb + 0xF70);
    if (!teb64)
        return nullptr;
    const ULONG64 peb64 = *reinterpret_cast<const ULONG64*>(static_cast<UINT_PTR>(teb64) + 0x60);
    if (!peb64 || peb64 >> 32)
        return nullptr;
    const ULONG64 table = *reinterpret_cast<const ULONG64*>(static_cast<UINT_PTR>(peb64) + 0xF8);
    return table >> 32 ? nullptr
                       : reinterpret_cast<const unsigned char*>(static_cast<UINT_PTR>(table));
}
#endif

const unsigned char* HandleTable()
{
    const unsigned char* table =
        *reinterpret_cast<const unsigned char* const*>(ProcessBlock() + kTableOffset);
#ifndef _WIN64
    if (!table)
        table = Wow64HandleTable();
#endif
    return table;
}
}  // namespace

int CountLiveGdiObjects()
{
    const unsigned char* table = HandleTable();
    if (!table)
        return -1;
    int live = 0;
    for (int i = 0; i < kGdiTableEntries; ++i)
        if (table[i * kEntrySize + kTypeOffset] != 0)
            ++live;
    return live;
}

int CountGdiObjectsButRegions()
{
    const unsigned char* table = HandleTable();
    if (!table)
        return -1;
    const int kRegion = 4;
    int live = 0;
    for (int i = 0; i < kGdiTableEntries; ++i) {
        const int type = table[i * kEntrySize + kTypeOffset];
        live += type != 0 && type != kRegion;
    }
    return live;
}

std::vector<unsigned char> GdiEntryTypes()
{
    std::vector<unsigned char> types(kGdiTableEntries);
    const unsigned char* table = HandleTable();
    if (!table)
        return types;
    for (int i = 0; i < kGdiTableEntries; ++i) types[i] = table[i * kEntrySize + kTypeOffset];
    return types;
}

int CountThreadWindows()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountOne, reinterpret_cast<LPARAM>(&count));
    return count;
}
