#define COBJMACROS
#include "browser_in_process.h"

#include <ole2.h>
#include <exdisp.h>
#include <string.h>

static const CLSID kInternetExplorer = {
    0x0002DF01, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const IID kWebBrowser2 = {
    0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};
static const IID kWebBrowserApp = {
    0x0002DF05, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const IID kWebBrowser = {
    0xEAB22AC1, 0x30C1, 0x11CF, {0xA7, 0xEB, 0x00, 0x00, 0xC0, 0x5B, 0xAE, 0x0B}};

static volatile LONG references, created, navigations;
static WCHAR lastAddress[1024];
static DWORD cookie;

/* Every slot the module never calls. */
static HRESULT STDMETHODCALLTYPE NotImplemented(void* self)
{
    (void)self;
    return E_NOTIMPL;
}

static HRESULT STDMETHODCALLTYPE QueryInterface(IWebBrowser2* self, REFIID iid, void** out)
{
    if (IsEqualIID(iid, &IID_IUnknown) || IsEqualIID(iid, &IID_IDispatch) ||
        IsEqualIID(iid, &kWebBrowser2) || IsEqualIID(iid, &kWebBrowserApp) ||
        IsEqualIID(iid, &kWebBrowser)) {
        *out = self;
        InterlockedIncrement(&references);
        return S_OK;
    }
    *out = NULL;
    return E_NOINTERFACE;
}

static ULONG STDMETHODCALLTYPE AddRef(IWebBrowser2* self)
{
    (void)self;
    return (ULONG)InterlockedIncrement(&references);
}

static ULONG STDMETHODCALLTYPE Release(IWebBrowser2* self)
{
    (void)self;
    return (ULONG)InterlockedDecrement(&references);
}

/* No window: the module then has nothing to bring forward. */
static HRESULT STDMETHODCALLTYPE GetHwnd(IWebBrowser2* self, SHANDLE_PTR* window)
{
    (void)self;
    *window = 0;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE Navigate2(IWebBrowser2* self, VARIANT* url, VARIANT* flags,
                                           VARIANT* frame, VARIANT* postData, VARIANT* headers)
{
    (void)self;
    (void)flags;
    (void)frame;
    (void)postData;
    (void)headers;
    lastAddress[0] = 0;
    if (url && V_VT(url) == VT_BSTR && V_BSTR(url))
        lstrcpynW(lastAddress, V_BSTR(url), sizeof lastAddress / sizeof lastAddress[0]);
    InterlockedIncrement(&navigations);
    return S_OK;
}

static IWebBrowser2Vtbl browserTable;
static IWebBrowser2 browser = {&browserTable};

static HRESULT STDMETHODCALLTYPE FactoryQueryInterface(IClassFactory* self, REFIID iid, void** out)
{
    if (IsEqualIID(iid, &IID_IUnknown) || IsEqualIID(iid, &IID_IClassFactory)) {
        *out = self;
        return S_OK;
    }
    *out = NULL;
    return E_NOINTERFACE;
}
static ULONG STDMETHODCALLTYPE FactoryAddRef(IClassFactory* self)
{
    (void)self;
    return 2;
}
static ULONG STDMETHODCALLTYPE FactoryRelease(IClassFactory* self)
{
    (void)self;
    return 1;
}
static HRESULT STDMETHODCALLTYPE FactoryCreateInstance(IClassFactory* self, IUnknown* outer,
                                                       REFIID iid, void** out)
{
    (void)self;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    InterlockedIncrement(&created);
    return QueryInterface(&browser, iid, out);
}
static HRESULT STDMETHODCALLTYPE FactoryLockServer(IClassFactory* self, BOOL lock)
{
    (void)self;
    (void)lock;
    return S_OK;
}
static IClassFactoryVtbl factoryTable = {FactoryQueryInterface, FactoryAddRef, FactoryRelease,
                                         FactoryCreateInstance, FactoryLockServer};
static IClassFactory factory = {&factoryTable};

HRESULT RegisterBrowserInProcess(void)
{
    void** slots = (void**)&browserTable;
    size_t i;
    for (i = 0; i < sizeof browserTable / sizeof(void*); ++i) slots[i] = (void*)NotImplemented;
    browserTable.QueryInterface = QueryInterface;
    browserTable.AddRef = AddRef;
    browserTable.Release = Release;
    browserTable.get_HWND = GetHwnd;
    browserTable.Navigate2 = Navigate2;
    return CoRegisterClassObject(&kInternetExplorer, (IUnknown*)&factory,
                                 CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                 &cookie);
}

void RevokeBrowserInProcess(void)
{
    if (cookie)
        CoRevokeClassObject(cookie);
    cookie = 0;
}

LONG BrowserObjectsCreated(void)
{
    return created;
}
LONG BrowserNavigations(void)
{
    return navigations;
}
LONG BrowserReferences(void)
{
    return references;
}
const WCHAR* BrowserLastAddress(void)
{
    return lastAddress;
}
