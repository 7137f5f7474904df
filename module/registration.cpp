// DllRegisterServer and DllUnregisterServer: the class keys from a table, the type library
// from the module file, and the three deletions.
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
    HKEY root;              // null ends the table
    const char* keyPath;    // "%s" takes the CLSID text
    const char* valueName;  // null: the key's default value
    const char* value;      // null: the module's full file name
};

const RegistrationEntry kRegistration[] = {
    {HKEY_CLASSES_ROOT, "CLSID\\%s", nullptr, "NtfObj"},
    {HKEY_CLASSES_ROOT, "CLSID\\%s\\InprocServer32", nullptr, nullptr},
    {HKEY_CLASSES_ROOT, "CLSID\\%s\\InprocServer32", "ThreadingModel", "Apartment"},
    {nullptr, nullptr, nullptr, nullptr},
};

bool WriteRegistrationTable()
{
    char clsid[260];
    if (!GuidRegistryText(CLSID_NtfObj, clsid, sizeof clsid))
        return false;
    char moduleFile[260] = {};
    GetModuleFileNameA(moduleHandle, moduleFile, sizeof moduleFile);

    for (const RegistrationEntry* entry = kRegistration; entry->root; ++entry) {
        char keyPath[300];
        wsprintfA(keyPath, entry->keyPath, clsid);
        HKEY key = nullptr;
        if (RegCreateKeyExA(entry->root, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
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

bool RegisterTypeLibrary()
{
    wchar_t path[260] = {};
    MultiByteToWideChar(CP_ACP, 0, moduleShortPath, -1, path, 260);
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLib(path, &library)) || !library)
        return false;
    const HRESULT registered = RegisterTypeLib(library, path, nullptr);
    library->Release();
    return SUCCEEDED(registered);
}

bool DeleteGuidKey(const char* prefix, REFGUID guid)
{
    char text[260];
    if (!GuidRegistryText(guid, text, sizeof text))
        return false;
    char path[260] = {};
    _snprintf(path, sizeof path - 1, "%s\\%s", prefix, text);
    // A key that is not there is already gone; one that stays is a failure.
    return UnregistrationSucceeded(SHDeleteKeyA(HKEY_CLASSES_ROOT, path));
}

}  // namespace

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

// Installers and regsvr32 go by FAILED(): a failure must be an error code, never S_FALSE.
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    if (!WriteRegistrationTable())
        return RegistrationResult(false, false);  // the type library is then not registered
    return RegistrationResult(true, RegisterTypeLibrary());
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    // A class key that stays means the server is still registered: nothing else is deleted
    // and dispatching stays on.
    if (!DeleteGuidKey("CLSID", CLSID_NtfObj))
        return RegistrationResult(false, false);
    const bool typeLibraryGone = DeleteGuidKey("TypeLib", LIBID_COMOBJLib);
    const bool interfaceGone = DeleteGuidKey("Interface", IID_IAxObj);
    serverDisabled = 1;
    return RegistrationResult(true, typeLibraryGone && interfaceGone);
}
