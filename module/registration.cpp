// DllRegisterServer and DllUnregisterServer: the class keys from a table, the type library
// from the module file, and the three deletions.
#include "module/registration.h"
#include "module/module_state.h"
#include "NtfObj.h"
#include <shlwapi.h>
#include <cstdio>

// Referenced by Invoke, so the linker keeps the section.
volatile LONG serverDisabled __attribute__((section(".shared"), shared)) = 0;

namespace {

struct RegistrationEntry {
    HKEY root;             // null ends the table
    const char* keyPath;   // "%s" takes the CLSID text
    const char* valueName; // null: the key's default value
    const char* value;     // null: the module's full file name
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
        RegSetValueExA(key, entry->valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>(lstrlenA(value) + 1));
        RegCloseKey(key);
    }
    return true;
}

void RegisterTypeLibrary()
{
    wchar_t path[260] = {};
    MultiByteToWideChar(CP_ACP, 0, moduleShortPath, -1, path, 260);
    ITypeLib* library = nullptr;
    if (SUCCEEDED(LoadTypeLib(path, &library)) && library) {
        RegisterTypeLib(library, path, nullptr);
        library->Release();
    }
}

bool DeleteGuidKey(const char* prefix, REFGUID guid)
{
    char text[260];
    if (!GuidRegistryText(guid, text, sizeof text))
        return false;
    char path[260] = {};
    _snprintf(path, sizeof path - 1, "%s\\%s", prefix, text);
    // A key that is not there, or cannot be deleted, is no failure.
    SHDeleteKeyA(HKEY_CLASSES_ROOT, path);
    return true;
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

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    if (!WriteRegistrationTable())
        return S_FALSE;
    RegisterTypeLibrary();
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    if (!DeleteGuidKey("CLSID", CLSID_NtfObj))
        return S_FALSE;
    DeleteGuidKey("TypeLib", LIBID_COMOBJLib);
    DeleteGuidKey("Interface", IID_IAxObj);
    serverDisabled = 1;
    return S_OK;
}
