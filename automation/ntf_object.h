// NtfObj as a COM object: its record, its interface tables and the members of IUnknown,
// IDispatch and IObjectSafety that do no notification work.
#pragma once
#include "NtfObj.h"
#include <ole2.h>
#include <objsafe.h>

// The SDK declares its typed IOleObject table for C only: the file that fills it builds
// with CINTERFACE, everything else sees the tag alone.
struct IOleObjectVtbl;

// IObjectSafety in slot order; typed so that every slot is a stdcall function on i686.
struct ObjectSafetyTable {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(void* This, REFIID riid, void** out);
    ULONG(STDMETHODCALLTYPE* AddRef)(void* This);
    ULONG(STDMETHODCALLTYPE* Release)(void* This);
    HRESULT(STDMETHODCALLTYPE* GetInterfaceSafetyOptions)
    (void* This, REFIID riid, DWORD* supported, DWORD* enabled);
    HRESULT(STDMETHODCALLTYPE* SetInterfaceSafetyOptions)
    (void* This, REFIID riid, DWORD mask, DWORD enabled);
};

// One object: the primary pointer is its identity (IUnknown, IDispatch, IAxObj). The OLE
// table serves containers that embed the object as a control; it holds the container's
// client site between SetClientSite and SetClientSite(NULL), Close or destruction. The
// safety words keep what the host set through IObjectSafety: [0] for the object's own
// interfaces, [1] for any other it asked about.
struct NtfObjRecord {
    const IAxObjVtbl* primary;
    const ObjectSafetyTable* safety;
    LONG refCount;
    const struct IOleObjectVtbl* ole;
    IOleClientSite* clientSite;
    DWORD safetyEnabled[2];
    LONG untrustedCaller;  // set for good once a host asked for untrusted-caller safety
};
static_assert(offsetof(NtfObjRecord, primary) == 0, "the primary pointer is the identity");
static_assert(
    sizeof(void*) != 4 ||
        (sizeof(NtfObjRecord) == 32 && offsetof(NtfObjRecord, refCount) == 8 &&
         offsetof(NtfObjRecord, ole) == 12 && offsetof(NtfObjRecord, clientSite) == 16 &&
         offsetof(NtfObjRecord, safetyEnabled) == 20 &&
         offsetof(NtfObjRecord, untrustedCaller) == 28),
    "the 32-bit object record: two table pointers, the count, the OLE table, the site and "
    "the safety options");

// The safety options the object supports: both (safe to script, safe to initialise).
const DWORD kSupportedSafetyOptions =
    INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
// The options enabled for an interface after SetInterfaceSafetyOptions(mask, enabled): the
// bits of mask take their value from enabled; bits the object does not support stay clear.
DWORD SafetyOptionsAfter(DWORD current, DWORD mask, DWORD enabled);

extern const IAxObjVtbl kNtfObjTable;
extern const ObjectSafetyTable kObjectSafetyTable;
extern const struct IOleObjectVtbl kOleObjectTable;

// A new object with count 1 (liveObjectCount rises by 1), or null without memory.
NtfObjRecord* CreateNtfObj();

inline IAxObj* PrimaryOf(NtfObjRecord* object)
{
    return reinterpret_cast<IAxObj*>(&object->primary);
}

inline NtfObjRecord* RecordOf(IAxObj* primary)
{
    return reinterpret_cast<NtfObjRecord*>(primary);
}

// Drops the container's client site, if one is held (Close, SetClientSite(NULL), destruction).
void ReleaseClientSite(NtfObjRecord* object);

// What the object tells a container about itself: invisible at run time, nothing to activate
// in place or link to.
DWORD OleMiscStatusBits();
// DoVerb's answer: the standard verbs succeed (there is nothing to show), properties are not
// offered, a positive verb counts as the primary one, any other negative verb is unknown.
HRESULT OleVerbResult(LONG verb);

HRESULT STDMETHODCALLTYPE NtfObjQueryInterface(IAxObj* This, REFIID riid, void** out);
ULONG STDMETHODCALLTYPE NtfObjAddRef(IAxObj* This);
ULONG STDMETHODCALLTYPE NtfObjRelease(IAxObj* This);
