// Registration of the built DLL with Wine's regsvr32, from a folder with a long name, and
// the switch that unregistering throws in another process that has the DLL loaded.
#include <gtest/gtest.h>
#include <cstring>
#include <string>

#include "com/com_test_support.h"
#include "NtfObj.h"

namespace {

// The platform the type library's file is registered for: its own pointer size.
const std::wstring kTypeLibPlatform = sizeof(void*) == 8 ? L"win64" : L"win32";

// The DLL copied into a folder whose long and short paths differ.
class Registration : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"NtfObj registration folder";
        CreateDirectoryW(folder.c_str(), nullptr);
        dll = folder + L"\\NtfObj.dll";
        ASSERT_TRUE(CopyFileW((BinFolder() + L"NtfObj.dll").c_str(), dll.c_str(), FALSE));
    }
    static void TearDownTestSuite()
    {
        if (ClassesKeyExists(kClsidKey))
            Regsvr32(dll, true);
        DeleteFileW(dll.c_str());
        RemoveDirectoryW(folder.c_str());
    }
    static std::wstring ShortPath()
    {
        wchar_t path[MAX_PATH] = {};
        GetShortPathNameW(dll.c_str(), path, MAX_PATH);
        return path;
    }
    static std::wstring folder, dll;
};
std::wstring Registration::folder, Registration::dll;

TEST_F(Registration, WritesTheClassKeysAndTheTypeLibraryAndDeletesThemAgain)
{
    ASSERT_NE(ShortPath(), dll) << "the folder must have a short name of its own";
    // Registering twice writes the same again. Under emulation each regsvr32 takes a minute to
    // start: one round there, and no second unregistration.
    const int rounds = RunsUnderEmulation() ? 1 : 2;
    for (int round = 0; round < rounds; ++round) {
        ASSERT_EQ(Regsvr32(dll), 0u) << "round " << round;
        EXPECT_EQ(ClassesValue(kClsidKey), L"NtfObj");
        EXPECT_EQ(ClassesValue(std::wstring(kClsidKey) + L"\\InprocServer32"), dll)
            << "the long full path";
        EXPECT_EQ(ClassesValue(std::wstring(kClsidKey) + L"\\InprocServer32", L"ThreadingModel"),
                  L"Apartment");
        EXPECT_EQ(ClassesValue(std::wstring(kTypeLibKey) + L"\\1.0"), L"NTFObj 1.0 Type Library");
        EXPECT_EQ(ClassesValue(std::wstring(kTypeLibKey) + L"\\1.0\\409\\" + kTypeLibPlatform), ShortPath())
            << "the type library is registered from the short path";
        EXPECT_EQ(ClassesValue(kInterfaceKey), L"IAxObj");
    }
    EXPECT_FALSE(ClassesKeyExists(L"CLSID\\{B65FB65D-CA1A-4923-BD57-B9D5E3FB40A8}"));

    ASSERT_EQ(Regsvr32(dll, true), 0u);
    EXPECT_FALSE(ClassesKeyExists(kClsidKey));
    EXPECT_FALSE(ClassesKeyExists(kTypeLibKey));
    EXPECT_FALSE(ClassesKeyExists(kInterfaceKey));
    if (!RunsUnderEmulation()) {
        EXPECT_EQ(Regsvr32(dll, true), 0u) << "unregistering with nothing registered";
    }
}

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

TEST_F(Registration, UnregisteringInAnotherProcessSwitchesInvokeOffHere)
{
    HMODULE module = LoadLibraryW(dll.c_str());
    ASSERT_NE(module, nullptr);
    auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    ASSERT_NE(getClassObject, nullptr);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(CLSID_NtfObj, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    IAxObj* object = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IAxObj, reinterpret_cast<void**>(&object)),
              S_OK);
    factory->Release();

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
    result.vt = VT_EMPTY;
    ASSERT_EQ(object->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(result.vt, VT_I2);

    ASSERT_EQ(Regsvr32(dll, true), 0u);
    result.vt = VT_EMPTY;
    EXPECT_EQ(object->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
              S_FALSE);
    EXPECT_EQ(result.vt, VT_EMPTY) << "nothing was called";
    short ret = -1;
    EXPECT_EQ(object->SetCheckInfo(list, 1, &ret), S_OK);
    EXPECT_EQ(ret, 0) << "a direct call through the table still runs";

    // Registering again does not switch dispatching back on while the DLL stays loaded.
    ASSERT_EQ(Regsvr32(dll), 0u);
    EXPECT_EQ(object->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
              S_FALSE);

    object->Release();
    SysFreeString(list);
    FreeLibrary(module);
}

}  // namespace
