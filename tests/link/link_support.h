// Helpers of the link tests: files beside the test program, the browser's class pointed at a
// stand-in, and a click on a popup's link.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "../controls/popup_harness.h"
#include "popup/notify_session.h"

namespace linktest {

inline const char kServerKey[] =
    "Software\\Classes\\CLSID\\{0002DF01-0000-0000-C000-000000000046}\\LocalServer32";

inline std::string BesideMe(const char* name)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1) + name;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Points the browser's class at another server for the life of the object, then puts the
// prefix's own registration back.
class BrowserRegistration {
public:
    explicit BrowserRegistration(const std::string& command)
    {
        DWORD size = sizeof saved_;
        hadValue_ = RegGetValueA(HKEY_LOCAL_MACHINE, kServerKey, nullptr, RRF_RT_REG_SZ, nullptr,
                                 saved_, &size) == ERROR_SUCCESS;
        Set(command.c_str());
    }
    ~BrowserRegistration()
    {
        if (hadValue_) {
            Set(saved_);
        } else {
            HKEY key;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServerKey, 0, KEY_SET_VALUE, &key) ==
                ERROR_SUCCESS) {
                RegDeleteValueA(key, nullptr);
                RegCloseKey(key);
            }
        }
    }

private:
    static void Set(const char* command)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kServerKey, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                       static_cast<DWORD>(strlen(command) + 1));
        RegCloseKey(key);
    }
    char saved_[MAX_PATH * 2] = "";
    bool hadValue_ = false;
};

// Hovers the drawn link and clicks it.
inline void ClickLink(HWND popup)
{
    const RECT& r = NotifySession.linkRect;
    const LPARAM point = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(popup, WM_MOUSEMOVE, 0, point);
    ASSERT_EQ(NotifySession.linkHover, 1);
    PostMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, point);
    harness::Pump();
}

}  // namespace linktest
