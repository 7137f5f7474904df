#include "tray/windows_version.h"
#include "tray/tray_thread.h"

int ClassifyWindowsVersionFrom(DWORD getVersion, const OSVERSIONINFOA* info)
{
    if (getVersion & 0x80000000u) {
        if (LOBYTE(LOWORD(getVersion)) < 4)
            return kWinWin32s;
        if (!info || info->dwMajorVersion != 4)
            return kWin95;
        if (info->dwMinorVersion == 10)
            return kWin98;
        if (info->dwMinorVersion == 90)
            return kWinMe;
        return kWin95;
    }
    if (!info)
        return kWinOtherNT;
    if (info->dwMajorVersion == 4)
        return kWinNT4;
    if (info->dwMajorVersion == 5) {
        switch (info->dwMinorVersion) {
        case 0: return kWin2000;
        case 1: return kWinXP;
        case 2: return kWinServer2003;
        }
    }
    return kWinOtherNT;
}

int ClassifyWindowsVersion()
{
    DWORD version = GetVersion();
    // Win32s is told apart by GetVersion alone.
    if ((version & 0x80000000u) && LOBYTE(LOWORD(version)) < 4)
        return kWinWin32s;
    static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA");
    auto* info = static_cast<OSVERSIONINFOA*>(
        HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(OSVERSIONINFOA)));
    if (info) {
        info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(info)) {
            HeapFree(GetProcessHeap(), 0, info);
            info = nullptr;
        }
    }
    int result = ClassifyWindowsVersionFrom(version, info);
    if (info)
        HeapFree(GetProcessHeap(), 0, info);
    return result;
}
