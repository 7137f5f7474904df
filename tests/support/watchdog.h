// Threads beside a test's own that step in when a call does not come back by itself.
#pragma once

#include <windows.h>

#include <functional>

// Calls `tick` on a thread of its own, first after `firstMs`, then every `periodMs`, until the
// object is destroyed (which waits for a tick under way to end).
class TickThread {
public:
    TickThread(DWORD firstMs, DWORD periodMs, std::function<void()> tick);
    ~TickThread();
    TickThread(const TickThread&) = delete;
    TickThread& operator=(const TickThread&) = delete;

private:
    static DWORD WINAPI Run(void* param);
    DWORD first_;
    DWORD period_;
    std::function<void()> tick_;
    HANDLE done_;
    HANDLE worker_;
};

// Ends a call that does not return while its window is up: after the deadline it closes the
// popup and the dialog of the thread that made it, again and again, and remembers that it had to.
class Watchdog {
public:
    explicit Watchdog(DWORD deadlineMs = 15000);
    bool fired() const { return fired_ != 0; }

private:
    void CloseWindows();
    DWORD thread_;
    volatile LONG fired_ = 0;
    TickThread ticks_;
};
