#include "popup/option_controls.h"

#include <commctrl.h>
#include <cstring>
#include <cwchar>

#include "module/module_state.h"
#include "popup/dpi_scale.h"
#include "popup/notify_session.h"
#include "popup/popup_rules.h"
#include "popup/shown_text.h"
#include "resources/resource_ids.h"

// The record the caption step fills, as every Windows version since 95 knows it.
static_assert(sizeof(NONCLIENTMETRICSA) == 340, "NONCLIENTMETRICSA layout");

namespace {
const DWORD kCheckBoxStyle = WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX;  // 0x50000003
const DWORD kRowButtonStyle = WS_CHILD | WS_VISIBLE;                   // 0x50000000
const DWORD kComboStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP |
                          CBS_AUTOHSCROLL | CBS_DROPDOWNLIST;                      // 0x50310043
const DWORD kCloseButtonStyle = WS_CHILD | WS_VISIBLE | BS_BITMAP | BS_OWNERDRAW;  // 0x5000008B
static_assert(kCheckBoxStyle == 0x50000003 && kComboStyle == 0x50310043 &&
                  kCloseButtonStyle == 0x5000008B,
              "control styles");

// The masks have sixteen bits; later items never start checked or default.
bool MaskBit(WORD mask, int i)
{
    return i < 16 && (mask >> i) & 1;
}

// Unicode controls: their captions are the host's characters, not the code page's.
HWND MakeControl(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
                 HWND parent, int id)
{
    HWND control =
        CreateWindowExW(0, cls, text, style, x, y, w, h, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), moduleHandle, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 0);
    return control;
}

// Byte range of an item the walk has cut out of list: it ends where the walk wrote its zero.
size_t ItemStart(const char* list, const char* item)
{
    return static_cast<size_t>(item - list);
}

size_t ItemEnd(const char* list, const char* item)
{
    return ItemStart(list, item) + std::strlen(item);
}

// A caption has no limit of its own; the confirm button's has the text buffers' one.
const size_t kNoLimit = kListSize;
}  // namespace

void CreateOptionControls(HWND parent)
{
    if (NotifySession.hasCheckList)
        CreateCheckBoxes(parent);
    if (NotifySession.hasButtonList)
        CreateButtonRow(parent);
    if (NotifySession.hasComboList)
        CreateComboBox(parent);
}

void CreateCheckBoxes(HWND parent)
{
    NotifySessionRecord& s = NotifySession;
    s.checkCount = 0;
    if (!s.checkList[0])
        return;
    RECT client;
    GetClientRect(parent, &client);
    const DpiScaler S = {DpiForWindow(parent)};
    ShownListItems shown(s.checkList, NotifyTwins.checkList);
    wchar_t caption[kTwinListSize];
    WalkOptionList(s.checkList, FindSeparatorMultibyte, FindSeparatorBytewise,
                   [&](int i, const char* item) {
                       const int top = client.bottom - S(50 + 18 * i), left = client.left + S(32);
                       shown.Item(ItemStart(s.checkList, item), ItemEnd(s.checkList, item),
                                  kNoLimit, caption, kTwinListSize);
                       HWND box = MakeControl(L"BUTTON", caption, kCheckBoxStyle, left, top,
                                              client.right - S(24) - left,
                                              client.bottom - S(36 + 18 * i) - top, parent,
                                              kCheckBoxFirstId + i);
                       SendMessageA(box, BM_SETCHECK, MaskBit(s.checkMask, i) ? 1 : 0, 0);
                       s.checkCount += 1;
                       return true;
                   });
}

void CreateButtonRow(HWND parent)
{
    NotifySessionRecord& s = NotifySession;
    s.buttonCount = 0;
    if (!s.buttonList[0])
        return;
    RECT client;
    GetClientRect(parent, &client);
    const DpiScaler S = {DpiForWindow(parent)};
    ShownListItems shown(s.buttonList, NotifyTwins.buttonList);
    wchar_t caption[kTwinListSize];
    WalkOptionList(
        s.buttonList, FindSeparatorBytewise, FindSeparatorBytewise, [&](int i, const char* item) {
            DWORD style = kRowButtonStyle;
            if (MaskBit(s.buttonMask, i)) {
                s.pressedButton = i;
                style |= BS_DEFPUSHBUTTON;
            }
            const int left = client.left + S(32 + 80 * i), top = client.bottom - S(76);
            shown.Item(ItemStart(s.buttonList, item), ItemEnd(s.buttonList, item), kNoLimit,
                       caption, kTwinListSize);
            MakeControl(L"BUTTON", caption, style, left, top, client.left + S(96 + 80 * i) - left,
                        client.bottom - S(52) - top, parent, kRowButtonFirstId + i);
            s.buttonCount += 1;
            return true;
        });
}

void CreateComboBox(HWND parent)
{
    NotifySessionRecord& s = NotifySession;
    if (!s.comboList[0])
        return;
    wchar_t caption[kTwinTextSize];
    caption[0] = 0;
    RECT client;
    GetClientRect(parent, &client);
    const DpiScaler S = {DpiForWindow(parent)};
    s.comboWindow = CreateWindowExA(0, "COMBOBOXEX32", "", kComboStyle, client.left + S(30),
                                    client.bottom - S(62), S(175) - S(30), S(100), parent,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kComboBoxId)),
                                    moduleHandle, nullptr);
    if (!IsWindow(s.comboWindow))
        return;
    SendMessageA(s.comboWindow, WM_SETFONT,
                 reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);

    // All items but the last fill the list; the last names the confirm button.
    ShownListItems shown(s.comboList, NotifyTwins.comboList);
    wchar_t text[kTwinListSize];
    WalkOptionList(
        s.comboList, FindSeparatorBytewise, FindSeparatorBytewise, [&](int i, char* item) {
            if (i >= s.comboCount - 1) {
                // The caption keeps the first kTextSize - 1 bytes' whole characters.
                shown.Item(ItemStart(s.comboList, item), ItemEnd(s.comboList, item), kTextSize - 1,
                           caption, kTwinTextSize);
                return false;
            }
            shown.Item(ItemStart(s.comboList, item), ItemEnd(s.comboList, item), kNoLimit, text,
                       kTwinListSize);
            COMBOBOXEXITEMW entry;
            std::memset(&entry, 0, sizeof entry);
            entry.mask = CBEIF_TEXT;
            entry.iItem = i;
            entry.pszText = text;
            entry.cchTextMax = static_cast<int>(std::wcslen(text)) + 1;
            SendMessageW(s.comboWindow, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&entry));
            SendMessageA(s.comboWindow, CB_SETCURSEL, 0, 0);
            return true;
        });
    MakeControl(L"BUTTON", caption, kRowButtonStyle, client.left + S(180), client.bottom - S(63),
                S(245) - S(180), S(63) - S(41), parent, kConfirmButtonId);
}

void ReleaseCloseBitmaps()
{
    if (NotifySession.closeBitmapDown)
        DeleteObject(NotifySession.closeBitmapDown);
    if (NotifySession.closeBitmapUp)
        DeleteObject(NotifySession.closeBitmapUp);
    NotifySession.closeBitmapDown = nullptr;
    NotifySession.closeBitmapUp = nullptr;
}

int CreateCloseButton(HWND parent)
{
    RECT client;
    GetClientRect(parent, &client);
    const DpiScaler S = {DpiForWindow(parent)};
    // Its picture is stretched to the button (DrawCloseButton).
    MakeControl(L"BUTTON", L"", kCloseButtonStyle, client.right - S(20), client.top + S(5),
                S(20) - S(5), S(20) - S(5), parent, kCloseButtonId);
    // One pair lives at a time: only one popup is ever shown.
    ReleaseCloseBitmaps();
    NotifySession.closeBitmapDown = LoadBitmapA(moduleHandle, MAKEINTRESOURCEA(IDB_CLOSE_DOWN));
    NotifySession.closeBitmapUp = LoadBitmapA(moduleHandle, MAKEINTRESOURCEA(IDB_CLOSE_UP));
    return NotifySession.closeBitmapDown && NotifySession.closeBitmapUp ? 1 : 0;
}

void DrawCloseButton(HWND parent, const DRAWITEMSTRUCT* item)
{
    RECT rect;
    GetWindowRect(item->hwndItem, &rect);
    POINT corner = {rect.left, rect.top};
    ScreenToClient(parent, &corner);
    OffsetRect(&rect, corner.x - rect.left, corner.y - rect.top);

    HDC dc = GetDC(parent);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP image = (item->itemState & ODS_SELECTED) ? NotifySession.closeBitmapDown
                                                     : NotifySession.closeBitmapUp;
    if (image) {
        BITMAP info;
        std::memset(&info, 0, sizeof info);
        GetObjectA(image, sizeof info, &info);
        HGDIOBJ previous = SelectObject(memory, image);
        StretchBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memory,
                   0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(memory, previous);
    }
    DeleteDC(memory);

    NONCLIENTMETRICSA metrics;
    std::memset(&metrics, 0, sizeof metrics);
    metrics.cbSize = sizeof metrics;
    HFONT font = nullptr;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        font = CreateFontIndirectA(&metrics.lfMenuFont);
    if (font) {
        const int previousMode = SetBkMode(dc, TRANSPARENT);
        HGDIOBJ previousFont = SelectObject(dc, font);
        char text[kTextSize];
        std::memset(text, 0, sizeof text);
        GetWindowTextA(item->hwndItem, text, kTextSize - 1);
        const DWORD extent =
            GetTabbedTextExtentA(dc, text, static_cast<int>(std::strlen(text)), 0, nullptr);
        const int w = LOWORD(extent), h = HIWORD(extent);
        rect.left += (rect.right - w - rect.left) / 2;
        rect.top += (rect.bottom - h - rect.top) / 2;
        DrawTextA(dc, text, -1, &rect, DT_TOP | DT_LEFT);
        SetBkMode(dc, previousMode);
        SelectObject(dc, previousFont);
        DeleteObject(font);
    }
    ReleaseDC(parent, dc);
}
