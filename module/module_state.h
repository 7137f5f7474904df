// Module-wide values fixed at load time, and the count of live objects and factories.
#pragma once
#include <windows.h>

extern HINSTANCE moduleHandle;
extern char moduleShortPath[260];
extern volatile LONG liveObjectCount;

// What the DLL entry does on DLL_PROCESS_ATTACH; test programs that link the module's code
// statically call it with their own instance so that resources and classes resolve there.
void ModuleProcessAttach(HINSTANCE instance);

// What the DLL entry does when FreeLibrary unloads it (not at process exit): the window
// classes go with the code of their procedures (each part's detach). Windows never
// unregisters a DLL's classes.
void ModuleProcessDetach();

// Interlocked: objects of several apartments in one process may come and go at once.
void ModuleObjectCreated();
void ModuleObjectDestroyed();

// A part of the module that runs its code outside the interface calls (a window, a thread)
// and registers a window class. It declares one of these at namespace scope; the unload query
// and the detach below ask every part without knowing which parts there are.
struct ModuleUser {
    ModuleUser(bool (*busyQuery)(), void (*detachAction)());
    ModuleUser(const ModuleUser&) = delete;
    ModuleUser& operator=(const ModuleUser&) = delete;

    bool (*const busy)();    // true while its code may still run: the module must stay loaded
    void (*const detach)();  // on FreeLibrary: unregister its window class
    const ModuleUser* const next;
};

// S_OK when nothing that runs the module's code is alive, else S_FALSE: no object or
// factory, no call in progress, and no part busy (a notification window, a tray thread).
// Unloading under a live window procedure, call or thread would crash the host.
HRESULT ModuleCanUnload();

// Held by the methods that run the host's messages (the wait loop, the modal dialog, the
// balloon's popup): the host may release its last object and offer the module for unloading
// from inside them, after the window has gone and before the call has returned.
class ModuleCallScope {
public:
    ModuleCallScope();
    ~ModuleCallScope();
    ModuleCallScope(const ModuleCallScope&) = delete;
    ModuleCallScope& operator=(const ModuleCallScope&) = delete;
};
extern volatile LONG moduleCallsInProgress;

// Memory of objects and factories. Tests replace the allocator to make allocation fail.
void* ModuleAllocate(size_t size);
void ModuleFree(void* memory);
extern void* (*moduleAllocator)(size_t size);
