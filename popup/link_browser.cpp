#include "popup/link_browser.h"

#include <cstring>
#include <exdisp.h>
#include <ole2.h>

static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA layout");

namespace {
// {0002DF01-0000-0000-C000-000000000046} and {D30C1661-CDAF-11D0-8A3E-00C04FC9E26E}, spelt
// out so that no GUID library is needed.
const CLSID kInternetExplorer = {0x0002DF01, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kWebBrowser2 = {0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};
const DWORD kAnyServer = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
static_assert(kAnyServer == 0x15, "class context");
enum { kWideBufferChars = 1024 };
}

int OpenLinkInBrowser(const char* url)
{
    CoInitialize(nullptr);
    IWebBrowser2* browser = nullptr;
    const HRESULT created = CoCreateInstance(kInternetExplorer, nullptr, kAnyServer, kWebBrowser2,
                                             reinterpret_cast<void**>(&browser));
    if (FAILED(created)) {
        CoUninitialize();
        return 0;
    }
    if (!browser) {
        CoUninitialize();
        return 1;
    }

    // Bring the new window forward before it is asked to navigate.
    SHANDLE_PTR window = 0;
    browser->get_HWND(&window);
    if (window) {
        HWND handle = reinterpret_cast<HWND>(window);
        SetForegroundWindow(handle);
        ShowWindow(handle, SW_SHOW);
    }

    if (url && url[0]) {
        WCHAR wide[kWideBufferChars];
        std::memset(wide, 0, sizeof wide);
        MultiByteToWideChar(CP_ACP, 0, url, -1, wide, kWideBufferChars - 1);
        BSTR address = SysAllocString(wide);
        VARIANT target;
        VariantInit(&target);
        target.vt = VT_BSTR;
        target.bstrVal = address;
        VARIANT empty;
        VariantInit(&empty);
        browser->Navigate2(&target, &empty, &empty, &empty, &empty);
        SysFreeString(address);
    }

    browser->Release();
    CoUninitialize();
    return 1;
}

int IsOldNtVersion(DWORD platformId, DWORD majorVersion)
{
    return platformId == VER_PLATFORM_WIN32_NT && majorVersion <= 4 ? 1 : 0;
}

int IsOldNtPlatform()
{
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return 0;
    return IsOldNtVersion(version.dwPlatformId, version.dwMajorVersion);
}
