// Starting the tray thread, or forwarding a request to the window of the one that runs.
#include "tray/tray_thread.h"

#include <cstring>
#include <new>
#include <process.h>

#include "module/module_state.h"
#include "module/windows_version.h"
#include "popup/notify_session.h"
#include "popup/show_notification.h"
#include "popup/shown_text.h"
#include "tray/tray_icon.h"
#include "tray/tray_request.h"
#include "tray/tray_route.h"

namespace {

// 1 from the moment a starter claims the start until the new thread has made its window (or
// failed to): a second request in that time waits for the window instead of starting a thread.
volatile LONG trayStarting = 0;
// Tray threads from their start until they exit.
volatile LONG trayThreadCount = 0;
volatile LONG trayRouteLock = 0;
// How long a request waits for an ending session's window to go (it goes right after the
// session's last message); past that it is posted as before.
const int kEndingWaitMs = 5000;

bool TrayWindowLive()
{
    HWND window = NotifySession.trayWindow;
    return window && IsWindow(window);
}

HANDLE StartTrayThread(TrayRequest* request, int showBalloon)
{
    // The process heap: the record outlives this call and is freed by the thread it starts.
    void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(TrayStartRecord));
    if (!memory)
        return nullptr;
    auto* record = new (memory) TrayStartRecord{request, 0, nullptr, showBalloon};
    // The thread holds the module while it runs, so that an unload cannot pull its code away.
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCSTR>(&TrayThread), &self);
    record->moduleReference = self;
    InterlockedIncrement(&trayThreadCount);
    uintptr_t thread = _beginthreadex(nullptr, 0, TrayThread, record, 0, nullptr);
    if (!thread) {
        InterlockedDecrement(&trayThreadCount);
        if (self)
            FreeLibrary(self);
        HeapFree(GetProcessHeap(), 0, record);
        return nullptr;
    }
    return reinterpret_cast<HANDLE>(thread);
}

// Posts message to the live tray window, or starts a thread for the request. Returns the new
// thread's handle, or null when the request was posted, refused or could not be started.
HANDLE RouteTrayRequest(TrayRequest* request, UINT message, int showBalloon)
{
    const DWORD start = GetTickCount();
    for (;;) {
        LockTrayRoute();
        const bool live = TrayWindowLive();
        const bool ending =
            live && traySessionEnding && GetTickCount() - start < static_cast<DWORD>(kEndingWaitMs);
        if (live && !ending)
            PostMessageA(NotifySession.trayWindow, message, 0, 0);
        UnlockTrayRoute();
        if (live && !ending)
            return nullptr;
        if (ending) {
            Sleep(1);
            continue;
        }
        if (request->abort)
            return nullptr;
        if (InterlockedCompareExchange(&trayStarting, 1, 0) == 0) {
            // A thread may have finished starting between the test above and the claim.
            if (TrayWindowLive()) {
                InterlockedExchange(&trayStarting, 0);
                continue;
            }
            HANDLE thread = StartTrayThread(request, showBalloon);
            if (!thread)
                InterlockedExchange(&trayStarting, 0);
            return thread;
        }
        // Another thread is starting: its window creation is short, wait for it.
        while (trayStarting) Sleep(1);
    }
}

// Copies a host field that may lack its zero byte.
template <size_t N> void CopyField(char (&target)[N], const char (&field)[N])
{
    CopyLimited(target, field, N - 1);
    target[N - 1] = 0;
}

// Each tray thread registers the class anew; it goes with the module's code when the DLL is
// unloaded. The module is not unloaded while a tray thread runs; a host that unloads all the
// same keeps the class (the call fails and changes nothing).
void UnregisterTrayWindowClass()
{
    UnregisterClassA(kTrayWindowClass, moduleHandle);
}

const ModuleUser trayUser([] { return TrayThreadRunning() != 0; }, UnregisterTrayWindowClass);

// The session's hidden window, registered anew for this thread.
HWND CreateTrayWindow()
{
    UnregisterTrayWindowClass();
    RegisterTrayWindowClass();
    return CreateWindowExA(0, kTrayWindowClass, kTrayWindowClass, WS_OVERLAPPEDWINDOW,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                           nullptr, moduleHandle, nullptr);
}

// Makes window the one hosts post their requests to.
void PublishTrayWindow(HWND window)
{
    // A new session is not ending; cleared before the window is published, so that no host
    // sees this window with the last session's flag.
    InterlockedExchange(&traySessionEnding, 0);
    NotifySession.trayWindow = window;
    InterlockedExchange(&trayStarting, 0);  // requests that waited may post to it now
}

// Runs the window's messages until the session has ended (trayClosed).
void RunTraySession(HWND window, const TrayStartRecord& record)
{
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);
    if (record.showBalloon && !record.request->balloonRequested)
        PostMessageA(window, kTrayBalloonMessage, 0, 0);
    NotifySession.trayClosed = 0;
    do {
        MSG msg;
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got != 0 && got != -1) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    } while (!NotifySession.trayClosed);
}

// The session is over: the window goes without its procedure, which must not run again once
// the module may be unloaded.
void DestroyTrayWindow(HWND window)
{
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
    DestroyWindow(window);
}

// A request that came in while the session was ending was not served: it gets a session of
// its own, as it would have had a moment later.
void StartSuccessorSession()
{
    const LONG successor = InterlockedExchange(&traySuccessorMessage, 0);
    TrayRequest* next = NotifySession.currentTrayRequest;
    if (successor && next && !next->abort) {
        HANDLE thread =
            RouteTrayRequest(next, static_cast<UINT>(successor), successor == kTrayBalloonMessage);
        if (thread)
            CloseHandle(thread);
    }
}

}  // namespace

unsigned __stdcall TrayThread(void* startRecord)
{
    auto* record = static_cast<TrayStartRecord*>(startRecord);
    record->started = 0;
    HWND window = CreateTrayWindow();
    PublishTrayWindow(window);
    if (window && IsWindow(window)) {
        record->started = 1;
        RunTraySession(window, *record);
        DestroyTrayWindow(window);
        StartSuccessorSession();
    }

    // The record and the thread's hold on the module go last.
    unsigned started = record->started;
    HMODULE module = record->moduleReference;
    HeapFree(GetProcessHeap(), 0, record);
    InterlockedDecrement(&trayThreadCount);
    if (module)
        FreeLibraryAndExitThread(module, started);
    return started;
}

void LockTrayRoute()
{
    while (InterlockedCompareExchange(&trayRouteLock, 1, 0) != 0) Sleep(0);
}

void UnlockTrayRoute()
{
    InterlockedExchange(&trayRouteLock, 0);
}

int TrayThreadRunning()
{
    return trayThreadCount != 0 || trayStarting != 0;
}

int ApplyTrayRequest(TrayRequest* request)
{
    if (!request)
        return 0;
    NotifySession.currentTrayRequest = request;
    HANDLE thread = RouteTrayRequest(request, kTrayModifyMessage, 0);
    if (thread)
        CloseHandle(thread);
    return 0;
}

int ShowBalloonRequest(TrayRequest* request)
{
    if (!request)
        return 0;
    NotifySession.currentTrayRequest = request;
    if (!UsesBalloonTips(ClassifyWindowsVersion())) {
        // "title\ntext", each cut on a whole character, as the host's bytes.
        char message[260] = {};
        size_t used = WholeCharacterLength(request->title, sizeof request->title);
        std::memcpy(message, request->title, used);
        if (used < sizeof message - 1)
            message[used++] = '\n';
        const size_t room = sizeof message - 1 - used;
        std::memcpy(message + used, request->text,
                    WholeCharacterLength(
                        request->text, room < sizeof request->text ? room : sizeof request->text));
        char url[sizeof request->url];
        char urlDisplay[sizeof request->urlDisplay];
        CopyField(url, request->url);
        CopyField(urlDisplay, request->urlDisplay);
        return ShowNotification(NS_FLATBORDER | NS_WAIT | NS_ICON_INFO | NS_CLOSEBOX, message, 1,
                                url, urlDisplay, request->timeoutMs);
    }
    HANDLE thread = RouteTrayRequest(request, kTrayBalloonMessage, 1);
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    return 0;
}
