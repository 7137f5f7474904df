// The real DLL released and offered for unloading while its work runs, by two kinds of host:
// a COM host (registered server, CoCreateInstance, CoFreeUnusedLibraries) and a LoadLibrary
// host (DllGetClassObject, FreeLibrary only when DllCanUnloadNow says S_OK). The module must
// stay while its window, its message loops or its thread run, and go once they have ended.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "NtfObj.h"
#include "com/com_test_support.h"
#include "support/thread_windows.h"
#include "tray/tray_test_support.h"

using traytest::WaitFor;

namespace {

const wchar_t kDllName[] = L"NtfObj.dll";
const UINT kPopupTimerId = 1000;   // the popup's close timer
const UINT kRunStep = WM_APP + 1;  // the host window runs the test's step

std::wstring DllPath()
{
    return BinFolder() + kDllName;
}

bool Loaded()
{
    return GetModuleHandleW(kDllName) != nullptr;
}

// The two hosts. Offer() is what each does when it has released its objects: the COM host
// asks the runtime to free unused libraries, the LoadLibrary host asks the DLL itself.
class Host {
public:
    virtual ~Host() = default;
    virtual IAxObj* Create() = 0;
    virtual void Offer() = 0;
};

class ComHost : public Host {
public:
    IAxObj* Create() override
    {
        IAxObj* object = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_NtfObj, nullptr, CLSCTX_INPROC_SERVER, IID_IAxObj,
                                   reinterpret_cast<void**>(&object)),
                  S_OK);
        return object;
    }
    // Both calls, the second asking for no delay. Wine unloads an apartment-threaded DLL at
    // once when it answers S_OK, so the first alone must do it: unloadsLeftToTheSecond counts
    // the times it did not.
    void Offer() override
    {
        CoFreeUnusedLibraries();
        if (!Loaded())
            return;
        CoFreeUnusedLibrariesEx(0, 0);
        if (!Loaded())
            ++unloadsLeftToTheSecond;
    }
    int unloadsLeftToTheSecond = 0;
};

class LoadLibraryHost : public Host {
public:
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();

    IAxObj* Create() override
    {
        if (!dll_) {
            dll_ = LoadLibraryW(DllPath().c_str());
            if (!dll_) {
                ADD_FAILURE() << "cannot load the DLL";
                return nullptr;
            }
            getClassObject_ = reinterpret_cast<GetClassObjectFn>(
                reinterpret_cast<void*>(GetProcAddress(dll_, "DllGetClassObject")));
            canUnload_ = reinterpret_cast<CanUnloadFn>(
                reinterpret_cast<void*>(GetProcAddress(dll_, "DllCanUnloadNow")));
        }
        IClassFactory* factory = nullptr;
        EXPECT_EQ(
            getClassObject_(CLSID_NtfObj, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
        if (!factory)
            return nullptr;
        IAxObj* object = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IAxObj, reinterpret_cast<void**>(&object)),
                  S_OK);
        factory->Release();
        return object;
    }
    void Offer() override
    {
        if (dll_ && canUnload_() == S_OK) {
            FreeLibrary(dll_);
            dll_ = nullptr;
        }
    }

private:
    HMODULE dll_ = nullptr;
    GetClassObjectFn getClassObject_ = nullptr;
    CanUnloadFn canUnload_ = nullptr;
};

// A window of the host whose messages the module's loops dispatch: a posted kRunStep runs
// the step while the module's call is still on the stack.
std::function<void()> hostStep;
// Run once by the host window's next paint, which the popup's slide dispatches.
std::function<void()> hostPaintStep;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRunStep) {
        if (hostStep)
            hostStep();
        return 0;
    }
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        if (hostPaintStep) {
            auto step = hostPaintStep;
            hostPaintStep = nullptr;
            step();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Dispatches this thread's messages, as a host's own loop does, until done() holds (10 s).
bool PumpUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 2000; ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        Sleep(5);
    }
    return done();
}

HWND PopupWindow()
{
    return FindWindowA("VorbelNotify", nullptr);
}

struct Bstr {
    explicit Bstr(const wchar_t* text) : value(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(value); }
    BSTR value;
};

enum class HostKind { Com, LoadLibrary };

class Unload : public testing::TestWithParam<HostKind> {
protected:
    // The COM host finds the server through the registry of the prefix; it is removed again
    // at the end, as the other registering tests leave it.
    static void SetUpTestSuite()
    {
        ASSERT_EQ(Regsvr32(DllPath()), 0u);
        WNDCLASSW wc = {};
        wc.lpfnWndProc = HostWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"UnloadTestHost";
        RegisterClassW(&wc);
    }
    static void TearDownTestSuite() { Regsvr32(DllPath(), true); }

    void SetUp() override
    {
        ASSERT_FALSE(Loaded()) << "an earlier test left the DLL loaded";
        if (GetParam() == HostKind::Com) {
            ASSERT_EQ(CoInitialize(nullptr), S_OK);
            host.reset(new ComHost);
        } else {
            host.reset(new LoadLibraryHost);
        }
        hostWindow = CreateWindowW(L"UnloadTestHost", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                   nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(hostWindow, nullptr);
    }
    void TearDown() override
    {
        if (GetParam() == HostKind::Com) {
            EXPECT_EQ(static_cast<ComHost*>(host.get())->unloadsLeftToTheSecond, 0);
        }
        hostStep = nullptr;
        hostPaintStep = nullptr;
        if (IsWindow(hostWindow))
            DestroyWindow(hostWindow);
        host.reset();
        // Wine keeps a DLL that the apartment still holds loaded past its end (Windows frees
        // it): every test has let the module go before this.
        if (GetParam() == HostKind::Com)
            CoUninitialize();
    }

    // Releases the host's last reference and offers the DLL for unloading.
    void ReleaseAndOffer(IAxObj*& object)
    {
        EXPECT_EQ(object->Release(), 0u);
        object = nullptr;
        host->Offer();
    }

    std::unique_ptr<Host> host;
    HWND hostWindow = nullptr;
};

// Without NS_WAIT the popup lives on the host's loop after Action has returned: the window
// procedure is the module's, so the module stays until the window is gone. A second round
// loads the module again after it has gone.
TEST_P(Unload, StaysWhileThePopupIsOnTheScreenAndGoesWhenItHasClosed)
{
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        IAxObj* object = host->Create();
        ASSERT_NE(object, nullptr);
        Bstr heading(L"Unload"), body(L"popup on the screen");
        short result = -1;
        ASSERT_EQ(object->Action(heading.value, body.value, nullptr, nullptr, 0, 0, &result), S_OK);
        HWND popup = PopupWindow();
        ASSERT_NE(popup, nullptr);
        ASSERT_TRUE(IsWindowVisible(popup));
        const HINSTANCE module = GetModuleHandleW(kDllName);

        ReleaseAndOffer(object);
        EXPECT_TRUE(Loaded());
        EXPECT_TRUE(IsWindow(popup));

        // Closed through the real window: its timer, dispatched by the host's loop.
        PostMessageA(popup, WM_TIMER, kPopupTimerId, 0);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(popup); }));
        EXPECT_TRUE(Loaded()) << "nothing asked for the unload yet";
        host->Offer();
        ASSERT_FALSE(Loaded());
        // The class's procedure lay in the module: a class left behind would outlive its code.
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        EXPECT_FALSE(GetClassInfoExA(module, "VorbelNotify", &wc));
    }
}

// The popup's slide-out, run by its own procedure from the host's loop, dispatches the
// host's paints. A host that closes its main window there (and with it the popup it owns),
// releases its object and offers the module must not pull the procedure from under itself.
TEST_P(Unload, StaysWhileThePopupProcedureRunsAfterItsWindowHasGone)
{
    ShowWindow(hostWindow, SW_SHOWNOACTIVATE);
    UpdateWindow(hostWindow);
    IAxObj* object = host->Create();
    ASSERT_NE(object, nullptr);
    Bstr heading(L"Unload"), body(L"owned by the host");
    short result = -1;
    ASSERT_EQ(object->Action(heading.value, body.value, nullptr, nullptr,
                             static_cast<long>(reinterpret_cast<LONG_PTR>(hostWindow)), 0, &result),
              S_OK);
    HWND popup = PopupWindow();
    ASSERT_NE(popup, nullptr);

    bool ran = false, sliding = false, loadedWhileSliding = false, popupGone = false,
         loadedAfterClose = false;
    hostPaintStep = [&] {
        ran = true;
        RECT place = {};
        sliding = IsWindow(popup) && GetWindowRect(popup, &place) && place.bottom >= 748;
        ReleaseAndOffer(object);
        loadedWhileSliding = Loaded();
        DestroyWindow(hostWindow);  // the popup it owns goes with it
        popupGone = !IsWindow(popup);
        host->Offer();  // the slide and the popup's procedure are still to return
        loadedAfterClose = Loaded();
    };
    InvalidateRect(hostWindow, nullptr, TRUE);
    PostMessageA(popup, WM_TIMER, kPopupTimerId, 0);
    ASSERT_TRUE(PumpUntil([&] { return ran && !IsWindow(popup); }));
    EXPECT_TRUE(sliding) << "the paint came during the slide-out";
    EXPECT_TRUE(loadedWhileSliding);
    EXPECT_TRUE(popupGone);
    EXPECT_TRUE(loadedAfterClose);
    EXPECT_TRUE(Loaded());
    host->Offer();
    EXPECT_FALSE(Loaded());
}

// Action with NS_WAIT, and the balloon request's popup where balloon tips are not used, run a
// loop that dispatches the host's messages. From there the host releases its object, closes
// the popup and offers the DLL: the call is still on the stack, so the module must stay until
// it has returned.
TEST_P(Unload, StaysWhileTheWaitLoopRunsEvenAfterThePopupHasGone)
{
    struct Entry {
        const char* name;
        std::function<HRESULT(IAxObj*, short*)> call;
    };
    TrayRequest request = {};
    std::strcpy(request.title, "Balloon");
    std::strcpy(request.text, "shown as a popup");
    request.timeoutMs = 20000;
    Bstr heading(L"Unload"), body(L"waiting");
    const Entry entries[] = {
        {"Action with NS_WAIT",
         [&](IAxObj* o, short* r) {
             return o->Action(heading.value, body.value, nullptr, nullptr, 0,
                              NTF_STYLE_WAIT | NTF_STYLE_CLOSEBOX, r);
         }},
        {"ShowUpdateBalloon",
         [&](IAxObj* o, short* r) { return o->ShowUpdateBalloon(&request, r); }},
    };
    for (const Entry& entry : entries) {
        SCOPED_TRACE(entry.name);
        IAxObj* object = host->Create();
        ASSERT_NE(object, nullptr);
        bool ran = false, loadedWithPopup = false, popupGone = false, loadedAfterClose = false;
        hostStep = [&] {
            ran = true;
            HWND popup = PopupWindow();
            ReleaseAndOffer(object);
            loadedWithPopup = Loaded() && popup && IsWindow(popup);
            // The popup's timer closes it: slide-out, destruction, all inside this send.
            SendMessageA(popup, WM_TIMER, kPopupTimerId, 0);
            popupGone = !IsWindow(popup);
            host->Offer();  // the wait loop and Action are still to return into the module
            loadedAfterClose = Loaded();
        };
        PostMessageW(hostWindow, kRunStep, 0, 0);
        IAxObj* calling = object;
        short result = -1;
        EXPECT_EQ(entry.call(calling, &result), S_OK);
        hostStep = nullptr;
        EXPECT_TRUE(ran);
        EXPECT_TRUE(loadedWithPopup);
        EXPECT_TRUE(popupGone);
        EXPECT_TRUE(loadedAfterClose);
        EXPECT_EQ(result, 1000) << "the close button's popup closed by its timer";
        EXPECT_TRUE(Loaded());
        host->Offer();
        EXPECT_FALSE(Loaded());
    }
}

// NS_DIALOG runs the modal dialog's loop inside Action; the dialog is no popup window, and
// the host's messages are dispatched there too.
TEST_P(Unload, StaysWhileTheDialogRunsAndGoesWhenActionHasReturned)
{
    IAxObj* object = host->Create();
    ASSERT_NE(object, nullptr);
    Bstr checks(L"First|Second"), heading(L"Unload"), body(L"dialog");
    short none = -1;
    ASSERT_EQ(object->SetCheckInfo(checks.value, 2, &none), S_OK);
    bool ran = false, loadedWithDialog = false, loadedAfterEnd = false;
    hostStep = [&] {
        ran = true;
        HWND dialog = ThreadDialog(false);  // it may not be shown yet
        ReleaseAndOffer(object);
        loadedWithDialog = Loaded() && dialog != nullptr;
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);  // the OK button ends the dialog
        host->Offer();
        loadedAfterEnd = Loaded();
    };
    PostMessageW(hostWindow, kRunStep, 0, 0);
    IAxObj* calling = object;
    short result = -1;
    EXPECT_EQ(
        calling->Action(heading.value, body.value, nullptr, nullptr, 0, NTF_STYLE_DIALOG, &result),
        S_OK);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(loadedWithDialog);
    EXPECT_TRUE(loadedAfterEnd);
    EXPECT_EQ(result, 2) << "the second box was ticked";
    EXPECT_EQ(ThreadDialog(false), nullptr);
    EXPECT_TRUE(Loaded());
    host->Offer();
    EXPECT_FALSE(Loaded());
}

// SetTrayIcon leaves a thread of the module running after it has returned; the session is
// ended as a host does, by the abort flag and the modify message.
TEST_P(Unload, StaysWhileTheTrayThreadRunsAndGoesWhenItHasEnded)
{
    IAxObj* object = host->Create();
    ASSERT_NE(object, nullptr);
    HICON icon = traytest::SolidIcon(traytest::kBlue);
    TrayRequest request = {};
    request.icon = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(icon));
    std::strcpy(request.tip, "unload");
    short result = -1;
    ASSERT_EQ(object->SetTrayIcon(&request, &result), S_OK);
    ASSERT_TRUE(WaitFor([] { return FindWindowA("VorbelXTrayIcon", nullptr) != nullptr; }));
    HWND tray = FindWindowA("VorbelXTrayIcon", nullptr);
    const HINSTANCE module = GetModuleHandleW(kDllName);

    ReleaseAndOffer(object);
    EXPECT_TRUE(Loaded());
    EXPECT_TRUE(IsWindow(tray));
    host->Offer();
    EXPECT_TRUE(Loaded()) << "offered again while the thread runs";

    request.abort = 1;
    PostMessageA(tray, 0x8401, 0, 0);
    EXPECT_TRUE(WaitFor([&] {
        host->Offer();
        return !Loaded();
    }));
    EXPECT_FALSE(IsWindow(tray));
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    EXPECT_FALSE(GetClassInfoExA(module, "VorbelXTrayIcon", &wc));
    EXPECT_TRUE(WaitFor([] { return traytest::NotificationAreaPixels(traytest::kBlue) == 0; }));
    DestroyIcon(icon);
}

INSTANTIATE_TEST_SUITE_P(Hosts, Unload, testing::Values(HostKind::LoadLibrary, HostKind::Com),
                         [](const testing::TestParamInfo<HostKind>& info) {
                             return info.param == HostKind::Com ? "Com" : "LoadLibrary";
                         });

}  // namespace
