#include "module/module_state.h"
#include "popup/notify_session.h"
#include "tray/tray_thread.h"
#include <cstdlib>

HINSTANCE moduleHandle = nullptr;
char moduleShortPath[260] = "";
volatile LONG liveObjectCount = 0;
volatile LONG moduleCallsInProgress = 0;

void ModuleProcessAttach(HINSTANCE instance)
{
    moduleHandle = instance;
    char fullPath[260] = {};
    GetModuleFileNameA(moduleHandle, fullPath, sizeof fullPath);
    GetShortPathNameA(fullPath, moduleShortPath, sizeof moduleShortPath);
}

void ModuleProcessDetach()
{
    // DllCanUnloadNow refuses while a window of either class lives; a host that unloads all
    // the same keeps that class (the call fails and changes nothing).
    UnregisterClassA("VorbelNotify", moduleHandle);
    UnregisterClassA(kTrayWindowClass, moduleHandle);
}

void ModuleObjectCreated()
{
    InterlockedIncrement(&liveObjectCount);
}

void ModuleObjectDestroyed()
{
    InterlockedDecrement(&liveObjectCount);
}

ModuleCallScope::ModuleCallScope()
{
    InterlockedIncrement(&moduleCallsInProgress);
}

ModuleCallScope::~ModuleCallScope()
{
    InterlockedDecrement(&moduleCallsInProgress);
}

// A notification window of this process whose window procedure is the module's.
static bool NotificationWindowAlive()
{
    HWND window = NotifySession.popupWindow;
    if (!window || !IsWindow(window))
        return false;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId() &&
           reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)) == moduleHandle;
}

HRESULT ModuleCanUnload()
{
    if (liveObjectCount != 0 || moduleCallsInProgress != 0 || NotificationWindowAlive() ||
        TrayThreadRunning())
        return S_FALSE;
    return S_OK;
}

void* (*moduleAllocator)(size_t size) = std::malloc;

void* ModuleAllocate(size_t size)
{
    return moduleAllocator(size);
}

void ModuleFree(void* memory)
{
    std::free(memory);
}
