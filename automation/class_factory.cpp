// NtfObjFactory: creates NtfObj objects; it cannot aggregate and keeps no server locks.
#include "automation/class_factory.h"
#include "module/module_state.h"
#include "automation/ntf_object.h"
#include <new>

struct ClassFactoryTable {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(NtfObjFactory* This, REFIID riid, void** out);
    ULONG(STDMETHODCALLTYPE* AddRef)(NtfObjFactory* This);
    ULONG(STDMETHODCALLTYPE* Release)(NtfObjFactory* This);
    HRESULT(STDMETHODCALLTYPE* CreateInstance)
    (NtfObjFactory* This, IUnknown* outer, REFIID riid, void** out);
    HRESULT(STDMETHODCALLTYPE* LockServer)(NtfObjFactory* This, BOOL lock);
};

namespace {

ULONG STDMETHODCALLTYPE FactoryAddRef(NtfObjFactory* This)
{
    return static_cast<ULONG>(++This->refCount);
}

ULONG STDMETHODCALLTYPE FactoryRelease(NtfObjFactory* This)
{
    LONG count = --This->refCount;
    if (count != 0)
        return static_cast<ULONG>(count);
    ModuleFree(This);
    ModuleObjectDestroyed();
    return 0;
}

HRESULT STDMETHODCALLTYPE FactoryQueryInterface(NtfObjFactory* This, REFIID riid, void** out)
{
    if (!out)  // nowhere to put the answer: say so rather than write through null
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
        return E_NOINTERFACE;
    *out = This;
    FactoryAddRef(This);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FactoryCreateInstance(NtfObjFactory* This, IUnknown* outer, REFIID riid,
                                                void** out)
{
    if (!out)  // checked first: nothing is created that could not be handed over
        return E_POINTER;
    *out = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (!IsEqualCLSID(This->classId, CLSID_NtfObj))
        return E_FAIL;
    NtfObjRecord* object = CreateNtfObj();
    if (!object)
        return E_OUTOFMEMORY;
    HRESULT hr = NtfObjQueryInterface(PrimaryOf(object), riid, out);
    NtfObjRelease(PrimaryOf(object));
    return hr;
}

// Server locks do not keep the module loaded.
HRESULT STDMETHODCALLTYPE FactoryLockServer(NtfObjFactory*, BOOL)
{
    return E_NOTIMPL;
}

const ClassFactoryTable kClassFactoryTable = {
    FactoryQueryInterface, FactoryAddRef, FactoryRelease, FactoryCreateInstance, FactoryLockServer,
};

}  // namespace

NtfObjFactory* CreateNtfObjFactory(REFCLSID classId)
{
    void* memory = ModuleAllocate(sizeof(NtfObjFactory));
    if (!memory)
        return nullptr;
    NtfObjFactory* factory = new (memory) NtfObjFactory{&kClassFactoryTable, 1, classId};
    ModuleObjectCreated();
    return factory;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_NtfObj))
        return CLASS_E_CLASSNOTAVAILABLE;
    NtfObjFactory* factory = CreateNtfObjFactory(rclsid);
    if (!factory)
        return E_OUTOFMEMORY;
    HRESULT hr = FactoryQueryInterface(factory, riid, ppv);
    FactoryRelease(factory);
    return hr;
}
