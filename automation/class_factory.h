// The class object of NtfObj and DllGetClassObject.
#pragma once
#include <windows.h>
#include <objbase.h>

struct ClassFactoryTable;

// One factory per DllGetClassObject call; its interface pointer is also its IUnknown.
struct NtfObjFactory {
    const ClassFactoryTable* table;
    LONG refCount;
    CLSID classId;
};
static_assert(sizeof(void*) != 4 || sizeof(NtfObjFactory) == 24,
              "the 32-bit factory record: table pointer, count, class identifier");

// A factory with count 1 for classId (liveObjectCount rises by 1), or null without memory.
NtfObjFactory* CreateNtfObjFactory(REFCLSID classId);

inline IClassFactory* ClassFactoryOf(NtfObjFactory* factory)
{
    return reinterpret_cast<IClassFactory*>(factory);
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
