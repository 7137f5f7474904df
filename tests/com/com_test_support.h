// Helpers of the tests that drive the built DLL from outside: its path, programs started in
// the test prefix, registry values read back.
#pragma once
#include <windows.h>
#include <string>

#include "support/child_process.h"  // BinFolder
#include "support/emulation.h"

// Runs a command line in the prefix and returns its exit code (-1: it did not start or end).
inline DWORD RunProgram(std::wstring commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return static_cast<DWORD>(-1);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, SafetyLimitMs(60000)) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

inline DWORD Regsvr32(const std::wstring& dll, bool unregister = false)
{
    return RunProgram(std::wstring(L"regsvr32.exe /s ") + (unregister ? L"/u " : L"") + L"\"" +
                      dll + L"\"");
}

// A REG_SZ value under HKEY_CLASSES_ROOT (null name: the default value); "<missing>" if absent.
inline std::wstring ClassesValue(const std::wstring& key, const wchar_t* name = nullptr)
{
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return L"<missing>";
    return value;
}

inline bool ClassesKeyExists(const std::wstring& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

inline const wchar_t kClsidKey[] = L"CLSID\\{ABEC6103-F6AC-43A3-834F-FB03FBA339A2}";
inline const wchar_t kTypeLibKey[] = L"TypeLib\\{F9AD9D67-EFA8-480E-8291-0163F3960DE7}";
inline const wchar_t kInterfaceKey[] = L"Interface\\{48E688C8-609F-4B08-944E-3C7FAB99CD08}";

// Sets the access list of an existing key: empty (no one may open it) or none at all (everyone
// may). Its owner may always change it.
inline bool SetKeyAccess(HKEY root, const std::wstring& path, bool locked)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ACL empty;
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, locked ? &empty : nullptr, FALSE);
    const bool set =
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}
