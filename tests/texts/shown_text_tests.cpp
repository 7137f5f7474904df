// Texts as the host wrote them: captions, list entries, what a screen reader hears, the dialog
// and the painted heading show the host's characters whatever the code page holds, lists split
// into the items the code page counts, and every cut falls between whole characters. The same
// program runs on code page 936 and, with NTF_EXPECT_ACP=1252 and the Western locale, on 1252.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "input/user_input.h"
#include "popup/notify_session.h"
#include "popup/paint.h"
#include "popup/popup_rules.h"
#include "popup/shown_text.h"
#include "resources/resource_ids.h"
#include "support/accessible_reading.h"
#include "support/thread_windows.h"
#include "tray/tray_icon.h"

using namespace input;

namespace {

using namespace accessible;

UINT ExpectedCodePage()
{
    char value[16] = "";
    return GetEnvironmentVariableA("NTF_EXPECT_ACP", value, sizeof value)
               ? static_cast<UINT>(std::atoi(value))
               : 936u;
}

bool Chinese()
{
    return GetACP() == 936;
}

std::wstring Caption(HWND control)
{
    wchar_t text[2048] = L"";
    GetWindowTextW(control, text, 2048);
    return text;
}

std::wstring ComboEntry(HWND combo, int index)
{
    wchar_t text[2048] = L"";
    COMBOBOXEXITEMW item = {};
    item.mask = CBEIF_TEXT;
    item.iItem = index;
    item.pszText = text;
    item.cchTextMax = 2048;
    SendMessageW(combo, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return text;
}


typedef HRESULT (STDMETHODCALLTYPE IAxObj::*ListSetter)(BSTR, short, short*);

short SetList(IAxObj* object, ListSetter setter, const std::wstring& list, short mask = 0)
{
    BSTR text = SysAllocStringLen(list.data(), static_cast<UINT>(list.size()));
    short ret = -1;
    (object->*setter)(text, mask, &ret);
    SysFreeString(text);
    return ret;
}

// The face of window painted into a 24-bit bitmap, as its bytes.
struct Face {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    void* bits = nullptr;
    int width = 0, height = 0;
    Face(int w, int h) : width(w), height(h)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        previous = SelectObject(dc, bitmap);
    }
    ~Face()
    {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    std::string Bytes() const
    {
        GdiFlush();
        return std::string(static_cast<const char*>(bits), ((width * 3 + 3) & ~3) * height);
    }
};

// The popup's face as painted, and the same face painted without its heading with the heading
// then drawn by DrawTextW in the popup's bold font: the two must be the same pixels.
void ExpectHeadingDrawnAsWritten(HWND popup, const std::wstring& heading)
{
    RECT client;
    GetClientRect(popup, &client);
    Face painted(client.right, client.bottom), expected(client.right, client.bottom),
        withoutHeading(client.right, client.bottom);
    PaintNotification(popup, painted.dc);

    NotifySessionRecord& s = NotifySession;
    char savedText[kTextSize];
    wchar_t savedTwin[kTwinTextSize];
    std::memcpy(savedText, s.messageText, sizeof savedText);
    std::memcpy(savedTwin, NotifyTwins.messageText, sizeof savedTwin);
    const char* feed = std::strchr(s.messageText, '\n');
    const wchar_t* wideFeed = std::wcschr(NotifyTwins.messageText, L'\n');
    ASSERT_TRUE(feed && wideFeed);
    std::memmove(s.messageText, feed, std::strlen(feed) + 1);
    std::memmove(NotifyTwins.messageText, wideFeed, (std::wcslen(wideFeed) + 1) * sizeof(wchar_t));
    PaintNotification(popup, withoutHeading.dc);
    PaintNotification(popup, expected.dc);
    std::memcpy(s.messageText, savedText, sizeof savedText);
    std::memcpy(NotifyTwins.messageText, savedTwin, sizeof savedTwin);

    HFONT bold = nullptr;
    LoadFontResource(IDS_BOLD_FONT, &bold);
    ASSERT_NE(bold, nullptr);
    HGDIOBJ previous = SelectObject(expected.dc, bold);
    SetBkMode(expected.dc, TRANSPARENT);
    SetTextColor(expected.dc, s.titleColor);
    RECT rect = {2 + 60, 2 + 22, client.right - 2 - 10, 2 + 42};
    DrawTextW(expected.dc, heading.c_str(), -1, &rect, DT_WORDBREAK);
    SelectObject(expected.dc, previous);
    DeleteObject(bold);

    EXPECT_NE(painted.Bytes(), withoutHeading.Bytes()) << "no heading was painted";
    EXPECT_TRUE(painted.Bytes() == expected.Bytes()) << "the heading differs from DrawTextW's";
}

class ShownTextTest : public testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        InitialNotifySession(&NotifySession);
        NotifySession.popupWindow = nullptr;
        PointerTo(kPointerAway);
        object = CreateObject();
        ASSERT_NE(object, nullptr);
    }
    void TearDown() override
    {
        if (IsWindow(NotifySession.popupWindow))
            DestroyWindow(NotifySession.popupWindow);
        Pump();
        if (object)
            object->Release();
        CoUninitialize();
    }
    IAxObj* object = nullptr;
};

struct Sample {
    const char* name;
    std::wstring text;
    // On code page 1252 the fullwidth vertical line becomes "|": the text is two items there.
    std::wstring firstItem1252, lastItem1252;
};

const std::vector<Sample>& Samples()
{
    static const std::vector<Sample> samples = {
        {"Chinese", L"\x4E2D\x6587\x901A\x77E5", L"", L""},
        {"Latin with diacritics",
         L"Zo\x00EB Bego\x00F1"
         L"a \x00C5ngstr\x00F6m",
         L"", L""},
        {"Vietnamese", L"\x0110\x1EB7ng V\x0103n Th\x1EE9", L"", L""},
        {"Korean", L"\xD55C\xAD6D\xC5B4", L"", L""},
        {"Thai", L"\x0E44\x0E17\x0E22", L"", L""},
        {"Hebrew", L"\x05E2\x05D1\x05E8\x05D9\x05EA", L"", L""},
        {"emoji", L"Hi \xD83D\xDE00", L"", L""},
        {"fullwidth vertical line",
         L"A\xFF5C"
         L"B",
         L"A", L"B"},
    };
    return samples;
}

std::wstring FirstItem(const Sample& s)
{
    return GetACP() == 1252 && !s.firstItem1252.empty() ? s.firstItem1252 : s.text;
}

std::wstring LastItem(const Sample& s)
{
    return GetACP() == 1252 && !s.lastItem1252.empty() ? s.lastItem1252 : s.text;
}

TEST(ShownTextCodePage, RunsOnTheCodePageItWasStartedFor)
{
    EXPECT_EQ(GetACP(), ExpectedCodePage());
}

TEST_F(ShownTextTest, PopupShowsEveryTextAsTheHostWroteIt)
{
    for (const Sample& sample : Samples()) {
        SCOPED_TRACE(sample.name);
        InitialNotifySession(&NotifySession);
        const std::wstring& t = sample.text;
        SetList(object, &IAxObj::SetCheckInfo, t + L"|c2");
        SetList(object, &IAxObj::SetButtonInfo, t + L"|b2");
        SetList(object, &IAxObj::SetComboxInfo, t + L"|e2|" + t);
        Action(object, t.c_str(), (t + L" body").c_str(), 0, t.c_str(), L"http://example.test/");
        HWND popup = NotifySession.popupWindow;
        ASSERT_TRUE(IsWindowVisible(popup));

        EXPECT_EQ(Caption(GetDlgItem(popup, kCheckBoxFirstId)), FirstItem(sample));
        EXPECT_EQ(Caption(GetDlgItem(popup, kRowButtonFirstId)), FirstItem(sample));
        EXPECT_EQ(ComboEntry(NotifySession.comboWindow, 0), FirstItem(sample));
        EXPECT_EQ(Caption(GetDlgItem(popup, kConfirmButtonId)), LastItem(sample));
        const Reading r = Read(popup);
        EXPECT_EQ(r.name, t);
        EXPECT_EQ(r.description, t + L" body");
        EXPECT_EQ(r.value, t);
        ExpectHeadingDrawnAsWritten(popup, t);
        // The window's own class and title stay.
        char title[32] = "";
        GetWindowTextA(popup, title, sizeof title);
        EXPECT_STREQ(title, "VorbelNotify");
        DestroyWindow(popup);
        Pump();
    }
}

// Read from inside the dialog's modal loop, then closed with OK.
struct DialogReading {
    std::wstring box, button;
    Reading reader;
} dialogReading;

void CALLBACK ReadDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = VisibleThreadDialog();
    if (!dialog)
        return;
    KillTimer(nullptr, id);
    UpdateWindow(dialog);
    dialogReading.box = Caption(GetDlgItem(dialog, kCheckBoxFirstId));
    dialogReading.button = Caption(GetDlgItem(dialog, kRowButtonFirstId));
    dialogReading.reader = Read(dialog);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

TEST_F(ShownTextTest, DialogShowsEveryTextAsTheHostWroteIt)
{
    for (const Sample& sample : Samples()) {
        SCOPED_TRACE(sample.name);
        InitialNotifySession(&NotifySession);
        dialogReading = DialogReading();
        const std::wstring& t = sample.text;
        SetList(object, &IAxObj::SetCheckInfo, t, 1);
        SetList(object, &IAxObj::SetButtonInfo, t);
        SetTimer(nullptr, 0, 50, ReadDialog);
        EXPECT_EQ(Action(object, t.c_str(), t.c_str(), NS_DIALOG, t.c_str(), L"http://a.test/"),
                  0x0001)
            << "the first box was ticked";
        EXPECT_EQ(dialogReading.box, FirstItem(sample));
        EXPECT_EQ(dialogReading.button, FirstItem(sample));
        EXPECT_EQ(dialogReading.reader.name, t);
        EXPECT_EQ(dialogReading.reader.description, t);
        EXPECT_EQ(dialogReading.reader.value, t);
    }
}

// A character the code page turns into "|" ends an item in the captions as in the counts, and
// the codes name the boxes and buttons the user sees.
TEST_F(ShownTextTest, ListsSplitIntoTheItemsTheCodePageCounts)
{
    struct Case {
        const char* name;
        std::wstring list;
        UINT codePage;
        std::vector<std::wstring> checks, buttons;
    } cases[] = {
        // U+FF5C is a character of its own in code page 936 and "|" in 1252.
        {"fullwidth line",
         L"A\xFF5C"
         L"B|C",
         936,
         {L"A\xFF5C"
          L"B",
          L"C"},
         {L"A\xFF5C"
          L"B",
          L"C"}},
        {"fullwidth line",
         L"A\xFF5C"
         L"B|C",
         1252,
         {L"A", L"B", L"C"},
         {L"A", L"B", L"C"}},
        // 億 is 83 7C in code page 936: the byte-wise search of the button row splits it, and
        // the half characters show in neither button.
        {"separator byte inside a character",
         L"\x5104X|C",
         936,
         {L"\x5104X", L"C"},
         {L"", L"X", L"C"}},
        {"separator byte inside a character",
         L"\x5104X|C",
         1252,
         {L"\x5104X", L"C"},
         {L"\x5104X", L"C"}},
    };
    for (const Case& c : cases) {
        if (c.codePage != GetACP())
            continue;
        SCOPED_TRACE(c.name);
        InitialNotifySession(&NotifySession);
        SetList(object, &IAxObj::SetCheckInfo, c.list);
        SetList(object, &IAxObj::SetButtonInfo, c.list);
        Action(object, L"H", L"B", 0);
        HWND popup = NotifySession.popupWindow;
        ASSERT_TRUE(IsWindowVisible(popup));
        std::vector<std::wstring> checks, buttons;
        for (int i = 0; GetDlgItem(popup, kCheckBoxFirstId + i); ++i)
            checks.push_back(Caption(GetDlgItem(popup, kCheckBoxFirstId + i)));
        for (int i = 0; GetDlgItem(popup, kRowButtonFirstId + i); ++i)
            buttons.push_back(Caption(GetDlgItem(popup, kRowButtonFirstId + i)));
        EXPECT_EQ(checks, c.checks);
        EXPECT_EQ(buttons, c.buttons);
        EXPECT_EQ(NotifySession.checkCount, static_cast<int>(c.checks.size()));
        EXPECT_EQ(NotifySession.buttonCount, static_cast<int>(c.buttons.size()));
        // The last box and the last button, the one captioned "C": their bits.
        SendMessageA(GetDlgItem(popup, kCheckBoxFirstId + checks.size() - 1), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(popup, kRowButtonFirstId + buttons.size() - 1), BM_CLICK, 0, 0);
        EXPECT_TRUE(PumpUntil([popup] { return !IsWindow(popup); }, 10000));
        EXPECT_EQ(NotifySession.resultCode,
                  (1u << (checks.size() - 1)) | (1u << (buttons.size() - 1 + 8)));
    }
}

// Where a buffer's limit falls inside a character, the copy ends before it, and what is shown
// ends there too: no half double-byte character, no half surrogate pair.
TEST_F(ShownTextTest, CutsFallBetweenWholeCharacters)
{
    const std::wstring zhong = L"\x4E2D", emoji = L"\xD83D\xDE00";
    struct Tail {
        const char* name;
        std::wstring text;
        bool doubleByte;  // a double-byte character, which only code page 936 has
    } tails[] = {{"double-byte character", zhong, true}, {"surrogate pair", emoji, false}};
    enum Field { kHeading, kBody, kLinkText, kLinkUrl, kCheck, kButton, kComboCaption };
    const char* names[] = {"heading",    "body",        "link text",      "link address",
                           "check list", "button list", "confirm caption"};
    for (const Tail& tail : tails) {
        if (tail.doubleByte && !Chinese())
            continue;
        for (int f = kHeading; f <= kComboCaption; ++f) {
            SCOPED_TRACE(testing::Message() << names[f] << ", " << tail.name);
            InitialNotifySession(&NotifySession);
            // Fillers put the character's first byte on the last byte the limit keeps.
            std::wstring heading = L"H", body = L"B", display = L"d", url = L"http://a.test/";
            std::wstring expected;
            size_t expectedBytes = 0;
            const char* ansi = nullptr;
            const wchar_t* twin = nullptr;
            switch (f) {
            case kHeading:  // longer than the message: all of it is the body
                heading = std::wstring(258, L'h') + tail.text + L"more";
                expected = std::wstring(258, L'h');
                ansi = NotifySession.messageText;
                twin = NotifyTwins.messageText;
                break;
            case kBody:
                body = std::wstring(256, L'b') + tail.text;
                expected = L"H\n" + std::wstring(256, L'b');
                ansi = NotifySession.messageText;
                twin = NotifyTwins.messageText;
                break;
            case kLinkText:
                display = std::wstring(258, L'd') + tail.text;
                expected = std::wstring(258, L'd');
                ansi = NotifySession.linkText;
                twin = NotifyTwins.linkText;
                break;
            case kLinkUrl:
                url = L"http://" + std::wstring(251, L'u') + tail.text;
                expected = L"http://" + std::wstring(251, L'u');
                ansi = NotifySession.linkUrl;
                twin = NotifyTwins.linkUrl;
                break;
            case kCheck:
                SetList(object, &IAxObj::SetCheckInfo, std::wstring(1022, L'c') + tail.text);
                expected = std::wstring(1022, L'c');
                break;
            case kButton:
                SetList(object, &IAxObj::SetButtonInfo, std::wstring(1022, L'b') + tail.text);
                expected = std::wstring(1022, L'b');
                break;
            case kComboCaption:  // the list holds it whole; the caption keeps 259 bytes
                SetList(object, &IAxObj::SetComboxInfo, std::wstring(258, L'x') + tail.text);
                expected = std::wstring(258, L'x');
                break;
            }
            expectedBytes = expected.size();
            const std::string listBefore[] = {NotifySession.checkList, NotifySession.buttonList,
                                              NotifySession.comboList};
            Action(object, heading.c_str(), body.c_str(), 0, display.c_str(), url.c_str());
            HWND popup = NotifySession.popupWindow;
            ASSERT_TRUE(IsWindowVisible(popup));
            if (ansi) {
                EXPECT_EQ(std::strlen(ansi), expectedBytes);
                EXPECT_EQ(std::wstring(twin), expected);
            }
            const Reading r = Read(popup);
            switch (f) {
            case kHeading:
            case kBody:
                EXPECT_EQ(r.name + (f == kBody ? L"\n" : L"") + r.description, expected);
                break;
            case kLinkText:
                EXPECT_EQ(r.value, expected);
                break;
            case kLinkUrl:
                EXPECT_EQ(r.value, L"d");
                break;
            case kCheck:
                EXPECT_EQ(listBefore[0].size(), expectedBytes);
                EXPECT_EQ(Caption(GetDlgItem(popup, kCheckBoxFirstId)), expected);
                break;
            case kButton:
                EXPECT_EQ(listBefore[1].size(), expectedBytes);
                EXPECT_EQ(Caption(GetDlgItem(popup, kRowButtonFirstId)), expected);
                break;
            case kComboCaption:
                EXPECT_EQ(listBefore[2].size(), 258 + (tail.doubleByte ? 2u : 2u));
                EXPECT_EQ(Caption(GetDlgItem(popup, kConfirmButtonId)), expected);
                break;
            }
            DestroyWindow(popup);
            Pump();
        }
    }
}

// Where balloons are not used the request is shown as a popup: its texts are the host's bytes in
// the code page, shown converted, and the message is cut before a character it cannot hold.
TEST_F(ShownTextTest, BalloonShownAsAPopupShowsTheRequestsBytesCutOnWholeCharacters)
{
    TrayRequest request;
    std::memset(&request, 0, sizeof request);
    request.timeoutMs = 1;  // the popup's delay: it closes as soon as it has slid in
    std::string message;
    std::wstring shown;
    if (Chinese()) {
        // The title's last byte is a lead byte without its trail; the text's 131st byte is one.
        std::memset(request.title, 't', 127);
        request.title[127] = '\xD6';
        std::memset(request.text, 'x', 130);
        std::memcpy(request.text + 130, "\xD6\xD0yy", 4);
        message = std::string(127, 't') + "\n" + std::string(130, 'x');
        shown = std::wstring(127, L't') + L"\n" + std::wstring(130, L'x');
    } else {
        std::strcpy(request.title, "Zo\xEB");
        std::strcpy(request.text, "caf\xE9");
        message = "Zo\xEB\ncaf\xE9";
        shown = L"Zo\x00EB\ncaf\x00E9";
    }
    short ret = -1;
    EXPECT_EQ(object->ShowUpdateBalloon(&request, &ret), S_OK);
    EXPECT_EQ(ret, 1000) << "closed by its timer";
    EXPECT_EQ(std::string(NotifySession.messageText), message);
    EXPECT_EQ(std::wstring(NotifyTwins.messageText), shown);
}

// The tray's fields hold the host's bytes; their copies end before a character the limit cuts.
TEST(ShownTextCuts, TrayFieldsAndPureCutsEndOnWholeCharacters)
{
    const std::string zhong = "\xD6\xD0";
    for (size_t limit : {size_t(kTipLimit), size_t(kInfoTitleLimit), size_t(kInfoLimit)}) {
        SCOPED_TRACE(limit);
        const std::string text = std::string(limit - 1, 'x') + zhong + "tail";
        std::vector<char> field(limit + 1, 0x5A);
        CopyLimited(field.data(), text.c_str(), limit);
        // On 936 the zero byte takes the lead byte's place; on 1252 all limit bytes are copied.
        const std::string kept =
            Chinese() ? std::string(limit - 1, 'x') + '\0' : text.substr(0, limit);
        EXPECT_EQ(std::string(field.data(), limit), kept);
        EXPECT_EQ(field[limit], 0x5A) << "written beyond the field";
    }
    struct WideCase {
        std::wstring text;
        size_t limit, length;
    } wide[] = {
        {L"ab\xD83D\xDE00", 3, 2},
        {L"ab\xD83D\xDE00", 4, 4},
        {L"ab\xD83D\xDE00z", 9, 5},
        {L"\xD83D", 1, 0},
        {L"a\xDE00"
         L"b",
         2, 2},
        {L"", 5, 0},
    };
    for (const WideCase& c : wide)
        EXPECT_EQ(WholeWideLength(c.text.c_str(), c.limit), c.length) << c.limit;
    if (Chinese()) {
        struct ByteCase {
            std::string text;
            size_t limit, length;
        } bytes[] = {
            {"a" + zhong, 2, 1},   {"a" + zhong, 3, 3}, {"\xD6", 5, 1},
            {zhong + zhong, 3, 2}, {"\x83|x", 1, 0},    {"\x83|x", 2, 2},  // "|" as the trail byte
        };
        for (const ByteCase& c : bytes)
            EXPECT_EQ(WholeCharacterLength(c.text.c_str(), c.limit), c.length) << c.text;
    }
}

}  // namespace
