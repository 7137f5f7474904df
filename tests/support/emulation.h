// Safety limits of the tests' waits. Where 32-bit code runs under emulation (wine-prefix.sh
// sets NTF_EMULATED) a program starts in about a minute and its own work runs several times
// slower, so a limit meant to catch a hang grows with it. Only limits: no test measures time.
#pragma once
#include <windows.h>

inline bool RunsUnderEmulation()
{
    char value[8] = {};
    return GetEnvironmentVariableA("NTF_EMULATED", value, sizeof value) > 0 && value[0] == '1';
}

inline DWORD SafetyLimitMs(DWORD ms)
{
    static const bool emulated = RunsUnderEmulation();
    return emulated ? ms * 8 : ms;
}
