// The nine methods. They keep no state in the object beyond whether its callers are trusted:
// every object of a process drives the one NotifySession.
#include "automation/methods.h"
#include "module/module_state.h"
#include "popup/notify_session.h"
#include "popup/show_notification.h"
#include "popup/shown_text.h"
#include "tray/tray_thread.h"
#include <cstdlib>
#include <cstring>
#include <cwchar>

AnsiText::AnsiText(BSTR text) : text_(nullptr)
{
    if (!text)
        return;
    // Two bytes per character plus two hold the text in any double-byte code page.
    int size = static_cast<int>(std::wcslen(text)) * 2 + 2;
    text_ = static_cast<char*>(std::calloc(size, 1));
    if (text_)
        WideCharToMultiByte(CP_ACP, 0, text, -1, text_, size, nullptr, nullptr);
}

AnsiText::~AnsiText()
{
    std::free(text_);
}

void ComposeMessage(const char* heading, const char* body, char* message)
{
    std::memset(message, 0, kComposedMessageSize);
    size_t used = 0;
    // Each piece is cut on a whole character, so that no half character is shown.
    auto append = [&](const char* text) {
        const size_t length = WholeCharacterLength(text, kComposedMessageSize - 1 - used);
        std::memcpy(message + used, text, length);
        used += length;
    };
    append(heading ? heading : "");
    append("\n");
    append(body ? body : "");
}

void ComposeWideMessage(const wchar_t* heading, const wchar_t* body, wchar_t* message, size_t size)
{
    size_t used = 0;
    auto append = [&](const wchar_t* text) {
        const size_t length = WholeWideLength(text, size - 1 - used);
        std::memcpy(message + used, text, length * sizeof *message);
        used += length;
    };
    append(heading ? heading : L"");
    append(L"\n");
    append(body ? body : L"");
    message[used] = 0;
}

// A method given no place for its result does nothing: a notification the host cannot hear
// the outcome of is not shown, and no setter half-runs.
HRESULT STDMETHODCALLTYPE NtfObjAction(IAxObj* This, BSTR bstrString, BSTR bstrTitle,
                                       BSTR bstrUrlDisplay, BSTR bstrUrl, long hWndParent,
                                       long lStyle, short* nRet)
{
    ModuleCallScope inProgress;  // the wait loop and the dialog run the host's messages
    if (!nRet)
        return E_POINTER;
    AnsiText heading(bstrString), body(bstrTitle), url(bstrUrl), display(bstrUrlDisplay);
    char message[kComposedMessageSize];
    ComposeMessage(heading.get(), body.get(), message);
    // An overlong display text shows its first 259 bytes rather than nothing.
    char linkText[kLinkTextSize];
    CopyWholeCharacters(linkText, sizeof linkText, display.get());
    // What the host wrote, for the twins of the texts shown: the message's start is enough, as
    // every character takes at least one byte of the ANSI copy.
    wchar_t wideMessage[kTwinTextSize];
    ComposeWideMessage(bstrString, bstrTitle, wideMessage, kTwinTextSize);
    const HostTexts wide = {wideMessage, bstrUrl, bstrUrlDisplay};

    NotifySession.ownerWindow = reinterpret_cast<HWND>(static_cast<LONG_PTR>(hWndParent));
    // A page's notification may link to the web or a mail address, nothing on the machine.
    const int webAndMailOnly = This && RecordOf(This)->untrustedCaller ? 1 : 0;
    ShowNotification(lStyle, message, 1, url.get(), linkText, NotifySession.closeDelayMs,
                     webAndMailOnly, &wide);
    *nRet = static_cast<short>(NotifySession.resultCode);
    return S_OK;
}

// A null list text leaves an empty list; the mask and the has-flag are set as for any text.
static void StoreList(char* list, wchar_t* twin, BSTR text)
{
    AnsiText converted(text);
    CopyWholeCharacters(list, kListSize, converted.get());
    MakeTwin(text ? text : L"", list, twin, kTwinListSize);
}

HRESULT STDMETHODCALLTYPE NtfObjSetCheckInfo(IAxObj*, BSTR bstrString, short dwStateInit,
                                             short* nRet)
{
    if (!nRet)
        return E_POINTER;
    StoreList(NotifySession.checkList, NotifyTwins.checkList, bstrString);
    NotifySession.checkMask = static_cast<WORD>(dwStateInit);
    NotifySession.hasCheckList = 1;
    *nRet = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE NtfObjSetButtonInfo(IAxObj*, BSTR bstrString, short dwStateInit,
                                              short* nRet)
{
    if (!nRet)
        return E_POINTER;
    StoreList(NotifySession.buttonList, NotifyTwins.buttonList, bstrString);
    NotifySession.buttonMask = static_cast<WORD>(dwStateInit);
    NotifySession.hasButtonList = 1;
    *nRet = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE NtfObjSetComboxInfo(IAxObj*, BSTR bstrString, short, short* nRet)
{
    if (!nRet)
        return E_POINTER;
    StoreList(NotifySession.comboList, NotifyTwins.comboList, bstrString);
    NotifySession.hasComboList = 1;
    *nRet = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE NtfObjTimeInterval(IAxObj*, ULONG delayMs)
{
    if (delayMs != 0)
        NotifySession.closeDelayMs = delayMs;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE NtfObjSetColor(IAxObj*, ULONG gradientFrom, ULONG gradientTo,
                                         ULONG borderColor, ULONG titleColor, ULONG bodyColor)
{
    NotifySession.gradientFrom = gradientFrom;
    NotifySession.gradientTo = gradientTo;
    NotifySession.borderColor = borderColor;
    NotifySession.titleColor = titleColor;
    NotifySession.bodyColor = bodyColor;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE NtfObjSetAppIcon(IAxObj*, HICON icon)
{
    NotifySession.appIcon = icon;
    return S_OK;
}

// The record stays the host's: the tray flow keeps its address and reads it later.
HRESULT STDMETHODCALLTYPE NtfObjSetTrayIcon(IAxObj*, TrayRequest* request, short* nRet)
{
    if (!nRet)
        return E_POINTER;
    if (request)
        ApplyTrayRequest(request);
    *nRet = static_cast<short>(NotifySession.resultCode);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE NtfObjShowUpdateBalloon(IAxObj*, TrayRequest* request, short* nRet)
{
    ModuleCallScope inProgress;  // the balloon's popup waits as Action does
    if (!nRet)
        return E_POINTER;
    if (request) {
        request->balloonRequested = 1;
        ShowBalloonRequest(request);
    }
    *nRet = static_cast<short>(NotifySession.resultCode);
    return S_OK;
}
