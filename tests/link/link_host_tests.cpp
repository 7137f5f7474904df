// Opening the link from hosts that are not the plain case: a host thread in any COM apartment
// keeps its own initialisation after a link click, and without the browser's automation class
// web addresses (and nothing else) go to the default browser through the shell.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <string>
#include <vector>

#include "../controls/popup_harness.h"
#include "link_support.h"
#include "popup/link_browser.h"

using namespace harness;
using namespace linktest;

namespace {

// Both views of the registry: where the prefix has its 32-bit half, COM finds a local server in
// the 32-bit view when the 64-bit one lacks it.
const char* const kBrowserClassKeys[] = {
    "Software\\Classes\\CLSID\\{0002DF01-0000-0000-C000-000000000046}",
    "Software\\Classes\\Wow6432Node\\CLSID\\{0002DF01-0000-0000-C000-000000000046}"};
const char* const kBackupKeys[] = {"Software\\NtfObjTestBackup\\BrowserClass",
                                   "Software\\NtfObjTestBackup\\BrowserClass32"};

using RegTreeCopy = LONG(WINAPI*)(HKEY, LPCSTR, HKEY);
using RegTreeDelete = LONG(WINAPI*)(HKEY, LPCSTR);

// Newer than the module's target version: looked up where the tests run.
RegTreeCopy CopyTree()
{
    return reinterpret_cast<RegTreeCopy>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegCopyTreeA")));
}

RegTreeDelete DeleteTree()
{
    return reinterpret_cast<RegTreeDelete>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteTreeA")));
}

// Copies a key of HKLM with everything below it to another path (which it creates).
bool CopyKey(const char* from, const char* to)
{
    HKEY source = nullptr, target = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, from, 0, KEY_READ, &source) != ERROR_SUCCESS)
        return false;
    bool copied = RegCreateKeyExA(HKEY_LOCAL_MACHINE, to, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &target, nullptr) == ERROR_SUCCESS &&
                  CopyTree()(source, nullptr, target) == ERROR_SUCCESS;
    RegCloseKey(source);
    if (target)
        RegCloseKey(target);
    return copied;
}

// The browser's automation class taken out of the prefix, as on a system without it, and put
// back afterwards.
class BrowserClassRemoved {
public:
    BrowserClassRemoved()
    {
        for (int view = 0; view < 2; ++view) {
            DeleteTree()(HKEY_LOCAL_MACHINE, kBackupKeys[view]);
            saved_[view] = CopyKey(kBrowserClassKeys[view], kBackupKeys[view]);
            DeleteTree()(HKEY_LOCAL_MACHINE, kBrowserClassKeys[view]);
        }
    }
    ~BrowserClassRemoved()
    {
        for (int view = 0; view < 2; ++view) {
            if (saved_[view])
                CopyKey(kBackupKeys[view], kBrowserClassKeys[view]);
            DeleteTree()(HKEY_LOCAL_MACHINE, kBackupKeys[view]);
        }
    }

private:
    bool saved_[2] = {false, false};
};

// The command the shell runs to open an address of one scheme, set for the life of the object.
class SchemeCommand {
public:
    SchemeCommand(const std::string& scheme, const std::string& command)
        : key_("Software\\Classes\\" + scheme), commandKey_(key_ + "\\shell\\open\\command")
    {
        HKEY existing = nullptr;
        existed_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_.c_str(), 0, KEY_READ, &existing) ==
                   ERROR_SUCCESS;
        if (existing)
            RegCloseKey(existing);
        DWORD size = sizeof saved_;
        hadCommand_ = RegGetValueA(HKEY_LOCAL_MACHINE, commandKey_.c_str(), nullptr, RRF_RT_REG_SZ,
                                   nullptr, saved_, &size) == ERROR_SUCCESS;
        Set(command.c_str());
    }
    ~SchemeCommand()
    {
        if (!existed_)
            DeleteTree()(HKEY_LOCAL_MACHINE, key_.c_str());
        else if (hadCommand_)
            Set(saved_);
    }

private:
    void Set(const char* command)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, commandKey_.c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                       static_cast<DWORD>(strlen(command) + 1));
        RegCloseKey(key);
    }
    std::string key_, commandKey_;
    bool existed_ = false, hadCommand_ = false;
    char saved_[MAX_PATH * 2] = "";
};

// True while a process of that file name runs.
bool ProcessRuns(const wchar_t* name)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry))
        found = lstrcmpiW(entry.szExeFile, name) == 0;
    CloseHandle(snapshot);
    return found;
}

class LinkHostTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitialNotifySession(&NotifySession);
        DeleteFileA(standInLog_.c_str());
        DeleteFileA(recorderLog_.c_str());
    }
    void TearDown() override
    {
        if (IsWindow(NotifySession.popupWindow))
            DestroyWindow(NotifySession.popupWindow);
        Pump();
    }

    // What the stand-in browser recorded, once it has gone (it ends after its last release).
    std::string StandInLog()
    {
        for (int i = 0; i < 1000; ++i) {
            const std::string log = ReadFile(standInLog_);
            if (log.find("exit\n") != std::string::npos)
                return log;
            Pump();
            Sleep(10);
        }
        return ReadFile(standInLog_);
    }

    // What the default browser's stand-in was given, once every one the shell started has ended.
    std::string RecorderLog()
    {
        for (int i = 0; i < 1000 && ProcessRuns(L"url_recorder.exe"); ++i) {
            Pump();
            Sleep(10);
        }
        return ReadFile(recorderLog_);
    }

    const std::string standInLog_ = BesideMe("standin_browser.log");
    const std::string standIn_ = "\"" + BesideMe("standin_browser.exe") + "\"";
    const std::string recorder_ = BesideMe("url_recorder.exe");
    const std::string recorderLog_ = BesideMe("url_recorder.log");
};

// --- The host's apartment ------------------------------------------------------------------

TEST_F(LinkHostTest, LinkClickLeavesTheHostThreadsComAsItWas)
{
    BrowserRegistration standIn(standIn_);
    // How the host entered COM on its thread, and what a later CoInitialize of the host's own
    // answers when the click has left that alone.
    struct Case {
        const char* name;
        DWORD apartment;  // ~0: the host never initialised COM
        HRESULT hostAfterwards;
    } cases[] = {
        {"no COM", ~0u, S_OK},
        {"single-threaded apartment", COINIT_APARTMENTTHREADED, S_FALSE},
        {"multithreaded apartment", COINIT_MULTITHREADED, RPC_E_CHANGED_MODE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(standInLog_.c_str());
        if (c.apartment != ~0u) {
            ASSERT_EQ(CoInitializeEx(nullptr, c.apartment), S_OK);
        }

        HWND popup =
            MakePopup(0, "A", 1, nullptr, 0, nullptr, 9000, "http://example.test/apartment");
        ClickLink(popup);
        EXPECT_NE(StandInLog().find("Navigate2 8 0 0 0 0 http://example.test/apartment\n"),
                  std::string::npos);
        EXPECT_FALSE(IsWindow(popup));

        const HRESULT after = CoInitialize(nullptr);
        EXPECT_EQ(after, c.hostAfterwards);
        if (SUCCEEDED(after))
            CoUninitialize();
        if (c.apartment != ~0u) {
            // The host's own initialisation is still there to be undone, and only once.
            EXPECT_EQ(CoInitializeEx(nullptr, c.apartment), S_FALSE);
            CoUninitialize();
            CoUninitialize();
        }
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK) << "COM left initialised";
        CoUninitialize();
    }
}

// --- No browser automation object ------------------------------------------------------------

TEST(WebAddress, OnlyHttpAndHttpsAddressesWithoutQuotesSpacesOrControlsGoToTheShell)
{
    struct Case {
        const char* url;
        int web;
    } cases[] = {
        {"http://example.test/", 1},
        {"https://example.test/a?b=1#c", 1},
        {"HTTP://EXAMPLE.TEST/", 1},
        {"HtTpS://x", 1},
        {"http://example.test/\xD6\xD0\xCE\xC4", 1},
        {"http://", 0},
        {"https://", 0},
        {"http:example.test", 0},
        {"http:/example.test", 0},
        {"ftp://example.test/", 0},
        {"file:///C:/windows/notepad.exe", 0},
        {"C:\\windows\\notepad.exe", 0},
        {"javascript:alert(1)", 0},
        {"mailto:someone@example.test", 0},
        {" http://example.test/", 0},
        {"http://example.test/\" --new-window \"", 0},
        {"http://example.test/a b", 0},
        {"http://example.test/\t", 0},
        {"http://example.test/\x7F", 0},
        {"", 0},
        {nullptr, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(IsWebAddress(c.url), c.web) << (c.url ? c.url : "(null)");
}

TEST(LinkScope, AnUntrustedCallersLinkMayOpenOnlyWebAndMailAddresses)
{
    // What a trusted host's link may open (anything: the browser object decides) and what an
    // untrusted caller's may (a page's script: the web and mail, nothing on the machine).
    struct Case {
        const char* url;
        int untrusted;
    } cases[] = {
        {"http://example.test/", 1},
        {"HTTPS://example.test/a?b=1", 1},
        {"mailto:someone@example.test", 1},
        {"MailTo:someone@example.test?subject=hi", 1},
        {"mailto:", 0},
        {"mailto:a b@example.test", 0},
        {"mailto:\"a\"@example.test", 0},
        {"file:///C:/windows/win.ini", 0},
        {"C:\\windows\\notepad.exe", 0},
        {"\\\\server\\share\\x.exe", 0},
        {"javascript:alert(1)", 0},
        {"vbscript:msgbox(1)", 0},
        {"res://shell32.dll/1", 0},
        {"ftp://example.test/", 0},
        {"ms-settings:", 0},
        {"about:blank", 0},
        {"http:example.test", 0},
        {" mailto:someone@example.test", 0},
        {"", 0},
        {nullptr, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LinkMayOpen(c.url, 0), 1) << (c.url ? c.url : "(null)");
        EXPECT_EQ(LinkMayOpen(c.url, 1), c.untrusted) << (c.url ? c.url : "(null)");
    }
}

TEST_F(LinkHostTest, WithoutTheBrowserObjectWebAddressesOpenInTheDefaultBrowserAndNothingElseStarts)
{
    BrowserClassRemoved noBrowser;
    const std::string command = "\"" + recorder_ + "\" \"%1\"";
    SchemeCommand http("http", command), https("https", command), javascript("javascript", command);
    const std::string program = recorder_;
    const std::string fileUrl = "file:///" + recorder_;
    const char* const refused[] = {program.c_str(), fileUrl.c_str(), "javascript:alert(1)",
                                   "http://example.test/\" \"--flag", "http://example.test/a b"};

    // The link of a popup, clicked as a user does.
    HWND popup =
        MakePopup(0, "A", 1, nullptr, 0, nullptr, 9000, "http://example.test/\xD6\xD0?q=1");
    ClickLink(popup);
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(OpenLinkInBrowser("HTTPS://example.test/secure"), 0)
        << "no browser object was created";
    for (const char* url : refused) EXPECT_EQ(OpenLinkInBrowser(url), 0) << url;
    // The address as the shell gave it to the default browser ("中" arrives as UTF-16, written
    // out as UTF-8), and nothing for the others.
    EXPECT_EQ(RecorderLog(),
              "\"http://example.test/\xE4\xB8\xAD?q=1\"\n\"HTTPS://example.test/secure\"\n");

    // The shell itself would have started something for each refused address.
    for (const char* url : refused) {
        DeleteFileA(recorderLog_.c_str());
        wchar_t wide[MAX_PATH * 2] = {};
        MultiByteToWideChar(CP_ACP, 0, url, -1, wide, MAX_PATH * 2);
        ShellExecuteW(nullptr, L"open", wide, nullptr, nullptr, SW_SHOWNORMAL);
        EXPECT_NE(RecorderLog(), "")
            << url << ": the shell ran nothing, so the refusal shows nothing";
    }
}

}  // namespace
