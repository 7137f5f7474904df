// NtfObj embedded as a control: a container drives every IOleObject operation in table order
// with a client site and an advise sink that count their references, the site is kept and let
// go without a cycle, and null out-pointers at the class object and the factory change nothing.
// Faults anywhere in the process are counted by a vectored exception handler.
#include <gtest/gtest.h>
#include <ole2.h>
#include <olectl.h>
#include <functional>
#include <string>

#include "automation/ntf_object.h"
#include "automation/class_factory.h"
#include "module/module_state.h"
#include "popup/notify_session.h"

namespace {

const IID kIClassFactory = {1, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIOleClientSite = {0x00000118, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIAdviseSink = {0x0000010F, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Access violations, illegal instructions, stack overflows and the like, seen by any thread.
volatile LONG faults = 0;

LONG CALLBACK CountFault(EXCEPTION_POINTERS* info)
{
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    if ((code & 0xF0000000u) == 0xC0000000u)
        InterlockedIncrement(&faults);
    return EXCEPTION_CONTINUE_SEARCH;
}

class FaultCounter {
public:
    FaultCounter() : handler_(AddVectoredExceptionHandler(1, CountFault)) { faults = 0; }
    ~FaultCounter() { RemoveVectoredExceptionHandler(handler_); }
    LONG count() const { return faults; }

private:
    void* handler_;
};

// A container's client site that counts its references; onLastRelease runs when the count
// falls back to the test's own reference.
class CountingSite : public IOleClientSite {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIOleClientSite)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        --references;
        if (references == 1 && onLastRelease) {
            auto run = onLastRelease;
            onLastRelease = nullptr;
            run();
        }
        return references;
    }
    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override
    {
        *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override
    {
        *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    LONG references = 1;
    std::function<void()> onLastRelease;
};

class CountingSink : public IAdviseSink {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIAdviseSink)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    void STDMETHODCALLTYPE OnDataChange(FORMATETC*, STGMEDIUM*) override {}
    void STDMETHODCALLTYPE OnViewChange(DWORD, LONG) override {}
    void STDMETHODCALLTYPE OnRename(IMoniker*) override {}
    void STDMETHODCALLTYPE OnSave() override {}
    void STDMETHODCALLTYPE OnClose() override {}

    LONG references = 1;
};

LONG Count(IUnknown* object)
{
    object->AddRef();
    return static_cast<LONG>(object->Release());
}

class ContainerTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitialNotifySession(&NotifySession);
        ASSERT_EQ(liveObjectCount, 0);
        ASSERT_EQ(OleInitialize(nullptr), S_OK);
    }
    void TearDown() override
    {
        OleUninitialize();
        EXPECT_EQ(liveObjectCount, 0) << "an object or factory leaked";
        EXPECT_EQ(counter_.count(), 0) << "faults in the process";
    }
    // A new object through the class factory, as a container gets it.
    static IOleObject* CreateControl()
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(
            DllGetClassObject(CLSID_NtfObj, kIClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
        IOleObject* control = nullptr;
        EXPECT_EQ(
            factory->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&control)),
            S_OK);
        factory->Release();
        return control;
    }

    FaultCounter counter_;
};

TEST_F(ContainerTest, EveryOperationInTableOrderAnswersAndEveryReferenceComesBack)
{
    IOleObject* control = CreateControl();
    ASSERT_NE(control, nullptr);
    CountingSite site;
    CountingSink sink;
    IMoniker* moniker = nullptr;
    ASSERT_EQ(CreateItemMoniker(L"!", L"control", &moniker), S_OK);
    const LONG monikerReferences = Count(moniker);
    IDataObject* data = nullptr;
    ASSERT_EQ(OleGetClipboard(&data), S_OK);
    const LONG dataReferences = Count(data);
    HWND window = CreateWindowExA(0, "STATIC", "container", WS_POPUP, 0, 0, 200, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    RECT area = {0, 0, 200, 100};

    // Out-values start as something the object must overwrite or clear.
    void* const junk = reinterpret_cast<void*>(0x7);
    IOleClientSite* gotSite = nullptr;
    IMoniker* gotMoniker = static_cast<IMoniker*>(junk);
    IDataObject* gotData = static_cast<IDataObject*>(junk);
    IEnumOLEVERB* verbs = static_cast<IEnumOLEVERB*>(junk);
    CLSID clsid = {};
    LPOLESTR userType = static_cast<LPOLESTR>(junk);
    SIZEL size = {2540, 2540};
    DWORD connection = 99;
    IEnumSTATDATA* advises = static_cast<IEnumSTATDATA*>(junk);
    DWORD status = 0;
    LOGPALETTE palette = {0x300, 1, {{0, 0, 0, 0}}};

    struct Step {
        const char* name;
        std::function<HRESULT()> call;
        HRESULT result;
        LONG siteReferences;  // after the call
    } steps[] = {
        {"SetClientSite", [&] { return control->SetClientSite(&site); }, S_OK, 2},
        {"GetClientSite", [&] { return control->GetClientSite(&gotSite); }, S_OK, 3},
        {"SetHostNames", [&] { return control->SetHostNames(L"Container", L"Document"); }, S_OK, 3},
        {"Close",
         [&] {
             gotSite->Release();
             return control->Close(OLECLOSE_NOSAVE);
         },
         S_OK, 1},
        {"SetMoniker", [&] { return control->SetMoniker(OLEWHICHMK_CONTAINER, moniker); },
         E_NOTIMPL, 1},
        {"GetMoniker",
         [&] {
             return control->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_OBJFULL, &gotMoniker);
         },
         E_NOTIMPL, 1},
        {"InitFromData", [&] { return control->InitFromData(data, TRUE, 0); }, E_NOTIMPL, 1},
        {"GetClipboardData", [&] { return control->GetClipboardData(0, &gotData); }, E_NOTIMPL, 1},
        {"DoVerb",
         [&] {
             return control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, window, &area);
         },
         S_OK, 1},
        {"EnumVerbs", [&] { return control->EnumVerbs(&verbs); }, OLEOBJ_E_NOVERBS, 1},
        {"Update", [&] { return control->Update(); }, S_OK, 1},
        {"IsUpToDate", [&] { return control->IsUpToDate(); }, S_OK, 1},
        {"GetUserClassID", [&] { return control->GetUserClassID(&clsid); }, S_OK, 1},
        {"GetUserType", [&] { return control->GetUserType(USERCLASSTYPE_FULL, &userType); },
         OLE_S_USEREG, 1},
        {"SetExtent", [&] { return control->SetExtent(DVASPECT_CONTENT, &size); }, E_FAIL, 1},
        {"GetExtent", [&] { return control->GetExtent(DVASPECT_CONTENT, &size); }, S_OK, 1},
        {"Advise", [&] { return control->Advise(&sink, &connection); }, OLE_E_ADVISENOTSUPPORTED,
         1},
        {"Unadvise", [&] { return control->Unadvise(connection); }, OLE_E_NOCONNECTION, 1},
        {"EnumAdvise", [&] { return control->EnumAdvise(&advises); }, E_NOTIMPL, 1},
        {"GetMiscStatus", [&] { return control->GetMiscStatus(DVASPECT_CONTENT, &status); }, S_OK,
         1},
        {"SetColorScheme", [&] { return control->SetColorScheme(&palette); }, E_NOTIMPL, 1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        EXPECT_EQ(step.call(), step.result);
        EXPECT_EQ(site.references, step.siteReferences);
        EXPECT_EQ(Count(control), 1);
    }
    EXPECT_EQ(gotSite, static_cast<IOleClientSite*>(&site));
    EXPECT_EQ(gotMoniker, nullptr);
    EXPECT_EQ(gotData, nullptr);
    EXPECT_EQ(verbs, nullptr);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_NtfObj));
    EXPECT_EQ(userType, nullptr);
    EXPECT_EQ(size.cx, 0);
    EXPECT_EQ(size.cy, 0);
    EXPECT_EQ(connection, 0u);
    EXPECT_EQ(advises, nullptr);
    EXPECT_EQ(status,
              DWORD(OLEMISC_INVISIBLEATRUNTIME | OLEMISC_NOUIACTIVATE | OLEMISC_CANTLINKINSIDE));
    EXPECT_EQ(sink.references, 1) << "the advise sink is not held";
    EXPECT_EQ(Count(moniker), monikerReferences);
    EXPECT_EQ(Count(data), dataReferences);

    // The object's own methods still work afterwards.
    IAxObj* automation = nullptr;
    ASSERT_EQ(control->QueryInterface(IID_IAxObj, reinterpret_cast<void**>(&automation)), S_OK);
    BSTR list = SysAllocString(L"one|two");
    short result = -1;
    EXPECT_EQ(automation->SetCheckInfo(list, 2, &result), S_OK);
    EXPECT_EQ(result, 0);
    EXPECT_STREQ(NotifySession.checkList, "one|two");
    SysFreeString(list);
    automation->Release();

    // A site handed over again is let go when the container drops the object.
    ASSERT_EQ(control->SetClientSite(&site), S_OK);
    EXPECT_EQ(site.references, 2);
    EXPECT_EQ(control->Release(), 0u);
    EXPECT_EQ(site.references, 1);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    DestroyWindow(window);
    data->Release();
    moniker->Release();
}

TEST_F(ContainerTest, StandardVerbsSucceedAndOthersAreAnsweredAsOleDocumentsThem)
{
    IOleObject* control = CreateControl();
    CountingSite site;
    struct Verb {
        LONG verb;
        HRESULT result;
    } verbs[] = {
        {OLEIVERB_PRIMARY, S_OK},
        {OLEIVERB_SHOW, S_OK},
        {OLEIVERB_OPEN, S_OK},
        {OLEIVERB_HIDE, S_OK},
        {OLEIVERB_UIACTIVATE, S_OK},
        {OLEIVERB_INPLACEACTIVATE, S_OK},
        {OLEIVERB_DISCARDUNDOSTATE, S_OK},
        {OLEIVERB_PROPERTIES, E_NOTIMPL},
        {-8, E_NOTIMPL},
        {LONG(0x80000000), E_NOTIMPL},
        {1, OLEOBJ_S_INVALIDVERB},
        {0x7FFFFFFF, OLEOBJ_S_INVALIDVERB},
    };
    for (const Verb& v : verbs) {
        EXPECT_EQ(control->DoVerb(v.verb, nullptr, &site, 0, nullptr, nullptr), v.result) << v.verb;
        EXPECT_EQ(site.references, 1) << "DoVerb's site is not kept";
    }
    for (DWORD aspect : {DWORD(DVASPECT_CONTENT), DWORD(DVASPECT_ICON)}) {
        DWORD status = 0;
        EXPECT_EQ(control->GetMiscStatus(aspect, &status), S_OK);
        EXPECT_NE(status & OLEMISC_INVISIBLEATRUNTIME, 0u);
    }
    control->Release();
}

TEST_F(ContainerTest, ClientSiteIsReplacedReleasedOnceAndMayCallBackWhileItGoes)
{
    IOleObject* control = CreateControl();
    CountingSite first, second;
    ASSERT_EQ(control->SetClientSite(&first), S_OK);
    ASSERT_EQ(control->SetClientSite(&second), S_OK);
    EXPECT_EQ(first.references, 1);
    EXPECT_EQ(second.references, 2);
    ASSERT_EQ(control->SetClientSite(&second), S_OK) << "the same site again";
    EXPECT_EQ(second.references, 2);
    ASSERT_EQ(control->SetClientSite(nullptr), S_OK);
    EXPECT_EQ(second.references, 1);
    IOleClientSite* none = reinterpret_cast<IOleClientSite*>(0x7);
    EXPECT_EQ(control->GetClientSite(&none), S_OK);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(control->Close(OLECLOSE_SAVEIFDIRTY), S_OK) << "closing without a site";

    // A container that tidies up from inside the site's release: it closes the control and
    // takes the site away again, as a control host's site does when it goes.
    ASSERT_EQ(control->SetClientSite(&first), S_OK);
    first.onLastRelease = [&] {
        EXPECT_EQ(control->Close(OLECLOSE_NOSAVE), S_OK);
        EXPECT_EQ(control->SetClientSite(nullptr), S_OK);
    };
    EXPECT_EQ(control->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(first.references, 1);

    // The same when the object itself goes while holding the site.
    ASSERT_EQ(control->SetClientSite(&first), S_OK);
    first.onLastRelease = [&] { EXPECT_EQ(control->SetClientSite(nullptr), S_OK); };
    EXPECT_EQ(control->Release(), 0u);
    EXPECT_EQ(first.references, 1);
    EXPECT_EQ(liveObjectCount, 0);
}

TEST_F(ContainerTest, NullOutPointersAreRefusedAndChangeNothing)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_NtfObj, kIClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    IOleObject* control = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&control)),
              S_OK);
    CountingSink sink;
    const GUID other = {
        0xABEC6103, 0xF6AC, 0x43A3, {0x83, 0x4F, 0xFB, 0x03, 0xFB, 0xA3, 0x39, 0xA3}};

    struct Case {
        const char* name;
        std::function<HRESULT()> call;
        HRESULT result;
    } cases[] = {
        {"DllGetClassObject",
         [] { return DllGetClassObject(CLSID_NtfObj, kIClassFactory, nullptr); }, E_POINTER},
        {"DllGetClassObject, IUnknown",
         [] { return DllGetClassObject(CLSID_NtfObj, IID_IUnknown, nullptr); }, E_POINTER},
        {"DllGetClassObject, another class",
         [&] { return DllGetClassObject(other, kIClassFactory, nullptr); }, E_POINTER},
        {"factory QueryInterface", [&] { return factory->QueryInterface(kIClassFactory, nullptr); },
         E_POINTER},
        {"CreateInstance", [&] { return factory->CreateInstance(nullptr, IID_IAxObj, nullptr); },
         E_POINTER},
        {"CreateInstance, aggregated",
         [&] {
             return factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IUnknown,
                                            nullptr);
         },
         E_POINTER},
        {"CreateInstance, unknown interface",
         [&] { return factory->CreateInstance(nullptr, kIClassFactory, nullptr); }, E_POINTER},
        {"LockServer(TRUE)", [&] { return factory->LockServer(TRUE); }, E_NOTIMPL},
        {"LockServer(FALSE)", [&] { return factory->LockServer(FALSE); }, E_NOTIMPL},
        {"LockServer(2)", [&] { return factory->LockServer(2); }, E_NOTIMPL},
        {"IOleObject QueryInterface",
         [&] { return control->QueryInterface(IID_IOleObject, nullptr); }, E_POINTER},
        {"GetClientSite", [&] { return control->GetClientSite(nullptr); }, E_POINTER},
        {"GetMoniker",
         [&] {
             return control->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_OBJFULL, nullptr);
         },
         E_NOTIMPL},
        {"GetClipboardData", [&] { return control->GetClipboardData(0, nullptr); }, E_NOTIMPL},
        {"EnumVerbs", [&] { return control->EnumVerbs(nullptr); }, OLEOBJ_E_NOVERBS},
        {"GetUserClassID", [&] { return control->GetUserClassID(nullptr); }, E_POINTER},
        {"GetUserType", [&] { return control->GetUserType(USERCLASSTYPE_FULL, nullptr); },
         OLE_S_USEREG},
        {"GetExtent", [&] { return control->GetExtent(DVASPECT_CONTENT, nullptr); }, E_POINTER},
        {"Advise", [&] { return control->Advise(&sink, nullptr); }, OLE_E_ADVISENOTSUPPORTED},
        {"EnumAdvise", [&] { return control->EnumAdvise(nullptr); }, E_NOTIMPL},
        {"GetMiscStatus", [&] { return control->GetMiscStatus(DVASPECT_CONTENT, nullptr); },
         E_POINTER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.call(), c.result);
        EXPECT_EQ(liveObjectCount, 2) << "the factory and the object, nothing more or less";
        EXPECT_EQ(Count(reinterpret_cast<IUnknown*>(factory)), 1);
        EXPECT_EQ(Count(control), 1);
        EXPECT_EQ(sink.references, 1);
    }
    control->Release();
    factory->Release();
}

}  // namespace
