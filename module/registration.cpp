// DllRegisterServer, DllUnregisterServer and DllInstall: the class keys from a table, the type
// library from the module file, and the three deletions, under the machine's classes or under
// the user's. Both places take exactly the same keys.
#include "module/registration.h"
#include "module/module_state.h"
#include "NtfObj.h"
#include <olectl.h>
#include <shlwapi.h>
#include <cstdio>

// Referenced by Invoke, so the linker keeps the section.
volatile LONG serverDisabled __attribute__((section(".shared"), shared)) = 0;

namespace {

struct RegistrationEntry {
    const char* keyPath;    // under the classes key; "%s" takes the CLSID text; null ends the table
    const char* valueName;  // null: the key's default value
    const char* value;      // null: the module's full file name
};

const RegistrationEntry kRegistration[] = {
    {"CLSID\\%s", nullptr, "NtfObj"},
    {"CLSID\\%s\\InprocServer32", nullptr, nullptr},
    {"CLSID\\%s\\InprocServer32", "ThreadingModel", "Apartment"},
    {nullptr, nullptr, nullptr},
};

// classes: HKEY_CLASSES_ROOT, or the user's Software\Classes.
bool WriteRegistrationTable(HKEY classes)
{
    char clsid[260];
    if (!GuidRegistryText(CLSID_NtfObj, clsid, sizeof clsid))
        return false;
    char moduleFile[260] = {};
    GetModuleFileNameA(moduleHandle, moduleFile, sizeof moduleFile);

    for (const RegistrationEntry* entry = kRegistration; entry->keyPath; ++entry) {
        char keyPath[300];
        wsprintfA(keyPath, entry->keyPath, clsid);
        HKEY key = nullptr;
        if (RegCreateKeyExA(classes, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return false;
        const char* value = entry->value ? entry->value : moduleFile;
        const LONG stored =
            RegSetValueExA(key, entry->valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>(lstrlenA(value) + 1));
        RegCloseKey(key);
        if (stored != ERROR_SUCCESS)
            return false;
    }
    return true;
}

// The type library the module carries, loaded from its short path (also the path registered).
ITypeLib* LoadModuleTypeLibrary(wchar_t (&path)[260])
{
    MultiByteToWideChar(CP_ACP, 0, moduleShortPath, -1, path, 260);
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLib(path, &library)))
        return nullptr;
    return library;
}

bool RegisterTypeLibrary(bool forUser)
{
    wchar_t path[260] = {};
    ITypeLib* library = LoadModuleTypeLibrary(path);
    if (!library)
        return false;
    HRESULT registered = E_NOTIMPL;  // a system without the per-user call (Windows XP)
    if (!forUser) {
        registered = RegisterTypeLib(library, path, nullptr);
    } else if (const UserTypeLibraryCalls calls = userTypeLibraryCalls(); calls.registerForUser) {
        registered = calls.registerForUser(library, path, nullptr);
    }
    library->Release();
    return SUCCEEDED(registered);
}

// The per-user call removes what the per-user registration wrote; the deletions that follow
// take whatever it leaves, so its own answer does not matter.
void UnregisterTypeLibraryForUser()
{
    const UserTypeLibraryCalls calls = userTypeLibraryCalls();
    if (!calls.unregisterForUser)
        return;
    wchar_t path[260] = {};
    ITypeLib* library = LoadModuleTypeLibrary(path);
    if (!library)
        return;
    TLIBATTR* attributes = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&attributes)) && attributes) {
        calls.unregisterForUser(attributes->guid, attributes->wMajorVerNum,
                                attributes->wMinorVerNum, attributes->lcid, attributes->syskind);
        library->ReleaseTLibAttr(attributes);
    }
    library->Release();
}

bool DeleteGuidKey(HKEY classes, const char* prefix, REFGUID guid)
{
    char text[260];
    if (!GuidRegistryText(guid, text, sizeof text))
        return false;
    char path[260] = {};
    _snprintf(path, sizeof path - 1, "%s\\%s", prefix, text);
    // A key that is not there is already gone; one that stays is a failure.
    return UnregistrationSucceeded(SHDeleteKeyA(classes, path));
}

// Installers and regsvr32 go by FAILED(): a failure must be an error code, never S_FALSE.
HRESULT Register(HKEY classes, bool forUser)
{
    if (!WriteRegistrationTable(classes))
        return RegistrationResult(false, false);  // the type library is then not registered
    return RegistrationResult(true, RegisterTypeLibrary(forUser));
}

HRESULT Unregister(HKEY classes, bool forUser)
{
    // A class key that stays means the server is still registered: nothing else is deleted
    // and dispatching stays on.
    if (!DeleteGuidKey(classes, "CLSID", CLSID_NtfObj))
        return RegistrationResult(false, false);
    if (forUser)
        UnregisterTypeLibraryForUser();
    const bool typeLibraryGone = DeleteGuidKey(classes, "TypeLib", LIBID_COMOBJLib);
    const bool interfaceGone = DeleteGuidKey(classes, "Interface", IID_IAxObj);
    serverDisabled = 1;
    return RegistrationResult(true, typeLibraryGone && interfaceGone);
}

template <class Fn> Fn OleAutomationFunction(const char* name)
{
    // The module imports oleaut32, so it is loaded for as long as the module is.
    HMODULE oleaut32 = GetModuleHandleA("oleaut32.dll");
    return oleaut32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(oleaut32, name)))
                    : nullptr;
}

}  // namespace

UserTypeLibraryCalls SystemUserTypeLibraryCalls()
{
    return {OleAutomationFunction<RegisterTypeLibForUserCall>("RegisterTypeLibForUser"),
            OleAutomationFunction<UnRegisterTypeLibForUserCall>("UnRegisterTypeLibForUser")};
}

UserTypeLibraryCalls (*userTypeLibraryCalls)() = SystemUserTypeLibraryCalls;

bool GuidRegistryText(REFGUID guid, char* text, int size)
{
    LPOLESTR wide = nullptr;
    if (FAILED(StringFromIID(guid, &wide)) || !wide)
        return false;
    text[0] = '\0';
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, size, nullptr, nullptr);
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(CoGetMalloc(1, &allocator)) && allocator) {
        allocator->Free(wide);
        allocator->Release();
    }
    return true;
}

bool UnregistrationSucceeded(LONG deleteResult)
{
    return deleteResult == ERROR_SUCCESS || deleteResult == ERROR_FILE_NOT_FOUND ||
           deleteResult == ERROR_PATH_NOT_FOUND;
}

HRESULT RegistrationResult(bool classDone, bool typeLibraryDone)
{
    if (!classDone)
        return SELFREG_E_CLASS;
    return typeLibraryDone ? S_OK : SELFREG_E_TYPELIB;
}

bool InstallsForUser(const wchar_t* commandLine)
{
    static const char kUser[] = "user";
    if (!commandLine)
        return false;
    for (int i = 0;; ++i) {
        wchar_t c = commandLine[i];
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != static_cast<wchar_t>(kUser[i]))
            return false;
        if (!c)
            return true;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return Register(HKEY_CLASSES_ROOT, false);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return Unregister(HKEY_CLASSES_ROOT, false);
}

// regsvr32 /n /i:user (and /u /n /i:user): the same keys for this user only, which needs no
// administrator. Any other command line registers or unregisters for the machine.
extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR commandLine)
{
    if (!InstallsForUser(commandLine))
        return install ? DllRegisterServer() : DllUnregisterServer();
    HKEY classes = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes", 0, nullptr, 0,
                        KEY_READ | KEY_WRITE, nullptr, &classes, nullptr) != ERROR_SUCCESS)
        return RegistrationResult(false, false);
    const HRESULT result = install ? Register(classes, true) : Unregister(classes, true);
    RegCloseKey(classes);
    return result;
}
