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

// A factory with count 1 for classId (liveObjectCount rises by 1), or null without memory.
NtfObjFactory* CreateNtfObjFactory(REFCLSID classId);

inline IClassFactory* ClassFactoryOf(NtfObjFactory* factory)
{
    return reinterpret_cast<IClassFactory*>(factory);
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
