// ntfshow: a command-line host of NtfObj. Loads NtfObj.dll from its own folder without
// registration (or, with --registered, creates the registered server) and shows one notification.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "NtfObj.h"
#include "ntf_version.h"
#include "ntfshow_options.h"
#include "screen_capture.h"

namespace {

std::string Narrow(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    return out;
}

void CopyField(char* field, size_t size, const std::wstring& text)
{
    std::string ansi = Narrow(text);
    lstrcpynA(field, ansi.c_str(), static_cast<int>(size));
}

// A BSTR that frees itself; a null pointer for an empty text keeps "no link" meaning no link.
struct Bstr {
    BSTR value;
    explicit Bstr(const std::wstring& text, bool nullWhenEmpty = false)
        : value(nullWhenEmpty && text.empty() ? nullptr : SysAllocString(text.c_str()))
    {
    }
    ~Bstr() { SysFreeString(value); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
};

// The object from NtfObj.dll beside this program, through its exported class factory.
IAxObj* CreateFromOwnFolder(HMODULE* module)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll(path);
    dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"NtfObj.dll";
    *module = LoadLibraryW(dll.c_str());
    if (!*module) {
        std::fprintf(stderr, "ntfshow: cannot load %s (error %lu)\n", Narrow(dll).c_str(),
                     GetLastError());
        return nullptr;
    }
    typedef HRESULT(STDAPICALLTYPE * GetClassObjectFn)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(*module, "DllGetClassObject")));
    if (!getClassObject) {
        std::fprintf(stderr, "ntfshow: NtfObj.dll has no DllGetClassObject\n");
        return nullptr;
    }
    IClassFactory* factory = nullptr;
    HRESULT hr =
        getClassObject(CLSID_NtfObj, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) {
        std::fprintf(stderr, "ntfshow: DllGetClassObject failed (0x%08lX)\n",
                     static_cast<unsigned long>(hr));
        return nullptr;
    }
    IAxObj* object = nullptr;
    hr = factory->CreateInstance(nullptr, IID_IAxObj, reinterpret_cast<void**>(&object));
    factory->Release();
    if (FAILED(hr))
        std::fprintf(stderr, "ntfshow: CreateInstance failed (0x%08lX)\n",
                     static_cast<unsigned long>(hr));
    return object;
}

IAxObj* CreateRegistered()
{
    IAxObj* object = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_NtfObj, nullptr, CLSCTX_INPROC_SERVER, IID_IAxObj,
                                  reinterpret_cast<void**>(&object));
    if (FAILED(hr))
        std::fprintf(stderr,
                     "ntfshow: CoCreateInstance failed (0x%08lX); is NtfObj.dll registered?\n",
                     static_cast<unsigned long>(hr));
    return object;
}

// Keeps the host's message loop running for a popup that is not waited for.
void PumpMessagesFor(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

unsigned long ShowPopup(IAxObj* object, const ShowOptions& o)
{
    short ignored = 0;
    if (!o.checks.empty()) {
        Bstr list(o.checks);
        object->SetCheckInfo(list.value, static_cast<short>(o.checkMask), &ignored);
    }
    if (!o.buttons.empty()) {
        Bstr list(o.buttons);
        object->SetButtonInfo(list.value, static_cast<short>(o.buttonMask), &ignored);
    }
    if (!o.list.empty()) {
        // The drop-down list is the common controls' extended combo box; the host registers it.
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_USEREX_CLASSES};
        InitCommonControlsEx(&controls);
        Bstr list(o.list);
        object->SetComboxInfo(list.value, 0, &ignored);
    }
    if (o.delayMs != 0)
        object->TimeInterval(o.delayMs);
    if (o.haveColors)
        object->SetColor(o.colors[0], o.colors[1], o.colors[2], o.colors[3], o.colors[4]);

    Bstr heading(o.heading), body(o.body), linkText(o.linkText), url(o.url, true);
    short result = 0;
    object->Action(heading.value, body.value, linkText.value, url.value, 0, StyleForOptions(o),
                   &result);
    if (!o.wait && !o.dialog) {
        // Not waited for: keep the popup alive on this thread's loop until it has closed itself.
        PumpMessagesFor(o.delayMs != 0 && o.delayMs < 20000 ? o.delayMs + 2000 : 22000);
        return 0;
    }
    unsigned short code = static_cast<unsigned short>(result);
    std::printf("result %u (0x%04X): %s\n", code, code, Narrow(DescribeResult(code, o)).c_str());
    return code;
}

unsigned long ShowTray(IAxObj* object, const ShowOptions& o)
{
    static TrayRequest request;  // read by the module's tray thread after the calls return
    ZeroMemory(&request, sizeof request);
    request.icon =
        static_cast<DWORD>(reinterpret_cast<UINT_PTR>(LoadIconA(nullptr, IDI_INFORMATION)));
    CopyField(request.tip, sizeof request.tip, o.tip.empty() ? L"NtfObj" : o.tip);
    CopyField(request.title, sizeof request.title, o.balloonTitle);
    CopyField(request.text, sizeof request.text, o.balloonText);
    request.timeoutMs = o.balloonTimeoutMs;

    short result = 0;
    if (o.balloon) {
        // Waits for the balloon's end (or shows the popup in its place and waits for that).
        object->ShowUpdateBalloon(&request, &result);
    } else {
        object->SetTrayIcon(&request, &result);
        PumpMessagesFor(o.delayMs != 0 ? o.delayMs : 10000);
        request.abort = 1;  // take the icon away again
        object->SetTrayIcon(&request, &result);
        Sleep(200);
        result = 0;
    }
    unsigned short code = static_cast<unsigned short>(result);
    if (o.balloon)
        std::printf("result %u (0x%04X): %s\n", code, code,
                    Narrow(DescribeResult(code, o)).c_str());
    return code;
}

// With --screenshot: a thread timer, which also fires inside the module's own loops (the slide,
// the wait loop, the dialog), saves the screen once the notification is fully shown and ends.
std::wstring screenshotPath;

void CALLBACK TakeScreenshot(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    ExitProcess(SaveScreenToBmp(screenshotPath.c_str()) ? 0 : static_cast<UINT>(kExitNoScreenshot));
}

}  // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    LocalFree(argv);

    ShowOptions options;
    std::wstring error;
    if (!ParseShowOptions(args, &options, &error)) {
        std::fprintf(stderr, "ntfshow: %s\n(see ntfshow --help)\n", Narrow(error).c_str());
        return static_cast<int>(kExitBadArguments);
    }
    if (options.help) {
        std::fputs(Narrow(UsageText()).c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("ntfshow %s\n", NTF_VERSION_TEXT);
        return 0;
    }

    CoInitialize(nullptr);
    HMODULE module = nullptr;
    IAxObj* object = options.registered ? CreateRegistered() : CreateFromOwnFolder(&module);
    if (!object) {
        CoUninitialize();
        return static_cast<int>(kExitNoModule);
    }
    if (!options.screenshot.empty()) {
        screenshotPath = options.screenshot;
        SetTimer(nullptr, 0, 1500, TakeScreenshot);  // the slide-in takes well under a second
    }
    unsigned long status =
        (options.tray || options.balloon) ? ShowTray(object, options) : ShowPopup(object, options);
    object->Release();
    CoUninitialize();
    // The module stays loaded until the process ends: a tray thread may still be leaving.
    return static_cast<int>(status);
}
