// NtfObj as a COM object, linked in statically: the factory, QueryInterface and reference
// counts, the unload answer, the methods' effect on the session, and Invoke's checks.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

#include "automation/dispatcher.h"
#include "automation/methods.h"
#include "automation/ntf_object.h"
#include "automation/class_factory.h"
#include "module/module_state.h"
#include "module/registration.h"
#include "popup/notify_session.h"
#include "tray/tray_thread.h"
#include "module/windows_version.h"

namespace {

const IID kIUnknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIClassFactory = {1, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIDispatch = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIPersist = {0x0000010C, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Owns a BSTR for the length of a test.
struct Bstr {
    BSTR value;
    explicit Bstr(const wchar_t* text) : value(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(value); }
};

class ComTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitialNotifySession(&NotifySession);
        ASSERT_EQ(liveObjectCount, 0);
    }
    void TearDown() override { EXPECT_EQ(liveObjectCount, 0) << "an object or factory leaked"; }

    // A new object through the class factory, asked for riid.
    static void* Create(REFIID riid = IID_IAxObj)
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(
            DllGetClassObject(CLSID_NtfObj, kIClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
        void* object = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, riid, &object), S_OK);
        factory->Release();
        return object;
    }
    static LONG Count(IUnknown* object)
    {
        object->AddRef();
        return static_cast<LONG>(object->Release());
    }
};

TEST_F(ComTest, DllGetClassObjectAnswersOnlyTheClassAndItsTwoInterfaces)
{
    const GUID other = {
        0xABEC6103, 0xF6AC, 0x43A3, {0x83, 0x4F, 0xFB, 0x03, 0xFB, 0xA3, 0x39, 0xA3}};
    struct Case {
        const CLSID* clsid;
        const IID* iid;
        HRESULT result;
    } cases[] = {
        {&CLSID_NtfObj, &kIClassFactory, S_OK},
        {&CLSID_NtfObj, &kIUnknown, S_OK},
        {&CLSID_NtfObj, &IID_IAxObj, E_NOINTERFACE},
        {&CLSID_NtfObj, &kIDispatch, E_NOINTERFACE},
        {&other, &kIClassFactory, CLASS_E_CLASSNOTAVAILABLE},
        {&IID_IAxObj, &kIClassFactory, CLASS_E_CLASSNOTAVAILABLE},
    };
    for (const Case& c : cases) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(DllGetClassObject(*c.clsid, *c.iid, &out), c.result);
        if (c.result != S_OK) {
            EXPECT_EQ(out, nullptr);
            EXPECT_EQ(liveObjectCount, 0);
            continue;
        }
        EXPECT_EQ(liveObjectCount, 1);
        IUnknown* factory = static_cast<IUnknown*>(out);
        EXPECT_EQ(Count(factory), 1);
        EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
        EXPECT_EQ(factory->Release(), 0u);
        EXPECT_EQ(DllCanUnloadNow(), S_OK);
    }
}

TEST_F(ComTest, FactoryCreatesDistinctObjectsAndRefusesAggregationAndOtherClasses)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_NtfObj, kIClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), E_NOTIMPL);
    EXPECT_EQ(factory->LockServer(FALSE), E_NOTIMPL);
    EXPECT_EQ(liveObjectCount, 1);

    void* out = reinterpret_cast<void*>(1);
    IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
    EXPECT_EQ(factory->CreateInstance(outer, kIUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, kIClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(liveObjectCount, 1) << "the refused object is destroyed again";

    IUnknown* first = nullptr;
    IUnknown* second = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, kIUnknown, reinterpret_cast<void**>(&first)), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, kIUnknown, reinterpret_cast<void**>(&second)), S_OK);
    EXPECT_NE(first, second);
    EXPECT_EQ(Count(first), 1);
    EXPECT_EQ(liveObjectCount, 3);

    // Objects outlive the factory that made them, and keep the module loaded.
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(first->Release(), 0u);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(second->Release(), 0u);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    // A factory for another class (DllGetClassObject never makes one) creates nothing.
    NtfObjFactory* stray = CreateNtfObjFactory(kIPersist);
    EXPECT_EQ(ClassFactoryOf(stray)->CreateInstance(nullptr, kIUnknown, &out), E_FAIL);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(liveObjectCount, 1);
    ClassFactoryOf(stray)->Release();
}

void* NoMemory(size_t)
{
    return nullptr;
}

TEST_F(ComTest, WithoutMemoryNothingIsCreatedOrCounted)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_NtfObj, kIClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    moduleAllocator = NoMemory;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IAxObj, &out), E_OUTOFMEMORY);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(CLSID_NtfObj, kIClassFactory, &out), E_OUTOFMEMORY);
    EXPECT_EQ(out, nullptr);
    moduleAllocator = std::malloc;
    EXPECT_EQ(liveObjectCount, 1);
    factory->Release();
}

TEST_F(ComTest, QueryInterfaceAnswersInOneIdentityWithOneCount)
{
    IUnknown* primary = static_cast<IUnknown*>(Create(kIUnknown));
    void* safety = nullptr;
    ASSERT_EQ(primary->QueryInterface(IID_IObjectSafety, &safety), S_OK);
    EXPECT_NE(safety, static_cast<void*>(primary));
    void* ole = nullptr;
    ASSERT_EQ(primary->QueryInterface(IID_IOleObject, &ole), S_OK);
    EXPECT_NE(ole, static_cast<void*>(primary)) << "IOleObject has a table of its own";
    EXPECT_NE(ole, safety);
    static_cast<IUnknown*>(ole)->Release();
    EXPECT_EQ(Count(primary), 2);

    struct Case {
        const IID* iid;
        bool answered;
    } cases[] = {
        {&kIUnknown, true},       {&kIDispatch, true},  {&IID_IOleObject, true},
        {&IID_IAxObj, true},      {&IID_IAxObj2, true}, {&IID_IObjectSafety, true},
        {&kIClassFactory, false}, {&kIPersist, false},  {&LIBID_COMOBJLib, false},
    };
    for (IUnknown* through : {primary, static_cast<IUnknown*>(safety)}) {
        for (const Case& c : cases) {
            void* out = reinterpret_cast<void*>(1);
            HRESULT hr = through->QueryInterface(*c.iid, &out);
            if (!c.answered) {
                EXPECT_EQ(hr, E_NOINTERFACE);
                EXPECT_EQ(out, nullptr);
                EXPECT_EQ(Count(primary), 2);
                continue;
            }
            ASSERT_EQ(hr, S_OK);
            void* expected = c.iid == &IID_IObjectSafety ? safety
                             : c.iid == &IID_IOleObject  ? ole
                                                         : static_cast<void*>(primary);
            EXPECT_EQ(out, expected);
            EXPECT_EQ(Count(primary), 3);
            static_cast<IUnknown*>(out)->Release();
        }
    }
    // Releasing through the safety pointer lowers the same count.
    EXPECT_EQ(static_cast<IUnknown*>(safety)->Release(), 1u);
    EXPECT_EQ(liveObjectCount, 1);
    EXPECT_EQ(primary->Release(), 0u);
}

TEST_F(ComTest, TypeInfoIsRefusedAndSafetyIsAlwaysGrantedAndRemembered)
{
    IDispatch* dispatch = static_cast<IDispatch*>(Create(kIDispatch));
    UINT count = 77;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), E_NOINTERFACE);
    EXPECT_EQ(count, 77u);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(2);
    EXPECT_EQ(dispatch->GetTypeInfo(0, 0, &info), E_NOINTERFACE);
    EXPECT_EQ(info, reinterpret_cast<ITypeInfo*>(2));

    void* out = nullptr;
    ASSERT_EQ(dispatch->QueryInterface(IID_IObjectSafety, &out), S_OK);
    const ObjectSafetyTable* safety = *static_cast<const ObjectSafetyTable**>(out);
    const IID kIPersistPropertyBag = {
        0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
    const DWORD caller = INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                data = INTERFACESAFE_FOR_UNTRUSTED_DATA;
    // Each step sets (iid, mask, enabled), then both words are read back: the object's own
    // interfaces share the first, any other interface the second. Every set succeeds.
    struct Step {
        const IID* iid;
        DWORD mask, enabled;
        DWORD own, other;
    } steps[] = {
        {&kIDispatch, 0, 0, 0, 0},
        {&kIDispatch, caller, caller, caller, 0},           // what a browser asks before scripting
        {&kIPersistPropertyBag, data, data, caller, data},  // ... and before initialising
        {&IID_IAxObj, data, data | caller, caller | data, data},  // only the mask's bits change
        {&kIUnknown, caller, 0, data, data},
        {&kIPersist, 0xFFFFFFFF, 0xFFFFFFFF, data, caller | data},  // unknown bits are not kept
        {&IID_IAxObj2, 0xFFFFFFFF, 0, 0, caller | data},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(safety->SetInterfaceSafetyOptions(out, *s.iid, s.mask, s.enabled), S_OK);
        for (const IID* read : {&kIDispatch, &kIPersist}) {
            DWORD supported = 5, enabled = 6;
            EXPECT_EQ(safety->GetInterfaceSafetyOptions(out, *read, &supported, &enabled), S_OK);
            EXPECT_EQ(supported, caller | data);
            EXPECT_EQ(enabled, read == &kIDispatch ? s.own : s.other)
                << "after the step " << s.mask << "/" << s.enabled;
        }
    }
    DWORD word = 0;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(out, kIDispatch, nullptr, &word), E_POINTER);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(out, kIDispatch, &word, nullptr), E_POINTER);
    safety->Release(out);
    dispatch->Release();
}

TEST_F(ComTest, DllCanUnloadNowWaitsForANotificationWindowAndATrayThread)
{
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    HWND foreign = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   nullptr, nullptr);
    NotifySession.popupWindow = foreign;
    EXPECT_EQ(DllCanUnloadNow(), S_OK) << "a window of another module is none of ours";
    DestroyWindow(foreign);
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  moduleHandle, nullptr);
    ASSERT_NE(window, nullptr);
    NotifySession.popupWindow = window;
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    DestroyWindow(window);
    EXPECT_EQ(DllCanUnloadNow(), S_OK) << "a stale handle keeps nothing loaded";
    NotifySession.popupWindow = nullptr;

    IAxObj* object = static_cast<IAxObj*>(Create());
    static TrayRequest request = {};
    request.icon =
        static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(LoadIcon(nullptr, IDI_INFORMATION)));
    std::strcpy(request.tip, "NtfObj");
    short result = -1;
    ASSERT_EQ(object->SetTrayIcon(&request, &result), S_OK);
    object->Release();
    EXPECT_EQ(liveObjectCount, 0);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "the tray thread still runs";

    for (int i = 0; i < 1000 && !(NotifySession.trayWindow && IsWindow(NotifySession.trayWindow));
         ++i)
        Sleep(10);
    request.abort = 1;
    ApplyTrayRequest(&request);
    for (int i = 0; i < 1000 && TrayThreadRunning(); ++i) Sleep(10);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

// --- The methods -------------------------------------------------------------------------

TEST(ComposeMessage, JoinsHeadingAndBodyAndCutsAt1039Bytes)
{
    char message[kComposedMessageSize];
    ComposeMessage("Heading", "Body", message);
    EXPECT_STREQ(message, "Heading\nBody");
    ComposeMessage(nullptr, nullptr, message);
    EXPECT_STREQ(message, "\n") << "a null text composes as empty, never a placeholder";
    ComposeMessage(nullptr, "Body", message);
    EXPECT_STREQ(message, "\nBody");

    std::string heading(1000, 'h'), body(100, 'b');
    ComposeMessage(heading.c_str(), body.c_str(), message);
    EXPECT_EQ(std::strlen(message), 1039u);
    EXPECT_EQ(message[1000], '\n');
    EXPECT_EQ(std::string(message + 1001), std::string(38, 'b'));
}

TEST_F(ComTest, ListSettersReplaceCutAndConvertToTheAnsiCodePage)
{
    IAxObj* object = static_cast<IAxObj*>(Create());
    std::wstring longList(2000, L'x');
    Bstr longText(longList.c_str()), shortText(L"a|b|c"), chinese(L"\u786e\u5b9a|\u53d6\u6d88");
    short result = -1;

    EXPECT_EQ(object->SetCheckInfo(longText.value, 5, &result), S_OK);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(std::strlen(NotifySession.checkList), 1023u);
    EXPECT_EQ(NotifySession.checkMask, 5);
    EXPECT_EQ(NotifySession.hasCheckList, 1);
    object->SetCheckInfo(shortText.value, 2, &result);
    EXPECT_STREQ(NotifySession.checkList, "a|b|c") << "a second call replaces, never appends";

    result = -1;
    object->SetButtonInfo(chinese.value, -1, &result);
    EXPECT_EQ(result, 0);
    EXPECT_STREQ(NotifySession.buttonList, "\xC8\xB7\xB6\xA8|\xC8\xA1\xCF\xFB");  // GBK
    EXPECT_EQ(NotifySession.buttonMask, 0xFFFF);
    EXPECT_EQ(NotifySession.hasButtonList, 1);

    WORD checkMask = NotifySession.checkMask;
    object->SetComboxInfo(shortText.value, 9, &result);
    EXPECT_STREQ(NotifySession.comboList, "a|b|c");
    EXPECT_EQ(NotifySession.hasComboList, 1);
    EXPECT_EQ(NotifySession.checkMask, checkMask);
    EXPECT_EQ(NotifySession.buttonMask, 0xFFFF);

    // A null list text leaves an empty list and fails nothing.
    EXPECT_EQ(object->SetCheckInfo(nullptr, 1, &result), S_OK);
    EXPECT_STREQ(NotifySession.checkList, "");
    EXPECT_EQ(object->SetComboxInfo(nullptr, 0, &result), S_OK);
    EXPECT_STREQ(NotifySession.comboList, "");
    object->Release();
}

TEST_F(ComTest, DelayColoursAndIconAreStoredWhole)
{
    IAxObj* object = static_cast<IAxObj*>(Create());
    object->TimeInterval(50000);
    EXPECT_EQ(NotifySession.closeDelayMs, 50000u);
    object->TimeInterval(0);
    EXPECT_EQ(NotifySession.closeDelayMs, 50000u) << "0 keeps the delay";
    object->SetColor(0x00F8D6BF, 0x00123456, 0x00ABCDEF, 0x00010203, 0x00FFFFFF);
    EXPECT_EQ(NotifySession.gradientFrom, 0x00F8D6BFu);
    EXPECT_EQ(NotifySession.gradientTo, 0x00123456u);
    EXPECT_EQ(NotifySession.borderColor, 0x00ABCDEFu);
    EXPECT_EQ(NotifySession.titleColor, 0x00010203u);
    EXPECT_EQ(NotifySession.bodyColor, 0x00FFFFFFu);
    HICON icon = LoadIcon(nullptr, IDI_WARNING);
    object->SetAppIcon(icon);
    EXPECT_EQ(NotifySession.appIcon, icon);
    object->Release();
}

TEST_F(ComTest, ActionSetsTheOwnerAndReportsTheLastResult)
{
    IAxObj* object = static_cast<IAxObj*>(Create());
    NotifySession.resultCode = 0x0104;
    Bstr heading(L"Heading"), body(L"Body");
    short result = -1;
    EXPECT_EQ(object->Action(heading.value, body.value, nullptr, nullptr, 0x1234, 0, &result),
              S_OK);
    EXPECT_EQ(NotifySession.ownerWindow, reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(result, 0x0104);
    // Null texts everywhere fail nothing.
    EXPECT_EQ(object->Action(nullptr, nullptr, nullptr, nullptr, 0, 0, &result), S_OK);
    if (NotifySession.popupWindow)
        DestroyWindow(NotifySession.popupWindow);
    object->Release();
}

// What Action hands the popup: heading, line feed, body; a long display text keeps its
// first 259 bytes; null texts compose as empty and a null address shows no link.
TEST_F(ComTest, ActionComposesTheMessageAndTheLinkOfThePopup)
{
    IAxObj* object = static_cast<IAxObj*>(Create());
    std::wstring longDisplay(300, L'd'), longHeading(200, L'h'), longBody(200, L'b');
    Bstr heading(L"Heading"), body(L"Body"), display(longDisplay.c_str()),
        url(L"http://example.invalid/");
    Bstr bigHeading(longHeading.c_str()), bigBody(longBody.c_str()), shown(L"shown"), empty(L"");
    struct Case {
        BSTR heading, body, display, url;
        std::string message, linkText, linkUrl;
    } cases[] = {
        {heading.value, body.value, display.value, url.value, "Heading\nBody",
         std::string(259, 'd'), "http://example.invalid/"},
        {bigHeading.value, bigBody.value, nullptr, nullptr,
         std::string(200, 'h') + "\n" + std::string(58, 'b'), "", ""},
        {nullptr, body.value, shown.value, nullptr, "\nBody", "", ""},
        {heading.value, nullptr, shown.value, empty.value, "Heading\n", "shown", ""},
    };
    int index = 0;
    for (const Case& c : cases) {
        short result = -1;
        ASSERT_EQ(object->Action(c.heading, c.body, c.display, c.url, 0, 0, &result), S_OK);
        EXPECT_EQ(std::string(NotifySession.messageText), c.message) << "case " << index;
        EXPECT_EQ(std::string(NotifySession.linkText), c.linkText) << "case " << index;
        EXPECT_EQ(std::string(NotifySession.linkUrl), c.linkUrl) << "case " << index;
        ASSERT_NE(NotifySession.popupWindow, nullptr) << "case " << index;
        DestroyWindow(NotifySession.popupWindow);
        ++index;
    }
    object->Release();
}

TEST_F(ComTest, TrayMethodsWithoutARequestReportTheCurrentResult)
{
    IAxObj* object = static_cast<IAxObj*>(Create());
    NotifySession.resultCode = 1001;
    short result = 0;
    EXPECT_EQ(object->SetTrayIcon(nullptr, &result), S_OK);
    EXPECT_EQ(result, 1001);
    result = 0;
    EXPECT_EQ(object->ShowUpdateBalloon(nullptr, &result), S_OK);
    EXPECT_EQ(result, 1001);
    object->Release();
}

// Where balloons are not used, the balloon request is shown as a waiting popup: the flag is
// set in the host's record before the flow reads it, and the popup's result comes back.
struct BalloonWatch {
    TrayRequest* request;
    volatile LONG flagWhileShown;
    volatile LONG clicked;
};

DWORD WINAPI ClickPopupWhenShown(void* parameter)
{
    BalloonWatch* watch = static_cast<BalloonWatch*>(parameter);
    for (int i = 0; i < 1000; ++i) {
        HWND popup = NotifySession.popupWindow;
        if (popup && IsWindowVisible(popup)) {
            watch->flagWhileShown = static_cast<LONG>(watch->request->balloonRequested);
            Sleep(300);
            PostMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(140, 80));
            PostMessageW(popup, WM_LBUTTONUP, 0, MAKELPARAM(140, 80));
            watch->clicked = 1;
            return 0;
        }
        Sleep(10);
    }
    return 0;
}

TEST_F(ComTest, ShowUpdateBalloonMarksTheRequestAndHandsItOn)
{
    ASSERT_FALSE(UsesBalloonTips(ClassifyWindowsVersion())) << "the prefix runs as Windows 7";
    IAxObj* object = static_cast<IAxObj*>(Create());
    static TrayRequest request = {};
    std::strcpy(request.title, "Title");
    std::strcpy(request.text, "Text");
    request.timeoutMs = 10000;
    BalloonWatch watch = {&request, -1, 0};
    HANDLE thread = CreateThread(nullptr, 0, ClickPopupWhenShown, &watch, 0, nullptr);
    short result = -1;
    EXPECT_EQ(object->ShowUpdateBalloon(&request, &result), S_OK);
    WaitForSingleObject(thread, 20000);
    CloseHandle(thread);
    EXPECT_EQ(request.balloonRequested, 1u);
    ASSERT_EQ(watch.clicked, 1) << "no popup in place of the balloon";
    EXPECT_EQ(watch.flagWhileShown, 1);
    EXPECT_EQ(result, static_cast<short>(NotifySession.resultCode));
    EXPECT_FALSE(IsWindow(NotifySession.popupWindow));
    object->Release();
}

// --- The dispatcher ----------------------------------------------------------------------

TEST(Dispatcher, NamesAreMatchedWholeAndWithCase)
{
    struct Case {
        const wchar_t* name;
        DISPID id;
    } cases[] = {
        {L"Action", 1},
        {L"SetCheckInfo", 2},
        {L"SetButtonInfo", 3},
        {L"SetComboxInfo", 4},
        {L"TimeInterval", 5},
        {L"SetColor", 6},
        {L"SetAppIcon", 7},
        {L"SetTrayIcon", 8},
        {L"ShowUpdateBalloon", 9},
        {L"action", 0},
        {L"ActionX", 0},
        {L"Actio", 0},
        {L"", 0},
    };
    for (const Case& c : cases) {
        LPOLESTR names[2] = {const_cast<LPOLESTR>(c.name), const_cast<LPOLESTR>(L"Action")};
        DISPID ids[2] = {-7, -7};
        HRESULT hr = kNtfObjTable.GetIDsOfNames(nullptr, IID_NULL, names, 2, 0, ids);
        EXPECT_EQ(hr, c.id ? S_OK : E_NOINTERFACE) << c.name;
        EXPECT_EQ(ids[0], c.id ? c.id : -7) << c.name;
        EXPECT_EQ(ids[1], -7) << "only the first name is looked at";
    }
    DISPID id = -7;
    LPOLESTR nullName = nullptr;
    EXPECT_EQ(kNtfObjTable.GetIDsOfNames(nullptr, IID_NULL, &nullName, 1, 0, &id), E_INVALIDARG);
    LPOLESTR action = const_cast<LPOLESTR>(L"Action");
    EXPECT_EQ(kNtfObjTable.GetIDsOfNames(nullptr, IID_NULL, &action, 0, 0, &id), E_INVALIDARG);
    EXPECT_EQ(kNtfObjTable.GetIDsOfNames(nullptr, IID_NULL, nullptr, 1, 0, &id), E_INVALIDARG);
    EXPECT_EQ(id, -7);
}

// Arguments in positional order (first argument first), reversed into rgvarg.
struct Args {
    std::vector<VARIANT> reversed;
    DISPPARAMS params{};
    explicit Args(std::initializer_list<VARTYPE> tags)
    {
        for (VARTYPE tag : tags) {
            VARIANT v;
            std::memset(&v, 0, sizeof v);
            v.vt = tag;
            reversed.insert(reversed.begin(), v);
        }
        params.rgvarg = reversed.empty() ? nullptr : reversed.data();
        params.cArgs = static_cast<UINT>(reversed.size());
    }
};

TEST(Dispatcher, InvokeChecksInOrder)
{
    const VARTYPE S = VT_BSTR, L = VT_I4, I = VT_I2, U = VT_UINT, B = VT_UI1;
    const VARTYPE byrefS = VT_BYREF | VT_BSTR;
    struct Case {
        bool off;
        DISPID id;
        WORD flags;
        std::initializer_list<VARTYPE> tags;
        bool nullParams;
        HRESULT result;
        bool call;
    } cases[] = {
        {false, 1, DISPATCH_METHOD, {S, S, S, S, L, L}, false, S_OK, true},
        {false, 2, DISPATCH_METHOD, {S, I}, false, S_OK, true},
        {false, 3, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {S, I}, false, S_OK, true},
        {false, 4, DISPATCH_METHOD, {S, I}, false, S_OK, true},
        {false, 5, DISPATCH_METHOD, {U}, false, S_OK, true},
        {false, 6, DISPATCH_METHOD, {U, U, U, U, U}, false, S_OK, true},
        {false, 7, DISPATCH_METHOD, {B}, false, S_OK, true},
        {false, 8, DISPATCH_METHOD, {S}, false, S_OK, true},
        {false, 9, DISPATCH_METHOD, {S}, false, S_OK, true},
        // Extra leading arguments are ignored.
        {false, 2, DISPATCH_METHOD, {L, L, S, I}, false, S_OK, true},
        // Wrong tags, including a by-reference string and a VT_I4 mask.
        {false, 2, DISPATCH_METHOD, {S, L}, false, DISP_E_TYPEMISMATCH, false},
        {false, 1, DISPATCH_METHOD, {byrefS, S, S, S, L, L}, false, DISP_E_TYPEMISMATCH, false},
        {false, 1, DISPATCH_METHOD, {S, S, S, S, L, I}, false, DISP_E_TYPEMISMATCH, false},
        {false, 5, DISPATCH_METHOD, {L}, false, DISP_E_TYPEMISMATCH, false},
        {false, 6, DISPATCH_METHOD, {U, U, U, U, L}, false, DISP_E_TYPEMISMATCH, false},
        {false, 7, DISPATCH_METHOD, {L}, false, DISP_E_TYPEMISMATCH, false},
        // Too few arguments: never read past cArgs.
        {false, 1, DISPATCH_METHOD, {S, S, S, S, L}, false, DISP_E_BADPARAMCOUNT, false},
        {false, 6, DISPATCH_METHOD, {}, false, DISP_E_BADPARAMCOUNT, false},
        {false, 5, DISPATCH_METHOD, {}, true, DISP_E_BADPARAMCOUNT, false},
        // Not a method call, or no such method: nothing happens.
        {false, 1, DISPATCH_PROPERTYGET, {S, S, S, S, L, L}, false, S_OK, false},
        {false, 0, DISPATCH_METHOD, {S}, false, S_OK, false},
        {false, 10, DISPATCH_METHOD, {S}, false, S_OK, false},
        {false, 1, DISPATCH_PROPERTYGET, {}, true, S_OK, false},
        // The server switched off wins over everything.
        {true, 2, DISPATCH_METHOD, {S, I}, false, S_FALSE, false},
        {true, 0, 0, {}, true, S_FALSE, false},
    };
    int index = 0;
    for (const Case& c : cases) {
        Args args(c.tags);
        bool call = !c.call;
        EXPECT_EQ(CheckInvoke(c.off, c.id, c.flags, c.nullParams ? nullptr : &args.params, &call),
                  c.result)
            << "case " << index;
        EXPECT_EQ(call, c.call) << "case " << index;
        ++index;
    }
}

TEST_F(ComTest, InvokeCallsTheMethodsWithWholeValuesAndWritesOnlyTheirResult)
{
    IDispatch* dispatch = static_cast<IDispatch*>(Create(kIDispatch));
    ASSERT_EQ(serverDisabled, 0);

    Args delay({VT_UINT});
    delay.reversed[0].uintVal = 40000;
    VARIANT result;
    std::memset(&result, 0, sizeof result);
    result.vt = VT_R8;
    EXPECT_EQ(
        dispatch->Invoke(5, IID_NULL, 0, DISPATCH_METHOD, &delay.params, &result, nullptr, nullptr),
        S_OK);
    EXPECT_EQ(NotifySession.closeDelayMs, 40000u) << "the whole 32-bit value";
    EXPECT_EQ(result.vt, VT_R8) << "TimeInterval writes no result";

    Args colours({VT_UINT, VT_UINT, VT_UINT, VT_UINT, VT_UINT});
    const ULONG values[5] = {0x00F8D6BF, 0x00FF0000, 0x00010203, 0x00808080, 0x00FEDCBA};
    for (int i = 0; i < 5; ++i) colours.reversed[4 - i].uintVal = values[i];
    dispatch->Invoke(6, IID_NULL, 0, DISPATCH_METHOD, &colours.params, nullptr, nullptr, nullptr);
    EXPECT_EQ(NotifySession.gradientFrom, values[0]);
    EXPECT_EQ(NotifySession.gradientTo, values[1]);
    EXPECT_EQ(NotifySession.borderColor, values[2]);
    EXPECT_EQ(NotifySession.titleColor, values[3]);
    EXPECT_EQ(NotifySession.bodyColor, values[4]);

    HICON icon = LoadIcon(nullptr, IDI_ERROR);
    Args iconArg({VT_UI1});
    iconArg.reversed[0].lVal = static_cast<LONG>(reinterpret_cast<LONG_PTR>(icon));
    dispatch->Invoke(7, IID_NULL, 0, DISPATCH_METHOD, &iconArg.params, nullptr, nullptr, nullptr);
    EXPECT_EQ(NotifySession.appIcon, icon);

    Bstr list(L"one|two");
    Args check({VT_BSTR, VT_I2});
    check.reversed[1].bstrVal = list.value;
    check.reversed[0].iVal = 6;
    std::memset(&result, 0xAB, sizeof result);
    EXPECT_EQ(
        dispatch->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &check.params, &result, nullptr, nullptr),
        S_OK);
    EXPECT_STREQ(NotifySession.checkList, "one|two");
    EXPECT_EQ(NotifySession.checkMask, 6);
    EXPECT_EQ(result.vt, VT_I2);
    EXPECT_EQ(result.iVal, 0);
    EXPECT_EQ(result.wReserved1, 0xABAB) << "nothing else of the result is written";

    // Without a result variable the call runs the same and writes nothing back.
    Bstr nine(L"nine");
    check.reversed[1].bstrVal = nine.value;
    EXPECT_EQ(
        dispatch->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &check.params, nullptr, nullptr, nullptr),
        S_OK);
    EXPECT_STREQ(NotifySession.checkList, "nine");
    check.reversed[1].bstrVal = list.value;
    dispatch->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &check.params, nullptr, nullptr, nullptr);

    // Too few arguments through the object itself: refused before anything is read.
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(dispatch->Invoke(6, IID_NULL, 0, DISPATCH_METHOD, nullptr, &result, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);

    // A refused call changes nothing.
    Bstr other(L"x");
    check.reversed[1].bstrVal = other.value;
    check.reversed[0].vt = VT_I4;
    result.vt = VT_EMPTY;
    EXPECT_EQ(
        dispatch->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &check.params, &result, nullptr, nullptr),
        DISP_E_TYPEMISMATCH);
    EXPECT_STREQ(NotifySession.checkList, "one|two");
    EXPECT_EQ(result.vt, VT_EMPTY);

    // Action's result is the session's result code.
    NotifySession.resultCode = 3;
    Bstr heading(L"H"), body(L"B");
    Args action({VT_BSTR, VT_BSTR, VT_BSTR, VT_BSTR, VT_I4, VT_I4});
    action.reversed[5].bstrVal = heading.value;
    action.reversed[4].bstrVal = body.value;
    action.reversed[1].lVal = 0x5678;
    EXPECT_EQ(dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &action.params, &result, nullptr,
                               nullptr),
              S_OK);
    EXPECT_EQ(result.vt, VT_I2);
    EXPECT_EQ(result.iVal, 3);
    EXPECT_EQ(NotifySession.ownerWindow, reinterpret_cast<HWND>(0x5678));
    if (NotifySession.popupWindow)
        DestroyWindow(NotifySession.popupWindow);
    dispatch->Release();
}

// Sets safety options through IObjectSafety, as a browser does before a page may script the
// object (mask and enabled both INTERFACESAFE_FOR_UNTRUSTED_CALLER).
void SetSafety(IDispatch* dispatch, const IID& iid, DWORD mask, DWORD enabled)
{
    void* out = nullptr;
    ASSERT_EQ(dispatch->QueryInterface(IID_IObjectSafety, &out), S_OK);
    const ObjectSafetyTable* safety = *static_cast<const ObjectSafetyTable**>(out);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(out, iid, mask, enabled), S_OK);
    safety->Release(out);
}

void MarkForUntrustedCallers(IDispatch* dispatch, const IID& iid, DWORD options)
{
    SetSafety(dispatch, iid, options, options);
}

TEST_F(ComTest, UntrustedCallersCannotReachTheTrayMethodsWithAString)
{
    // A script's short string inside a block the test owns: a read of a record there would
    // start a tray session from the bytes after it, the balloon's write would land 920 bytes
    // further on.
    std::vector<unsigned char> block(4096, 0xA5);
    const wchar_t text[] = L"hi";
    const UINT32 byteLength = 4;
    std::memcpy(&block[0], &byteLength, sizeof byteLength);
    std::memcpy(&block[4], text, sizeof text);
    const std::vector<unsigned char> before = block;
    BSTR script = reinterpret_cast<BSTR>(&block[4]);

    IDispatch* dispatch = static_cast<IDispatch*>(Create(kIDispatch));
    MarkForUntrustedCallers(dispatch, kIDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER);
    for (DISPID id : {8, 9}) {
        Args call({VT_BSTR});
        call.reversed[0].bstrVal = script;
        VARIANT result;
        VariantInit(&result);
        EXPECT_EQ(dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &call.params, &result, nullptr,
                                   nullptr),
                  E_ACCESSDENIED)
            << id;
        EXPECT_EQ(result.vt, VT_EMPTY) << id;
        EXPECT_TRUE(block == before) << "no byte of the block changed: " << id;
        EXPECT_EQ(NotifySession.trayWindow, nullptr) << id;
        EXPECT_EQ(NotifySession.currentTrayRequest, nullptr) << id;
        EXPECT_EQ(FindWindowA(kTrayWindowClass, nullptr), nullptr) << id;
        EXPECT_EQ(NotifySession.popupWindow, nullptr) << id;
    }
    // Every other method still works for the page.
    Bstr list(L"a|b");
    Args check({VT_BSTR, VT_I2});
    check.reversed[1].bstrVal = list.value;
    EXPECT_EQ(
        dispatch->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &check.params, nullptr, nullptr, nullptr),
        S_OK);
    EXPECT_STREQ(NotifySession.checkList, "a|b");
    dispatch->Release();
}

TEST_F(ComTest, OnlyAHostThatAskedForUntrustedCallerSafetyLosesTheTrayMethods)
{
    // A null record reaches the methods and does nothing but report the result; a refused
    // call reports nothing. Early-bound calls are never refused.
    struct Case {
        const IID* iid;
        DWORD options;
        bool refused;
    } cases[] = {
        {nullptr, 0, false},  // never asked (a compiled host, WSH)
        {&kIDispatch, INTERFACESAFE_FOR_UNTRUSTED_DATA, false},  // initialisation only
        {&kIDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER, true},
        {&kIPersist, INTERFACESAFE_FOR_UNTRUSTED_CALLER, true},  // asked about any interface
    };
    for (const Case& c : cases) {
        IDispatch* dispatch = static_cast<IDispatch*>(Create(kIDispatch));
        if (c.iid)
            MarkForUntrustedCallers(dispatch, *c.iid, c.options);
        NotifySession.resultCode = 4;
        for (DISPID id : {8, 9}) {
            Args call({VT_BSTR});
            VARIANT result;
            VariantInit(&result);
            EXPECT_EQ(dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &call.params, &result,
                                       nullptr, nullptr),
                      c.refused ? E_ACCESSDENIED : S_OK)
                << c.options << " " << id;
            EXPECT_EQ(result.vt, c.refused ? VT_EMPTY : VT_I2);
            short early = -1;
            IAxObj* object = reinterpret_cast<IAxObj*>(dispatch);
            EXPECT_EQ(id == 8 ? object->SetTrayIcon(nullptr, &early)
                              : object->ShowUpdateBalloon(nullptr, &early),
                      S_OK);
            EXPECT_EQ(early, 4);
        }
        // Clearing the option later does not lift the refusal.
        if (c.refused) {
            SetSafety(dispatch, *c.iid, INTERFACESAFE_FOR_UNTRUSTED_CALLER, 0);
            Args call({VT_BSTR});
            EXPECT_EQ(dispatch->Invoke(8, IID_NULL, 0, DISPATCH_METHOD, &call.params, nullptr,
                                       nullptr, nullptr),
                      E_ACCESSDENIED);
        }
        dispatch->Release();
    }
    // Marks are per object: a second object of the same process is trusted.
    IDispatch* marked = static_cast<IDispatch*>(Create(kIDispatch));
    MarkForUntrustedCallers(marked, kIDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER);
    IDispatch* other = static_cast<IDispatch*>(Create(kIDispatch));
    Args call({VT_BSTR});
    EXPECT_EQ(
        other->Invoke(8, IID_NULL, 0, DISPATCH_METHOD, &call.params, nullptr, nullptr, nullptr),
        S_OK);
    other->Release();
    marked->Release();
}

}  // namespace
