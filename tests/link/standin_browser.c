/* A stand-in for the browser's automation object: a local server registered under the
   browser's class in the test prefix. It records, one line per event, into
   standin_browser.log beside itself: "get_HWND", "activated" and "shown" when its window is
   brought forward and shown,
   "Navigate2 <address>", "released", "exit". Its window is what get_HWND hands out. */
#define COBJMACROS
#include <windows.h>
#include <ole2.h>
#include <exdisp.h>
#include <stdio.h>
#include <string.h>

static const CLSID kInternetExplorer = {
    0x0002DF01, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const IID kWebBrowser2 = {
    0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};
static const IID kWebBrowserApp = {
    0x0002DF05, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const IID kWebBrowser = {
    0xEAB22AC1, 0x30C1, 0x11CF, {0xA7, 0xEB, 0x00, 0x00, 0xC0, 0x5B, 0xAE, 0x0B}};

static char logPath[MAX_PATH];
static HWND browserWindow;
static LONG references = 0;

static void Record(const char* line)
{
    FILE* f = fopen(logPath, "a");
    if (!f)
        return;
    fprintf(f, "%s\n", line);
    fclose(f);
}

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
    LONG left = InterlockedDecrement(&references);
    if (left == 0) {
        Record("released");
        PostQuitMessage(0);
    }
    return (ULONG)left;
}

static HRESULT STDMETHODCALLTYPE GetHwnd(IWebBrowser2* self, SHANDLE_PTR* window)
{
    (void)self;
    Record("get_HWND");
    *window = (SHANDLE_PTR)browserWindow;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE Navigate2(IWebBrowser2* self, VARIANT* url, VARIANT* flags,
                                           VARIANT* frame, VARIANT* postData, VARIANT* headers)
{
    char line[2200];
    char address[2048] = "";
    (void)self;
    if (url && V_VT(url) == VT_BSTR && V_BSTR(url))
        WideCharToMultiByte(CP_UTF8, 0, V_BSTR(url), -1, address, sizeof address, NULL, NULL);
    snprintf(line, sizeof line, "Navigate2 %d %d %d %d %d %s", url ? V_VT(url) : -1,
             flags ? V_VT(flags) : -1, frame ? V_VT(frame) : -1, postData ? V_VT(postData) : -1,
             headers ? V_VT(headers) : -1, address);
    Record(line);
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
    Record("created");
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

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SHOWWINDOW && wParam)
        Record("shown");
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE)
        Record("activated");
    if (message == WM_TIMER)
        PostQuitMessage(0); /* never outlive a test */
    return DefWindowProcA(window, message, wParam, lParam);
}

int main(void)
{
    WNDCLASSA wc;
    DWORD cookie = 0;
    MSG msg;
    char* slash;
    void** slots = (void**)&browserTable;
    size_t i;

    GetModuleFileNameA(NULL, logPath, MAX_PATH);
    slash = strrchr(logPath, '\\');
    strcpy(slash ? slash + 1 : logPath, "standin_browser.log");

    for (i = 0; i < sizeof browserTable / sizeof(void*); ++i) slots[i] = (void*)NotImplemented;
    browserTable.QueryInterface = QueryInterface;
    browserTable.AddRef = AddRef;
    browserTable.Release = Release;
    browserTable.get_HWND = GetHwnd;
    browserTable.Navigate2 = Navigate2;

    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "StandInBrowser";
    RegisterClassA(&wc);
    browserWindow = CreateWindowA("StandInBrowser", "Stand-in browser", WS_OVERLAPPEDWINDOW, 10, 10,
                                  200, 100, NULL, NULL, wc.hInstance, NULL);
    SetTimer(browserWindow, 1, 30000, NULL);

    CoInitialize(NULL);
    CoRegisterClassObject(&kInternetExplorer, (IUnknown*)&factory, CLSCTX_LOCAL_SERVER,
                          REGCLS_SINGLEUSE, &cookie);
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    CoRevokeClassObject(cookie);
    DestroyWindow(browserWindow);
    CoUninitialize();
    Record("exit");
    return 0;
}
