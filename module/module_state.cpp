#include "module/module_state.h"
#include <cstdlib>

HINSTANCE moduleHandle = nullptr;
char moduleShortPath[260] = "";
volatile LONG liveObjectCount = 0;
volatile LONG moduleCallsInProgress = 0;

namespace {
// Filled while the program or the DLL initialises, before any thread of the module runs.
const ModuleUser* moduleUsers = nullptr;
}  // namespace

ModuleUser::ModuleUser(bool (*busyQuery)(), void (*detachAction)())
    : busy(busyQuery), detach(detachAction), next(moduleUsers)
{
    moduleUsers = this;
}

void ModuleProcessAttach(HINSTANCE instance)
{
    moduleHandle = instance;
    char fullPath[260] = {};
    GetModuleFileNameA(moduleHandle, fullPath, sizeof fullPath);
    GetShortPathNameA(fullPath, moduleShortPath, sizeof moduleShortPath);
}

void ModuleProcessDetach()
{
    for (const ModuleUser* user = moduleUsers; user; user = user->next) user->detach();
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

HRESULT ModuleCanUnload()
{
    if (liveObjectCount != 0 || moduleCallsInProgress != 0)
        return S_FALSE;
    for (const ModuleUser* user = moduleUsers; user; user = user->next)
        if (user->busy())
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
