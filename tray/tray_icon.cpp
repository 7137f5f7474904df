#include "tray/tray_icon.h"

#include <cstring>

#include "module/format_text.h"
#include "popup/shown_text.h"

TrayIcon trayIcon;

namespace {

// The refusal texts in code page 936. The format of the callback text is filled with WM_APP.
const char kNullArgumentText[] =  // 输入参数有问题
    "\xca\xe4\xc8\xeb\xb2\xce\xca\xfd\xd3\xd0\xce\xca\xcc\xe2";
const char kCallbackFormat[] =  // CallbackMessage 已经大于 WM_APP(0X%X) 的标准
    "CallbackMessage \xd2\xd1\xbe\xad\xb4\xf3\xd3\xda WM_APP(0X%X) \xb5\xc4\xb1\xea\xd7\xbc";
const char kBalloonKindText[] =  // 参数不符合气球的规格
    "\xb2\xce\xca\xfd\xb2\xbb\xb7\xfb\xba\xcf\xc6\xf8\xc7\xf2\xb5\xc4\xb9\xe6\xb8\xf1";
const char kBalloonTimeText[] =  // 气球浮动时间最长 30 秒，最短 10 秒，请输入正确的值
    "\xc6\xf8\xc7\xf2\xb8\xa1\xb6\xaf\xca\xb1\xbc\xe4\xd7\xee\xb3\xa4 30 \xc3\xeb\xa3\xac"
    "\xd7\xee\xb6\xcc 10 \xc3\xeb\xa3\xac\xc7\xeb\xca\xe4\xc8\xeb\xd5\xfd\xc8\xb7\xb5\xc4\xd6\xb5";

}  // namespace

TrayArgumentError CheckAddIconArguments(HINSTANCE instance, HWND window, UINT message,
                                        const char* tip, HICON icon)
{
    if (!instance || !window || !tip || !icon)
        return kTrayNullArgument;
    if (message < WM_APP)
        return kTrayCallbackBelowApp;
    return kTrayArgumentsOk;
}

TrayArgumentError CheckBalloonArguments(DWORD kind, UINT timeoutMs)
{
    if (kind > NIIF_ERROR)
        return kTrayBadBalloonKind;
    if (timeoutMs < kBalloonMinMs || timeoutMs > kBalloonMaxMs)
        return kTrayBadBalloonTime;
    return kTrayArgumentsOk;
}

void FormatTrayArgumentError(TrayArgumentError error, char* buffer, size_t size)
{
    if (size == 0)
        return;
    buffer[0] = 0;
    switch (error) {
    case kTrayArgumentsOk:
        break;
    case kTrayNullArgument:
        FormatText(buffer, size, "%s", kNullArgumentText);
        break;
    case kTrayCallbackBelowApp:
        FormatText(buffer, size, kCallbackFormat, static_cast<unsigned>(WM_APP));
        break;
    case kTrayBadBalloonKind:
        FormatText(buffer, size, "%s", kBalloonKindText);
        break;
    case kTrayBadBalloonTime:
        FormatText(buffer, size, "%s", kBalloonTimeText);
        break;
    }
}

void CopyLimited(char* field, const char* text, size_t limit)
{
    // The cut falls between characters: the shell would show a lead byte without its trail byte
    // as a stray half character. Reads no further than the limit, so a host's field without its
    // zero byte is not overrun.
    const size_t length = WholeCharacterLength(text, limit);
    std::memcpy(field, text, length);
    if (length < limit)
        field[length] = 0;
}

TrayIcon::TrayIcon() : iconWindow(nullptr), initialised(0), removed(0), hidden(0), shellCalls(0)
{
    std::memset(lastError, 0, sizeof lastError);
    std::memset(&iconData, 0, sizeof iconData);
}

TrayIcon::~TrayIcon()
{
    DeleteIcon();
    if (iconWindow)
        DestroyWindow(iconWindow);
}

BOOL TrayIcon::Shell(DWORD message)
{
    ++shellCalls;
    return Shell_NotifyIconA(message, &iconData);
}

void TrayIcon::Refuse(TrayArgumentError error)
{
    FormatTrayArgumentError(error, lastError, sizeof lastError);
}

int TrayIcon::AddIcon(HINSTANCE instance, HWND window, UINT message, const char* tip, HICON icon,
                      UINT id)
{
    TrayArgumentError error = CheckAddIconArguments(instance, window, message, tip, icon);
    if (error != kTrayArgumentsOk) {
        Refuse(error);
        return 0;
    }
    iconData.uCallbackMessage = message;
    iconData.cbSize = kTrayIconDataSize;
    iconData.hWnd = window;
    iconData.uID = id;
    iconData.hIcon = icon;
    iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    CopyLimited(iconData.szTip, tip, kTipLimit);
    initialised = 1;
    iconWindow = window;

    BOOL result = Shell(NIM_ADD);
    removed = hidden = result ? 0 : 1;
    return result;
}

int TrayIcon::ModifyIcon(HICON icon, const char* tip)
{
    if (!icon || !tip)
        return 0;
    // A removed icon comes back as the record holds it; the new icon and tip are not applied.
    if (removed)
        return ReAddIcon();
    if (!initialised)
        return 0;
    iconData.uFlags = NIF_ICON | NIF_TIP | NIF_STATE;
    iconData.dwState = NIS_SHAREDICON;
    iconData.dwStateMask = NIS_HIDDEN;  // only the hidden bit changes: it is cleared
    iconData.hIcon = icon;
    CopyLimited(iconData.szTip, tip, kTipLimit);

    BOOL result = Shell(NIM_MODIFY);
    hidden = result ? 0 : 1;
    return result;
}

int TrayIcon::HideIcon()
{
    if (!initialised || removed || hidden)
        return 1;
    iconData.uFlags = NIF_STATE;
    iconData.dwState = NIS_HIDDEN;
    iconData.dwStateMask = NIS_HIDDEN;
    hidden = Shell(NIM_MODIFY);
    // A hidden icon is taken out of the notification area as well.
    DeleteIcon();
    return hidden == 1 ? 1 : 0;
}

int TrayIcon::ReAddIcon()
{
    if (initialised) {
        iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        if (Shell(NIM_ADD)) {
            hidden = 0;
            removed = 0;
        }
    }
    return removed == 0 ? 1 : 0;
}

int TrayIcon::DeleteIcon()
{
    iconData.uFlags = 0;
    if (Shell(NIM_DELETE))
        removed = 1;
    return removed == 1 ? 1 : 0;
}

int TrayIcon::ShowBalloon(const char* text, const char* title, DWORD kind, UINT timeoutMs)
{
    TrayArgumentError error = CheckBalloonArguments(kind, timeoutMs);
    if (error != kTrayArgumentsOk) {
        Refuse(error);
        return 0;
    }
    iconData.dwInfoFlags = kind;
    iconData.uFlags = NIF_INFO;
    iconData.uTimeout = timeoutMs;
    CopyLimited(iconData.szInfo, text ? text : "", kInfoLimit);
    if (title)
        CopyLimited(iconData.szInfoTitle, title, kInfoTitleLimit);
    else
        std::memset(iconData.szInfoTitle, 0, sizeof iconData.szInfoTitle);

    BOOL result = Shell(NIM_MODIFY);
    // No later call of the record may show the balloon text again.
    std::memset(iconData.szInfo, 0, sizeof iconData.szInfo);
    return result;
}
