// The registered DLL hosted as an ActiveX control by the control host that Wine's atl.dll
// provides: a child window of class "AtlAxWin" whose text is the CLSID creates the object,
// hands it its client site and activates it; AtlAxGetControl gives it back; destroying the
// window lets it go. Faults anywhere in the process are counted by a vectored exception
// handler: Wine swallows those raised inside a window callback, Windows would not.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <string>

#include "NtfObj.h"
#include "com/com_test_support.h"

namespace {

const wchar_t kClsidText[] = L"{ABEC6103-F6AC-43A3-834F-FB03FBA339A2}";

volatile LONG faults = 0;

LONG CALLBACK CountFault(EXCEPTION_POINTERS* info)
{
    if ((info->ExceptionRecord->ExceptionCode & 0xF0000000u) == 0xC0000000u)
        InterlockedIncrement(&faults);
    return EXCEPTION_CONTINUE_SEARCH;
}

using AxWinInit = BOOL(WINAPI*)();
using AxGetControl = HRESULT(WINAPI*)(HWND, IUnknown**);
using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();

template <typename F> F Export(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

class AtlHost : public testing::Test {
protected:
    void SetUp() override
    {
        dll_ = BinFolder() + L"NtfObj.dll";
        ASSERT_EQ(Regsvr32(dll_), 0u);
        faults = 0;
        handler_ = AddVectoredExceptionHandler(1, CountFault);
        atl_ = LoadLibraryW(L"atl.dll");
        ASSERT_NE(atl_, nullptr);
    }
    void TearDown() override
    {
        RemoveVectoredExceptionHandler(handler_);
        if (atl_)
            FreeLibrary(atl_);
        Regsvr32(dll_, true);
    }

    std::wstring dll_;
    void* handler_ = nullptr;
    HMODULE atl_ = nullptr;
};

TEST_F(AtlHost, ControlIsCreatedQueriedAndDestroyedWithoutAFault)
{
    auto init = Export<AxWinInit>(atl_, "AtlAxWinInit");
    auto getControl = Export<AxGetControl>(atl_, "AtlAxGetControl");
    ASSERT_NE(init, nullptr);
    ASSERT_NE(getControl, nullptr);
    ASSERT_TRUE(init()) << "registers AtlAxWin and initialises OLE on this thread";

    HWND parent = CreateWindowExW(0, L"STATIC", L"control host", WS_OVERLAPPEDWINDOW, 10, 10, 300,
                                  200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        HWND host = CreateWindowExW(0, L"AtlAxWin", kClsidText, WS_CHILD | WS_VISIBLE, 0, 0, 200,
                                    100, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(host, nullptr);
        Pump();
        HMODULE module = GetModuleHandleW(L"NtfObj.dll");
        ASSERT_NE(module, nullptr) << "the host created the registered DLL's object";
        auto canUnload = Export<CanUnloadNow>(module, "DllCanUnloadNow");

        IUnknown* control = nullptr;
        ASSERT_EQ(getControl(host, &control), S_OK)
            << "the control lives on: it keeps the host's site";
        ASSERT_NE(control, nullptr);

        // The container's site, kept by the object, and what the object says of itself.
        IOleObject* ole = nullptr;
        ASSERT_EQ(control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole)), S_OK);
        IOleClientSite* site = nullptr;
        EXPECT_EQ(ole->GetClientSite(&site), S_OK);
        EXPECT_NE(site, nullptr);
        if (site)
            site->Release();
        DWORD status = 0;
        EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
        EXPECT_NE(status & OLEMISC_INVISIBLEATRUNTIME, 0u);
        CLSID clsid = {};
        EXPECT_EQ(ole->GetUserClassID(&clsid), S_OK);
        EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_NtfObj));
        ole->Release();

        // The control's own methods work through the host's object.
        IAxObj* automation = nullptr;
        ASSERT_EQ(control->QueryInterface(IID_IAxObj, reinterpret_cast<void**>(&automation)), S_OK);
        BSTR list = SysAllocString(L"a|b");
        short result = -1;
        EXPECT_EQ(automation->SetCheckInfo(list, 1, &result), S_OK);
        EXPECT_EQ(result, 0);
        SysFreeString(list);
        automation->Release();
        control->Release();
        EXPECT_EQ(canUnload(), S_FALSE) << "the host still holds the control";

        // Destroying the window closes the control and takes the site away: no cycle is left.
        DestroyWindow(host);
        Pump();
        EXPECT_EQ(canUnload(), S_OK);
    }
    DestroyWindow(parent);
    EXPECT_EQ(faults, 0) << "faults while the control was hosted";
    OleUninitialize();
}

}  // namespace
