// The DLL's entry point and the unload query of the COM runtime.
#include "module/module_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        ModuleProcessAttach(instance);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        ModuleProcessDetach();  // FreeLibrary; at process exit nothing needs tidying
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return ModuleCanUnload();
}
