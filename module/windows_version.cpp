#include "module/windows_version.h"

#include <cstring>

static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA");

namespace {
// What GetVersionExA reports; false when it reports nothing.
bool ReadVersionRecord(OSVERSIONINFOA* info)
{
    std::memset(info, 0, sizeof *info);
    info->dwOSVersionInfoSize = sizeof *info;
    return GetVersionExA(info) != 0;
}
}  // namespace

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
        case 0:
            return kWin2000;
        case 1:
            return kWinXP;
        case 2:
            return kWinServer2003;
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
    OSVERSIONINFOA info;
    return ClassifyWindowsVersionFrom(version, ReadVersionRecord(&info) ? &info : nullptr);
}

int IsOldNtVersion(DWORD platformId, DWORD majorVersion)
{
    return platformId == VER_PLATFORM_WIN32_NT && majorVersion <= 4 ? 1 : 0;
}

int IsOldNtPlatform()
{
    OSVERSIONINFOA info;
    if (!ReadVersionRecord(&info))
        return 0;
    return IsOldNtVersion(info.dwPlatformId, info.dwMajorVersion);
}
