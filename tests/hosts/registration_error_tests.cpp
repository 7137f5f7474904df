// Registration that fails for real: a class key that no one may open (an empty access list),
// a type-library key under which nothing lasting can be created (a volatile key), and a
// type-library key that cannot be deleted. DllRegisterServer and DllUnregisterServer answer
// SELFREG_E_CLASS or SELFREG_E_TYPELIB, and regsvr32 reports the failure instead of success.
#include <gtest/gtest.h>
#include <windows.h>
#include <olectl.h>
#include <shlwapi.h>
#include <cstdio>
#include <string>
#include <utility>

#include "NtfObj.h"
#include "com/com_test_support.h"

namespace {

using Export0 = HRESULT(STDAPICALLTYPE*)();
using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

template <typename F> F Export(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A key of HKEY_CLASSES_ROOT that no one may open or write while the object lives.
class LockedKey {
public:
    explicit LockedKey(std::wstring path) : path_(std::move(path))
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        if (key)
            RegCloseKey(key);
        EXPECT_TRUE(SetKeyAccess(HKEY_CLASSES_ROOT, path_, true));
        HKEY probe = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, path_.c_str(), 0, KEY_WRITE, &probe),
                  ERROR_ACCESS_DENIED);
    }
    ~LockedKey() { SetKeyAccess(HKEY_CLASSES_ROOT, path_, false); }

private:
    std::wstring path_;
};

// A volatile key of HKEY_CLASSES_ROOT: keys that last cannot be created under it.
class VolatileKey {
public:
    explicit VolatileKey(std::wstring path) : path_(std::move(path))
    {
        SHDeleteKeyW(HKEY_CLASSES_ROOT, path_.c_str());
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path_.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        if (key)
            RegCloseKey(key);
    }
    ~VolatileKey() { SHDeleteKeyW(HKEY_CLASSES_ROOT, path_.c_str()); }

private:
    std::wstring path_;
};

// Runs a command line in the prefix with its output going to a file; the exit code and what
// it wrote.
std::pair<DWORD, std::string> RunCaptured(std::wstring commandLine)
{
    wchar_t temp[MAX_PATH] = {}, file[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    GetTempFileNameW(temp, L"out", 0, file);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process = {};
    DWORD code = static_cast<DWORD>(-1);
    if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(output);
    std::string text;
    HANDLE input =
        CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char buffer[1024];
    DWORD read = 0;
    while (input != INVALID_HANDLE_VALUE &&
           ReadFile(input, buffer, sizeof buffer, &read, nullptr) && read)
        text.append(buffer, read);
    if (input != INVALID_HANDLE_VALUE)
        CloseHandle(input);
    DeleteFileW(file);
    return {code, text};
}

// The DLL loaded into this process, with its exports and an object that tells whether
// dispatching is on.
class LoadedDll {
public:
    explicit LoadedDll(const std::wstring& path) : module_(LoadLibraryW(path.c_str()))
    {
        EXPECT_NE(module_, nullptr);
        registerServer = Export<Export0>(module_, "DllRegisterServer");
        unregisterServer = Export<Export0>(module_, "DllUnregisterServer");
        IClassFactory* factory = nullptr;
        EXPECT_EQ(Export<GetClassObject>(module_, "DllGetClassObject")(
                      CLSID_NtfObj, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
                  S_OK);
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IAxObj, reinterpret_cast<void**>(&object_)),
                  S_OK);
        factory->Release();
    }
    ~LoadedDll()
    {
        object_->Release();
        FreeLibrary(module_);
    }
    // S_OK while dispatching is on, S_FALSE once an unregistration has switched it off.
    HRESULT Invoke()
    {
        BSTR list = SysAllocString(L"a|b");
        VARIANT args[2];
        VariantInit(&args[0]);
        VariantInit(&args[1]);
        args[1].vt = VT_BSTR;
        args[1].bstrVal = list;
        args[0].vt = VT_I2;
        args[0].iVal = 1;
        DISPPARAMS params = {args, nullptr, 2, 0};
        VARIANT result;
        VariantInit(&result);
        const HRESULT hr = object_->Invoke(NTF_DISPID_SETCHECKINFO, IID_NULL, 0, DISPATCH_METHOD,
                                           &params, &result, nullptr, nullptr);
        SysFreeString(list);
        return hr;
    }

    Export0 registerServer = nullptr;
    Export0 unregisterServer = nullptr;

private:
    HMODULE module_;
    IAxObj* object_ = nullptr;
};

class RegistrationErrors : public testing::Test {
protected:
    void SetUp() override
    {
        dll_ = BinFolder() + L"NtfObj.dll";
        ASSERT_EQ(Regsvr32(dll_, true), 0u) << "start from nothing registered";
    }
    void TearDown() override { Regsvr32(dll_, true); }
    std::pair<DWORD, std::string> Regsvr32Reports(bool unregister)
    {
        return RunCaptured(std::wstring(L"regsvr32.exe ") + (unregister ? L"/u " : L"") + L"\"" +
                           dll_ + L"\"");
    }

    std::wstring dll_;
};

TEST_F(RegistrationErrors, ClassKeysThatCannotBeWrittenOrDeletedAreAnErrorAndRegsvr32SaysSo)
{
    {
        LoadedDll loaded(dll_);
        {
            LockedKey lock(kClsidKey);
            EXPECT_EQ(loaded.registerServer(), SELFREG_E_CLASS);
            EXPECT_FALSE(ClassesKeyExists(kTypeLibKey))
                << "the type library is not registered without its class";
            EXPECT_EQ(Regsvr32(dll_), 5u) << "regsvr32 /s: the function failed";
            const auto reported = Regsvr32Reports(false);
            EXPECT_EQ(reported.first, 5u);
            std::printf("regsvr32 reports: %s\n", reported.second.c_str());
            EXPECT_FALSE(reported.second.empty()) << "regsvr32 without /s tells the user";
        }

        // Registered, then the class key cannot be deleted: nothing else is deleted and
        // dispatching stays on, in this process and every other.
        ASSERT_EQ(loaded.registerServer(), S_OK);
        {
            LockedKey lock(kClsidKey);
            EXPECT_EQ(loaded.unregisterServer(), SELFREG_E_CLASS);
            EXPECT_EQ(Regsvr32(dll_, true), 5u);
            const auto reported = Regsvr32Reports(true);
            EXPECT_EQ(reported.first, 5u);
            std::printf("regsvr32 /u reports: %s\n", reported.second.c_str());
            EXPECT_FALSE(reported.second.empty());
        }
        EXPECT_TRUE(ClassesKeyExists(kTypeLibKey));
        EXPECT_TRUE(ClassesKeyExists(kInterfaceKey));
        EXPECT_EQ(loaded.Invoke(), S_OK) << "a failed unregistration switched dispatching off";
    }
}

TEST_F(RegistrationErrors, TypeLibraryThatCannotBeRegisteredIsAnErrorAfterTheClassKeys)
{
    LoadedDll loaded(dll_);
    VolatileKey volatileLibrary(kTypeLibKey);
    EXPECT_EQ(loaded.registerServer(), SELFREG_E_TYPELIB);
    EXPECT_EQ(ClassesValue(kClsidKey), L"NtfObj") << "the class keys stay written";
    EXPECT_EQ(ClassesValue(std::wstring(kClsidKey) + L"\\InprocServer32", L"ThreadingModel"),
              L"Apartment");
    EXPECT_EQ(Regsvr32(dll_), 5u);
    EXPECT_EQ(loaded.Invoke(), S_OK);
}

TEST_F(RegistrationErrors, TypeLibraryKeyThatCannotBeDeletedIsAnErrorAfterTheClassIsGone)
{
    LoadedDll loaded(dll_);
    ASSERT_EQ(loaded.registerServer(), S_OK);
    ASSERT_TRUE(ClassesKeyExists(kTypeLibKey));
    {
        LockedKey lock(kTypeLibKey);
        EXPECT_EQ(loaded.unregisterServer(), SELFREG_E_TYPELIB);
        EXPECT_FALSE(ClassesKeyExists(kClsidKey));
        EXPECT_FALSE(ClassesKeyExists(kInterfaceKey))
            << "the interface key goes whatever the type library did";
    }
    EXPECT_EQ(loaded.Invoke(), S_FALSE) << "the class is gone: dispatching is off";
    // Nothing registered and nothing in the way: unregistering again succeeds.
    EXPECT_EQ(loaded.unregisterServer(), S_OK);
    EXPECT_FALSE(ClassesKeyExists(kTypeLibKey));
}

}  // namespace
