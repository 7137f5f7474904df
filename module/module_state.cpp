#include "module/module_state.h"

HINSTANCE moduleHandle = nullptr;
char moduleShortPath[260] = "";
volatile LONG liveObjectCount = 0;

void ModuleProcessAttach(HINSTANCE instance)
{
    moduleHandle = instance;
    char fullPath[260] = {};
    GetModuleFileNameA(moduleHandle, fullPath, sizeof fullPath);
    GetShortPathNameA(fullPath, moduleShortPath, sizeof moduleShortPath);
}

void ModuleObjectCreated()
{
    InterlockedIncrement(&liveObjectCount);
}

void ModuleObjectDestroyed()
{
    InterlockedDecrement(&liveObjectCount);
}

HRESULT ModuleCanUnload()
{
    return liveObjectCount != 0 ? S_FALSE : S_OK;
}
