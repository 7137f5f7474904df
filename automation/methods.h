// The nine methods of IAxObj: they turn calls into NotifySession state, a notification or a
// tray request.
#pragma once
#include "automation/ntf_object.h"

HRESULT STDMETHODCALLTYPE NtfObjAction(IAxObj* This, BSTR bstrString, BSTR bstrTitle,
                                       BSTR bstrUrlDisplay, BSTR bstrUrl, long hWndParent,
                                       long lStyle, short* nRet);
HRESULT STDMETHODCALLTYPE NtfObjSetCheckInfo(IAxObj* This, BSTR bstrString, short dwStateInit,
                                             short* nRet);
HRESULT STDMETHODCALLTYPE NtfObjSetButtonInfo(IAxObj* This, BSTR bstrString, short dwStateInit,
                                              short* nRet);
HRESULT STDMETHODCALLTYPE NtfObjSetComboxInfo(IAxObj* This, BSTR bstrString, short dwStateInit,
                                              short* nRet);
HRESULT STDMETHODCALLTYPE NtfObjTimeInterval(IAxObj* This, ULONG delayMs);
HRESULT STDMETHODCALLTYPE NtfObjSetColor(IAxObj* This, ULONG gradientFrom, ULONG gradientTo,
                                         ULONG borderColor, ULONG titleColor, ULONG bodyColor);
HRESULT STDMETHODCALLTYPE NtfObjSetAppIcon(IAxObj* This, HICON icon);
HRESULT STDMETHODCALLTYPE NtfObjSetTrayIcon(IAxObj* This, TrayRequest* request, short* nRet);
HRESULT STDMETHODCALLTYPE NtfObjShowUpdateBalloon(IAxObj* This, TrayRequest* request, short* nRet);

// Sizes of Action's own buffers.
enum { kComposedMessageSize = 1040, kLinkTextSize = 260 };

// "heading\nbody" into a zeroed buffer of kComposedMessageSize, cut on a whole character within
// 1039 bytes; a null text composes as empty.
void ComposeMessage(const char* heading, const char* body, char* message);
// The same of the host's UTF-16 texts (each up to its first zero) into size units, cut on a
// whole character, zero-terminated.
void ComposeWideMessage(const wchar_t* heading, const wchar_t* body, wchar_t* message, size_t size);

// A BSTR in the ANSI code page (CP_ACP), up to its first zero character; null for a null BSTR.
class AnsiText {
public:
    explicit AnsiText(BSTR text);
    ~AnsiText();
    AnsiText(const AnsiText&) = delete;
    AnsiText& operator=(const AnsiText&) = delete;
    const char* get() const { return text_; }
    const char* orEmpty() const { return text_ ? text_ : ""; }

private:
    char* text_;
};
