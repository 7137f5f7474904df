// The notification as a screen reader meets it, from outside the module: the alert event when
// the popup has slid in, and the accessible object of the popup's and the dialog's client area.
#include <gtest/gtest.h>
#include <oleacc.h>
#include <cstring>
#include <string>
#include <vector>

#include "input/user_input.h"
#include "popup/popup_rules.h"
#include "support/accessible_reading.h"
#include "support/thread_windows.h"

using namespace input;

namespace {

using namespace accessible;

struct Alert {
    HWND window;
    LONG object;
    LONG child;
};
std::vector<Alert> alerts;

void CALLBACK OnAlert(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                      DWORD)
{
    if (event == EVENT_SYSTEM_ALERT)
        alerts.push_back({window, object, child});
}

bool Has(const std::vector<std::wstring>& names, const wchar_t* name)
{
    for (const std::wstring& n : names)
        if (n == name)
            return true;
    return false;
}

void SetButtons(const char* list)
{
    std::memset(NotifySession.buttonList, 0, kListSize);
    std::strcpy(NotifySession.buttonList, list);
    NotifySession.hasButtonList = 1;
}

// "标题" / "正文：新版本已就绪" / "查看" / "确定|取消"
const wchar_t kHeading[] = L"\x6807\x9898 Heading";
const wchar_t kBody[] = L"\x6B63\x6587\xFF1A\x65B0\x7248\x672C\x5DF2\x5C31\x7EEA";
const wchar_t kLinkText[] = L"\x67E5\x770B";
const char kButtonsGbk[] = "\xC8\xB7\xB6\xA8|\xC8\xA1\xCF\xFB";
const wchar_t kOk[] = L"\x786E\x5B9A";
const wchar_t kCancel[] = L"\x53D6\x6D88";

class Accessible : public testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        InitialNotifySession(&NotifySession);
        NotifySession.popupWindow = nullptr;
        PointerTo(kPointerAway);
        alerts.clear();
        hook = SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_SYSTEM_ALERT, nullptr, OnAlert, 0, 0,
                               WINEVENT_OUTOFCONTEXT);
        object = CreateObject();
        ASSERT_NE(object, nullptr);
    }
    void TearDown() override
    {
        if (IsWindow(NotifySession.popupWindow))
            DestroyWindow(NotifySession.popupWindow);
        Pump();
        UnhookWinEvent(hook);
        if (object)
            object->Release();
        CoUninitialize();
    }
    HWINEVENTHOOK hook = nullptr;
    IAxObj* object = nullptr;
};

TEST_F(Accessible, PopupIsAnnouncedAndReadsAsAnAlertWithHeadingBodyAndLink)
{
    SetButtons(kButtonsGbk);
    Action(object, kHeading, kBody, NS_CLOSEBOX, kLinkText, L"http://example.invalid/");
    HWND popup = NotifySession.popupWindow;
    ASSERT_TRUE(IsWindowVisible(popup));
    EXPECT_TRUE(PumpUntil([] { return !alerts.empty(); }, 5000));
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].window, popup);
    EXPECT_EQ(alerts[0].object, OBJID_CLIENT);
    EXPECT_EQ(alerts[0].child, CHILDID_SELF);

    const Reading r = Read(popup);
    EXPECT_EQ(r.role, ROLE_SYSTEM_ALERT);
    EXPECT_EQ(r.name, kHeading);
    EXPECT_EQ(r.description, kBody);
    EXPECT_EQ(r.value, kLinkText);
    EXPECT_EQ(r.action, L"\x8DF3\x8F6C");  // "Jump"
    EXPECT_EQ(r.childCount, 3);            // two buttons and the close button
    EXPECT_TRUE(Has(r.childNames, kOk));
    EXPECT_TRUE(Has(r.childNames, kCancel));
    char title[32] = "";
    GetWindowTextA(popup, title, sizeof title);
    EXPECT_STREQ(title, "VorbelNotify");

    // The reader's "jump" is the click on the link: the popup closes as after that click (1001).
    // (Opening the browser is the click's own business; it is left out here.)
    NotifySession.linkClickable = 0;
    IAccessible* acc = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(popup, OBJID_CLIENT, kIID_IAccessible,
                                         reinterpret_cast<void**>(&acc)),
              S_OK);
    EXPECT_EQ(acc->accDoDefaultAction(Self()), S_OK);
    acc->Release();
    EXPECT_TRUE(PumpUntil([popup] { return !IsWindow(popup); }, 10000));
    EXPECT_EQ(NotifySession.resultCode, 1001);
}

// Read from inside the dialog's modal loop, then closed with OK.
Reading dialogReading;

void CALLBACK ReadDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = VisibleThreadDialog();
    if (!dialog)
        return;
    KillTimer(nullptr, id);
    UpdateWindow(dialog);
    dialogReading = Read(dialog);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

TEST_F(Accessible, DialogFormReadsTheSame)
{
    SetTimer(nullptr, 0, 50, ReadDialog);
    Action(object, kHeading, kBody, NS_DIALOG, kLinkText, L"http://example.invalid/");
    EXPECT_EQ(dialogReading.role, ROLE_SYSTEM_ALERT);
    EXPECT_EQ(dialogReading.name, kHeading);
    EXPECT_EQ(dialogReading.description, kBody);
    EXPECT_TRUE(alerts.empty());  // the dialog takes the focus; readers meet it there
}

}  // namespace
