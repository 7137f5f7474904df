#include "support/watchdog.h"

#include "popup/popup_rules.h"
#include "support/emulation.h"
#include "support/thread_windows.h"

TickThread::TickThread(DWORD firstMs, DWORD periodMs, std::function<void()> tick)
    : first_(firstMs), period_(periodMs), tick_(std::move(tick)),
      done_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    worker_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

TickThread::~TickThread()
{
    SetEvent(done_);
    WaitForSingleObject(worker_, INFINITE);
    CloseHandle(worker_);
    CloseHandle(done_);
}

DWORD WINAPI TickThread::Run(void* param)
{
    TickThread* self = static_cast<TickThread*>(param);
    DWORD wait = self->first_;
    while (WaitForSingleObject(self->done_, wait) == WAIT_TIMEOUT) {
        wait = self->period_;
        self->tick_();
    }
    return 0;
}

Watchdog::Watchdog(DWORD deadlineMs)
    : thread_(GetCurrentThreadId()), ticks_(SafetyLimitMs(deadlineMs), 200, [this] { CloseWindows(); })
{
}

void Watchdog::CloseWindows()
{
    fired_ = 1;
    if (HWND popup = ThreadWindowOfClass("VorbelNotify", true, thread_))
        PostMessageA(popup, WM_COMMAND, kCloseButtonId, 0);
    if (HWND dialog = ThreadWindowOfClass("#32770", true, thread_))
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    PostThreadMessageA(thread_, WM_NULL, 0, 0);
}
