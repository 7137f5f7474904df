#include "support/guarded_memory.h"

#include <cstring>

GuardedBytes::GuardedBytes(size_t size)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    const size_t pages = (size + page - 1) / page + 1;
    base_ = static_cast<BYTE*>(
        VirtualAlloc(nullptr, pages * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    end_ = base_ + (pages - 1) * page;
    DWORD old = 0;
    VirtualProtect(end_, page, PAGE_NOACCESS, &old);
    data_ = end_ - size;
}

GuardedBytes::~GuardedBytes()
{
    VirtualFree(base_, 0, MEM_RELEASE);
}

GuardedText::GuardedText(const std::string& text) : bytes_(text.size() + 1)
{
    std::memcpy(bytes_.data(), text.c_str(), text.size() + 1);
}
