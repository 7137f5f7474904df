// The one process-wide record of a notification: texts, option lists, style, colours,
// geometry, the flags the windows raise while the user acts, handles and the result code.
#pragma once
#include <windows.h>

#include "NtfObj.h"

// Style bits of Action's lStyle, as the public header defines them; other bits have no effect.
enum : LONG {
    NS_DIALOG = NTF_STYLE_DIALOG,
    NS_CLOSEBOX = NTF_STYLE_CLOSEBOX,
    NS_ICON_ERROR = NTF_STYLE_ICON_ERROR,
    NS_ICON_ALERT = NTF_STYLE_ICON_ALERT,
    NS_ICON_INFO = NTF_STYLE_ICON_INFO,
    NS_WAIT = NTF_STYLE_WAIT,
    NS_STICKY = NTF_STYLE_STICKY,
    NS_FLATBORDER = NTF_STYLE_FLATBORDER,
};
static_assert(NS_DIALOG == 0x0001 && NS_CLOSEBOX == 0x0008 && NS_ICON_ERROR == 0x0010 &&
                  NS_ICON_ALERT == 0x0020 && NS_ICON_INFO == 0x0080 && NS_WAIT == 0x1000 &&
                  NS_STICKY == 0x4000 && NS_FLATBORDER == 0x8000,
              "style bits");

enum { kTextSize = 260, kListSize = 1024 };

struct NotifySessionRecord {
    // Content of the current notification.
    char messageText[kTextSize];
    char linkUrl[kTextSize];
    char linkText[kTextSize];
    int linkClickable;
    int linkWebAndMailOnly;  // the host's callers are untrusted: see LinkMayOpen
    LONG style;

    // Host settings; they persist for the life of the process.
    DWORD closeDelayMs;
    COLORREF gradientFrom;
    COLORREF gradientTo;
    COLORREF borderColor;
    COLORREF titleColor;
    COLORREF bodyColor;
    HICON appIcon;
    HWND ownerWindow;

    // Geometry of the popup.
    int popupWidth;
    int popupHeight;
    int shownX, shownY;
    int hiddenY;

    // Option lists: "|"-separated items.
    char checkList[kListSize];
    WORD checkMask;
    int checkCount;
    int hasCheckList;
    char buttonList[kListSize];
    WORD buttonMask;
    int buttonCount;
    int hasButtonList;
    char comboList[kListSize];
    int comboCount;
    int hasComboList;

    // Interaction and result. The fields the tray thread writes and the caller's thread reads
    // are volatile single words.
    volatile WORD resultCode;
    WORD comboSelection;
    int pressedButton;
    RECT linkRect;
    int linkShown;
    int linkHover;
    int closeBoxShown;
    int closeBoxClicked;
    volatile int timedOut;
    volatile int balloonClicked;
    volatile int popupClosed;
    volatile int trayClosed;

    // Handles.
    HWND popupWindow;
    HWND comboWindow;
    HBITMAP closeBitmapDown;
    HBITMAP closeBitmapUp;
    HWND volatile trayWindow;
    TrayRequest* volatile currentTrayRequest;
};

extern NotifySessionRecord NotifySession;

// The record as the module starts with it; tests use it to return to a known state.
void InitialNotifySession(NotifySessionRecord* session);

// Ends a session: stops the popup timer, clears the lists and the close and time-out flags,
// and raises popupClosed or trayClosed by the class name of the window that closed.
void ResetSession(const char* closingClass);

// Counts the items of the option lists before a notification is shown.
void CountOptionLists();

// Items in a "|"-separated list: 0 for an empty text, else 1 plus the separators.
// The multibyte-aware form skips a 0x7C byte that trails a double-byte lead byte.
int CountListItems(const char* list, bool multibyteAware);

// First "|" of text that is a whole character of the ANSI code page, or null.
char* FindSeparatorMultibyte(char* text);
// First 0x7C byte of text, or null.
char* FindSeparatorBytewise(char* text);
