#include "popup/link_browser.h"

#include <cstring>
#include <exdisp.h>
#include <ole2.h>
#include <shellapi.h>

namespace {
// {0002DF01-0000-0000-C000-000000000046} and {D30C1661-CDAF-11D0-8A3E-00C04FC9E26E}, spelt
// out so that no GUID library is needed.
const CLSID kInternetExplorer = {
    0x0002DF01, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kWebBrowser2 = {
    0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};
const DWORD kAnyServer = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
static_assert(kAnyServer == 0x15, "class context");
enum { kWideBufferChars = 1024 };
}  // namespace

namespace {

// The address in UTF-16 for the browser's and the shell's wide entry points, cut to the buffer.
// False when it cannot be converted.
bool WideAddress(const char* url, WCHAR (&wide)[kWideBufferChars])
{
    std::memset(wide, 0, sizeof wide);
    return MultiByteToWideChar(CP_ACP, 0, url, -1, wide, kWideBufferChars - 1) != 0;
}

// Length of prefix when text starts with it, letters compared without regard to case (ASCII
// only: a scheme has no other letters), else 0.
template <typename Char> int SchemeLength(const Char* text, const char* prefix)
{
    int i = 0;
    for (; prefix[i]; ++i) {
        unsigned c = static_cast<unsigned>(text[i]);
        if (c >= 'A' && c <= 'Z')
            c = c - 'A' + 'a';
        if (c != static_cast<unsigned char>(prefix[i]))
            return 0;
    }
    return i;
}

}  // namespace

namespace {

template <typename Char> struct UnsignedOf;
template <> struct UnsignedOf<char> {
    typedef unsigned char type;
};
template <> struct UnsignedOf<wchar_t> {
    typedef wchar_t type;
};

// 1 when url starts with one of the schemes, has something after it, and holds no quote, space
// or control character. The shell puts the address into the browser's command line: those
// could end the argument there and add others. A well-formed address has none of them (they
// are written %22, %20, ...).
template <typename Char>
int HasSchemeAndPlainCharacters(const Char* url, const char* scheme, const char* other)
{
    if (!url)
        return 0;
    int schemeLength = SchemeLength(url, scheme);
    if (schemeLength == 0 && other)
        schemeLength = SchemeLength(url, other);
    if (schemeLength == 0 || url[schemeLength] == 0)
        return 0;
    for (const Char* p = url; *p; ++p) {
        const unsigned c = static_cast<unsigned>(static_cast<typename UnsignedOf<Char>::type>(*p));
        if (c <= 0x20 || c == 0x7F || c == '"')
            return 0;
    }
    return 1;
}

// The address a check may let through, in the form it is opened in as well.
int WideLinkMayOpen(const wchar_t* url, int webAndMailOnly)
{
    return !webAndMailOnly || HasSchemeAndPlainCharacters(url, "http://", "https://") ||
           HasSchemeAndPlainCharacters(url, "mailto:", nullptr);
}

}  // namespace

int IsWebAddress(const char* url)
{
    return HasSchemeAndPlainCharacters(url, "http://", "https://");
}

int IsMailAddress(const char* url)
{
    return HasSchemeAndPlainCharacters(url, "mailto:", nullptr);
}

int LinkMayOpen(const char* url, int webAndMailOnly)
{
    return !webAndMailOnly || IsWebAddress(url) || IsMailAddress(url);
}

namespace {

// Without the browser's automation object (current Windows may lack it) a web address still
// opens, in the user's default browser. Nothing else reaches the shell: it would run programs
// and open files as readily as it opens pages.
void OpenInDefaultBrowser(const char* url, const WCHAR* wide)
{
    if (!IsWebAddress(url) || !HasSchemeAndPlainCharacters(wide, "http://", "https://"))
        return;
    ShellExecuteW(nullptr, L"open", wide, nullptr, nullptr, SW_SHOWNORMAL);
}

// Undoes CoInitialize only when it succeeded: on a host thread that entered the
// multithreaded apartment it fails, and uninitialising would take the host's COM away.
class ComForThisCall {
public:
    ComForThisCall() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComForThisCall()
    {
        if (initialised_)
            CoUninitialize();
    }
    ComForThisCall(const ComForThisCall&) = delete;
    ComForThisCall& operator=(const ComForThisCall&) = delete;

private:
    const bool initialised_;
};

}  // namespace

int OpenLinkInBrowser(const char* url, int webAndMailOnly, const wchar_t* shownUrl)
{
    // The address as the user sees it, or as the code page gives it; both forms must pass.
    WCHAR converted[kWideBufferChars];
    converted[0] = 0;
    const bool convertible = url && WideAddress(url, converted);
    const WCHAR* wide = shownUrl ? shownUrl : converted;
    if (!LinkMayOpen(url, webAndMailOnly) || !WideLinkMayOpen(wide, webAndMailOnly))
        return 0;
    ComForThisCall com;
    IWebBrowser2* browser = nullptr;
    const HRESULT created = CoCreateInstance(kInternetExplorer, nullptr, kAnyServer, kWebBrowser2,
                                             reinterpret_cast<void**>(&browser));
    if (FAILED(created)) {
        if (shownUrl || convertible)
            OpenInDefaultBrowser(url, wide);
        return 0;  // still "no browser object": callers do not act on it
    }
    if (!browser)
        return 1;

    // Bring the new window forward before it is asked to navigate.
    SHANDLE_PTR window = 0;
    browser->get_HWND(&window);
    if (window) {
        HWND handle = reinterpret_cast<HWND>(window);
        SetForegroundWindow(handle);
        ShowWindow(handle, SW_SHOW);
    }

    if (url && url[0]) {
        BSTR address = SysAllocString(wide);  // one it cannot convert navigates to what it got
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
    return 1;
}
