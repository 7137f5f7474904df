// The object record, QueryInterface, reference counting and IObjectSafety.
#include "automation/ntf_object.h"
#include "automation/dispatcher.h"
#include "automation/methods.h"
#include "module/module_state.h"
#include <new>

static NtfObjRecord* RecordOfSafety(void* safety)
{
    return CONTAINING_RECORD(safety, NtfObjRecord, safety);
}

// The interfaces the primary pointer answers for: the object's identity and its dual interface.
static bool IsPrimaryInterface(REFIID riid)
{
    return IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
           IsEqualIID(riid, IID_IAxObj) || IsEqualIID(riid, IID_IAxObj2);
}

HRESULT STDMETHODCALLTYPE NtfObjQueryInterface(IAxObj* This, REFIID riid, void** out)
{
    if (!out)  // nowhere to put the answer: say so rather than write through null
        return E_POINTER;
    *out = nullptr;
    NtfObjRecord* object = RecordOf(This);
    void* chosen = nullptr;
    if (IsPrimaryInterface(riid))
        chosen = &object->primary;
    else if (IsEqualIID(riid, IID_IOleObject))
        chosen = &object->ole;  // containers call its operations: it needs a table of its own
    else if (IsEqualIID(riid, IID_IObjectSafety))
        chosen = &object->safety;
    if (!chosen)
        return E_NOINTERFACE;
    *out = chosen;
    NtfObjAddRef(This);
    return S_OK;
}

ULONG STDMETHODCALLTYPE NtfObjAddRef(IAxObj* This)
{
    return static_cast<ULONG>(++RecordOf(This)->refCount);
}

ULONG STDMETHODCALLTYPE NtfObjRelease(IAxObj* This)
{
    NtfObjRecord* object = RecordOf(This);
    LONG count = --object->refCount;
    if (count != 0)
        return static_cast<ULONG>(count);
    // The site's release may call back into the object; a held count keeps it from being
    // destroyed a second time meanwhile.
    object->refCount = 1;
    ReleaseClientSite(object);
    ModuleFree(object);
    ModuleObjectDestroyed();
    return 0;
}

// Type information is for registration and tools only; the object never hands it out.
static HRESULT STDMETHODCALLTYPE NtfObjGetTypeInfoCount(IAxObj*, UINT*)
{
    return E_NOINTERFACE;
}

static HRESULT STDMETHODCALLTYPE NtfObjGetTypeInfo(IAxObj*, UINT, LCID, ITypeInfo**)
{
    return E_NOINTERFACE;
}

static HRESULT STDMETHODCALLTYPE SafetyQueryInterface(void* This, REFIID riid, void** out)
{
    return NtfObjQueryInterface(PrimaryOf(RecordOfSafety(This)), riid, out);
}

static ULONG STDMETHODCALLTYPE SafetyAddRef(void* This)
{
    return NtfObjAddRef(PrimaryOf(RecordOfSafety(This)));
}

static ULONG STDMETHODCALLTYPE SafetyRelease(void* This)
{
    return NtfObjRelease(PrimaryOf(RecordOfSafety(This)));
}

DWORD SafetyOptionsAfter(DWORD current, DWORD mask, DWORD enabled)
{
    return ((current & ~mask) | (enabled & mask)) & kSupportedSafetyOptions;
}

// The object's own interfaces share one word; any other interface the host asks about
// (persistence, say) the other.
static DWORD* SafetyWordFor(NtfObjRecord* object, REFIID riid)
{
    return &object->safetyEnabled[IsPrimaryInterface(riid) ? 0 : 1];
}

// Hosts asking whether the object is safe for scripting or initialisation are told yes, for
// any interface; the object remembers what was asked, so that methods a script could misuse
// are refused once the host says its callers are untrusted.
static HRESULT STDMETHODCALLTYPE SafetyGetOptions(void* This, REFIID riid, DWORD* supported,
                                                  DWORD* enabled)
{
    if (!supported || !enabled)
        return E_POINTER;
    *supported = kSupportedSafetyOptions;
    *enabled = *SafetyWordFor(RecordOfSafety(This), riid);
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE SafetySetOptions(void* This, REFIID riid, DWORD mask,
                                                  DWORD enabled)
{
    NtfObjRecord* object = RecordOfSafety(This);
    DWORD* word = SafetyWordFor(object, riid);
    *word = SafetyOptionsAfter(*word, mask, enabled);
    // Clearing the option later does not lift the restriction: the page may still be there.
    if (*word & INTERFACESAFE_FOR_UNTRUSTED_CALLER)
        object->untrustedCaller = 1;
    return S_OK;
}

const IAxObjVtbl kNtfObjTable = {
    NtfObjQueryInterface, NtfObjAddRef,        NtfObjRelease,       NtfObjGetTypeInfoCount,
    NtfObjGetTypeInfo,    NtfObjGetIDsOfNames, NtfObjInvoke,        NtfObjAction,
    NtfObjSetCheckInfo,   NtfObjSetButtonInfo, NtfObjSetComboxInfo, NtfObjTimeInterval,
    NtfObjSetColor,       NtfObjSetAppIcon,    NtfObjSetTrayIcon,   NtfObjShowUpdateBalloon,
};
static_assert(sizeof(IAxObjVtbl) == 16 * sizeof(void*), "sixteen slots");

const ObjectSafetyTable kObjectSafetyTable = {
    SafetyQueryInterface, SafetyAddRef, SafetyRelease, SafetyGetOptions, SafetySetOptions,
};

NtfObjRecord* CreateNtfObj()
{
    void* memory = ModuleAllocate(sizeof(NtfObjRecord));
    if (!memory)
        return nullptr;
    NtfObjRecord* object = new (memory)
        NtfObjRecord{&kNtfObjTable, &kObjectSafetyTable, 1, &kOleObjectTable, nullptr, {0, 0}, 0};
    ModuleObjectCreated();
    return object;
}
