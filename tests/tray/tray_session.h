// A fixture for tray sessions: fresh session record, requests that outlive the tray thread,
// and an end to any session a test leaves running.
#pragma once
#include <gtest/gtest.h>
#include <cstring>

#include "popup/notify_session.h"
#include "tray/tray_icon.h"
#include "tray/tray_request.h"
#include "tray/tray_thread.h"
#include "tray_test_support.h"

namespace traytest {

inline DWORD IconField(HICON icon)
{
    return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(icon));
}

inline bool TrayWindowLive()
{
    HWND window = NotifySession.trayWindow;
    return window && IsWindow(window);
}

inline bool TrayThreadEnded()
{
    return WaitFor([] { return !TrayThreadRunning(); });
}

class TraySessionTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(TrayThreadRunning());
        InitialNotifySession(&NotifySession);
        balloonWatchdogDelayOverrideMs = 0;
        red = SolidIcon(kRed);
        green = SolidIcon(kGreen);
        Fill(first, red, "first");
        Fill(second, green, "second");
    }
    void TearDown() override
    {
        if (TrayThreadRunning()) {
            TrayRequest stop = {};
            stop.abort = 1;
            WaitFor([] { return TrayWindowLive() || !TrayThreadRunning(); });
            ApplyTrayRequest(&stop);
            EXPECT_TRUE(TrayThreadEnded());
        }
        balloonWatchdogDelayOverrideMs = 0;
        DestroyIcon(red);
        DestroyIcon(green);
    }
    static void Fill(TrayRequest& request, HICON icon, const char* tip)
    {
        std::memset(&request, 0, sizeof request);
        request.icon = IconField(icon);
        std::strcpy(request.tip, tip);
        std::strcpy(request.title, "Title");
        std::strcpy(request.text, "Balloon text");
        request.timeoutMs = 10000;
    }
    // Posts shell events to the tray window in order, as the shell would send them.
    static void PostEvents(std::initializer_list<std::pair<UINT, LPARAM>> events)
    {
        for (const auto& e : events) PostMessageA(NotifySession.trayWindow, e.first, 0, e.second);
    }

    TrayRequest first = {}, second = {};
    HICON red = nullptr, green = nullptr;
};

}  // namespace traytest
