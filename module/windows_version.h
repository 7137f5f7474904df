// Which Windows the module runs on: the class the balloon flow asks for, and the old NT
// versions that show the arrow over a link.
#pragma once
#include <windows.h>

// Classes returned by ClassifyWindowsVersion.
enum WindowsVersionClass {
    kWinWin32s = 0,   // 95 family, major version below 4
    kWinOtherNT = 1,  // NT 3.x, 5.3 and later minors, 6.0 and later; or no version record
    kWin95 = 2,       // 95 family 4.x other than 98 and Me, or another major version
    kWin98 = 3,
    kWinMe = 4,
    kWinNT4 = 5,
    kWin2000 = 6,
    kWinXP = 7,
    kWinServer2003 = 8,
};

// The class of the running Windows.
int ClassifyWindowsVersion();

// The decision from the numbers: getVersion is GetVersion's result (bit 31 set for the 95
// family, major version in the low byte); info is what GetVersionExA filled in, or null when
// no version record could be had.
int ClassifyWindowsVersionFrom(DWORD getVersion, const OSVERSIONINFOA* info);

// Balloon tips are used on Windows XP and Server 2003 only.
inline bool UsesBalloonTips(int versionClass)
{
    return versionClass == kWinXP || versionClass == kWinServer2003;
}

// 1 on Windows NT 4.0 and older NT versions: they show the arrow, not the hand, over a link.
int IsOldNtPlatform();
// The same decision from the numbers GetVersionExA reports.
int IsOldNtVersion(DWORD platformId, DWORD majorVersion);
