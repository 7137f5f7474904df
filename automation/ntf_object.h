// NtfObj as a COM object: its record, its two interface tables and the members of
// IUnknown, IDispatch and IObjectSafety that do no notification work.
#pragma once
#include "NtfObj.h"

// IObjectSafety in slot order; typed so that every slot is a stdcall function on i686.
struct ObjectSafetyTable {
    HRESULT (STDMETHODCALLTYPE *QueryInterface)(void* This, REFIID riid, void** out);
    ULONG (STDMETHODCALLTYPE *AddRef)(void* This);
    ULONG (STDMETHODCALLTYPE *Release)(void* This);
    HRESULT (STDMETHODCALLTYPE *GetInterfaceSafetyOptions)(void* This, REFIID riid,
                                                           DWORD* supported, DWORD* enabled);
    HRESULT (STDMETHODCALLTYPE *SetInterfaceSafetyOptions)(void* This, REFIID riid,
                                                           DWORD mask, DWORD enabled);
};

// One object: the primary pointer is its identity (IUnknown, IDispatch, IAxObj).
struct NtfObjRecord {
    const IAxObjVtbl* primary;
    const ObjectSafetyTable* safety;
    LONG refCount;
};
static_assert(offsetof(NtfObjRecord, primary) == 0, "the primary pointer is the identity");
static_assert(sizeof(void*) != 4 || (sizeof(NtfObjRecord) == 12 && offsetof(NtfObjRecord, refCount) == 8),
              "the 32-bit object record: two table pointers and the count");

extern const IAxObjVtbl kAxObjTable;
extern const ObjectSafetyTable kObjectSafetyTable;

extern const IID kIID_IObjectSafety;
extern const IID kIID_IOleObject;

// A new object with count 1 (liveObjectCount rises by 1), or null without memory.
NtfObjRecord* CreateNtfObj();

inline IAxObj* PrimaryOf(NtfObjRecord* object)
{
    return reinterpret_cast<IAxObj*>(&object->primary);
}

HRESULT STDMETHODCALLTYPE AxObjQueryInterface(IAxObj* This, REFIID riid, void** out);
ULONG STDMETHODCALLTYPE AxObjAddRef(IAxObj* This);
ULONG STDMETHODCALLTYPE AxObjRelease(IAxObj* This);
