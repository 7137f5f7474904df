// The one icon of the module in the taskbar notification area, and the balloon tips shown from it.
#pragma once
#include <windows.h>
#include <shellapi.h>

// The version-2 record (without guidItem and hBalloonIcon): what the shells of every supported
// Windows accept.
enum : DWORD { kTrayIconDataSize = NOTIFYICONDATAA_V2_SIZE };
#ifdef _WIN64
static_assert(NOTIFYICONDATAA_V2_SIZE == 504, "version-2 NOTIFYICONDATAA on x86_64");
#else
static_assert(NOTIFYICONDATAA_V2_SIZE == 488, "version-2 NOTIFYICONDATAA on i686");
#endif

// Byte limits of the texts copied into the record (each field keeps its last byte zero).
enum { kTipLimit = 127, kInfoLimit = 255, kInfoTitleLimit = 63 };
enum { kBalloonMinMs = 10000, kBalloonMaxMs = 30000 };

// The reasons a call is refused before it reaches the shell, in the order they are tested.
enum TrayArgumentError {
    kTrayArgumentsOk = 0,
    kTrayNullArgument,      // a null instance, window, tip or icon
    kTrayCallbackBelowApp,  // callback message below WM_APP
    kTrayBadBalloonKind,    // balloon icon kind outside 0..3
    kTrayBadBalloonTime,    // display time outside 10000..30000 ms
};

TrayArgumentError CheckAddIconArguments(HINSTANCE instance, HWND window, UINT message,
                                        const char* tip, HICON icon);
TrayArgumentError CheckBalloonArguments(DWORD kind, UINT timeoutMs);

// The ANSI (code page 936) text that lastError holds for a refusal, formatted into buffer
// (at most size - 1 bytes). Empty for kTrayArgumentsOk.
void FormatTrayArgumentError(TrayArgumentError error, char* buffer, size_t size);

// Copies at most limit bytes of text, ending on a whole character, into field; a zero byte
// follows when there is room within the limit, and the bytes after it are left as they are.
void CopyLimited(char* field, const char* text, size_t limit);

class TrayIcon {
public:
    TrayIcon();
    virtual ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    int AddIcon(HINSTANCE instance, HWND window, UINT message, const char* tip, HICON icon,
                UINT id);
    int ModifyIcon(HICON icon, const char* tip);
    int HideIcon();
    int ReAddIcon();
    int DeleteIcon();
    int ShowBalloon(const char* text, const char* title, DWORD kind, UINT timeoutMs);

    char lastError[260];
    NOTIFYICONDATAA iconData;
    HWND iconWindow;
    int initialised;  // AddIcon accepted its arguments once; never cleared
    int removed;      // the icon is known not to be in the notification area
    int hidden;       // hidden, or its visibility not confirmed

    // Calls that reached Shell_NotifyIconA, for diagnosis.
    int shellCalls;

private:
    BOOL Shell(DWORD message);
    void Refuse(TrayArgumentError error);
};

// The module's wrapper: constructed when the module is loaded, destroyed when it is unloaded.
extern TrayIcon trayIcon;
