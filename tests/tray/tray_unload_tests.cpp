// The real DLL unloaded while its tray thread runs: the thread holds the module, so the host
// goes on running, and the module goes only when the thread has ended.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <cstring>
#include <string>

#include "tray/tray_request.h"
#include "tray_test_support.h"

using namespace traytest;

namespace {

const CLSID kNtfObj = {
    0xABEC6103, 0xF6AC, 0x43A3, {0x83, 0x4F, 0xFB, 0x03, 0xFB, 0xA3, 0x39, 0xA2}};

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
using TrayMethodFn = HRESULT(STDMETHODCALLTYPE*)(void*, TrayRequest*, short*);

std::string DllPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) + "NtfObj.dll";
}

TEST(TrayUnload, FreeLibraryWhileTheTrayThreadRunsKeepsTheHostAlive)
{
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    HMODULE dll = LoadLibraryA(DllPath().c_str());
    ASSERT_NE(dll, nullptr) << DllPath();
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    auto canUnload = reinterpret_cast<CanUnloadFn>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    ASSERT_TRUE(getClassObject && canUnload);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(kNtfObj, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IUnknown* object = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object)),
              S_OK);

    HICON red = SolidIcon(kRed);
    TrayRequest request = {};
    request.icon = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(red));
    std::strcpy(request.tip, "unload");
    void** table = *reinterpret_cast<void***>(object);
    auto setTrayIcon = reinterpret_cast<TrayMethodFn>(table[14]);
    short result = -1;
    EXPECT_EQ(setTrayIcon(object, &request, &result), S_OK);
    ASSERT_TRUE(WaitFor([] { return NotificationAreaPixels(kRed) == kIconPixels; }));

    object->Release();
    factory->Release();
    EXPECT_EQ(canUnload(), S_FALSE);  // the tray thread still runs the module's code
    EXPECT_TRUE(FreeLibrary(dll));

    // The module stays while its thread runs; the host goes on, and so does the icon.
    Sleep(200);
    EXPECT_EQ(GetModuleHandleA("NtfObj.dll"), dll);
    HWND window = FindWindowA("VorbelXTrayIcon", nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(NotificationAreaPixels(kRed), kIconPixels);

    // The host ends the session as it would through SetTrayIcon: abort, then the modify message.
    request.abort = 1;
    PostMessageA(window, 0x8401, 0, 0);
    EXPECT_TRUE(WaitFor([] { return GetModuleHandleA("NtfObj.dll") == nullptr; }));
    EXPECT_TRUE(WaitFor([] { return NotificationAreaPixels(kRed) == 0; }));
    EXPECT_FALSE(IsWindow(window));
    DestroyIcon(red);
    CoUninitialize();
}

}  // namespace
