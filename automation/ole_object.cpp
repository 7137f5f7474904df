// IOleObject for containers that embed the object as a control (a page's <object> tag, a form
// designer, a control host). The object shows nothing of its own at run time, so every
// operation either keeps the client site, reports the class, or gives the container a
// documented answer with its out-pointers cleared.
#define CINTERFACE  // the SDK's typed IOleObjectVtbl, and C-style calls on the site
#include "automation/ntf_object.h"
#include <olectl.h>

namespace {

NtfObjRecord* RecordOfOle(IOleObject* ole)
{
    return CONTAINING_RECORD(ole, NtfObjRecord, ole);
}

ULONG STDMETHODCALLTYPE OleAddRef(IOleObject* This)
{
    return NtfObjAddRef(PrimaryOf(RecordOfOle(This)));
}

ULONG STDMETHODCALLTYPE OleRelease(IOleObject* This)
{
    return NtfObjRelease(PrimaryOf(RecordOfOle(This)));
}

HRESULT STDMETHODCALLTYPE OleQueryInterface(IOleObject* This, REFIID riid, void** out)
{
    return NtfObjQueryInterface(PrimaryOf(RecordOfOle(This)), riid, out);
}

HRESULT STDMETHODCALLTYPE OleSetClientSite(IOleObject* This, IOleClientSite* site)
{
    NtfObjRecord* object = RecordOfOle(This);
    if (site)
        site->lpVtbl->AddRef(site);
    IOleClientSite* old = object->clientSite;
    object->clientSite = site;
    if (old)  // last: releasing it may call back into the object
        old->lpVtbl->Release(old);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OleGetClientSite(IOleObject* This, IOleClientSite** site)
{
    if (!site)
        return E_POINTER;
    *site = RecordOfOle(This)->clientSite;
    if (*site)
        (*site)->lpVtbl->AddRef(*site);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OleSetHostNames(IOleObject*, LPCOLESTR, LPCOLESTR)
{
    return S_OK;  // the object shows no window that could carry them
}

// Nothing to save; the container's site is let go, as a closed object no longer needs it.
HRESULT STDMETHODCALLTYPE OleClose(IOleObject* This, DWORD)
{
    ReleaseClientSite(RecordOfOle(This));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OleSetMoniker(IOleObject*, DWORD, IMoniker*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE OleGetMoniker(IOleObject*, DWORD, DWORD, IMoniker** moniker)
{
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE OleInitFromData(IOleObject*, IDataObject*, BOOL, DWORD)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE OleGetClipboardData(IOleObject*, DWORD, IDataObject** data)
{
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE OleDoVerb(IOleObject*, LONG verb, LPMSG, IOleClientSite*, LONG, HWND,
                                    LPCRECT)
{
    return OleVerbResult(verb);
}

HRESULT STDMETHODCALLTYPE OleEnumVerbs(IOleObject*, IEnumOLEVERB** verbs)
{
    if (verbs)
        *verbs = nullptr;
    return OLEOBJ_E_NOVERBS;
}

HRESULT STDMETHODCALLTYPE OleUpdate(IOleObject*)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OleIsUpToDate(IOleObject*)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OleGetUserClassID(IOleObject*, CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_NtfObj;
    return S_OK;
}

// The registry holds the class's name ("NtfObj"): OLE_S_USEREG sends the container there.
HRESULT STDMETHODCALLTYPE OleGetUserType(IOleObject*, DWORD, LPOLESTR* type)
{
    if (type)
        *type = nullptr;
    return OLE_S_USEREG;
}

// Nothing is drawn, so there is no size to set; the extent is empty.
HRESULT STDMETHODCALLTYPE OleSetExtent(IOleObject*, DWORD, SIZEL*)
{
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE OleGetExtent(IOleObject*, DWORD, SIZEL* size)
{
    if (!size)
        return E_POINTER;
    size->cx = 0;
    size->cy = 0;
    return S_OK;
}

// No view changes to report: advise sinks are neither taken nor held.
HRESULT STDMETHODCALLTYPE OleAdvise(IOleObject*, IAdviseSink*, DWORD* connection)
{
    if (connection)
        *connection = 0;
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE OleUnadvise(IOleObject*, DWORD)
{
    return OLE_E_NOCONNECTION;
}

HRESULT STDMETHODCALLTYPE OleEnumAdvise(IOleObject*, IEnumSTATDATA** advises)
{
    if (advises)
        *advises = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE OleGetMiscStatus(IOleObject*, DWORD, DWORD* status)
{
    if (!status)
        return E_POINTER;
    *status = OleMiscStatusBits();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OleSetColorScheme(IOleObject*, LOGPALETTE*)
{
    return E_NOTIMPL;
}

}  // namespace

void ReleaseClientSite(NtfObjRecord* object)
{
    IOleClientSite* site = object->clientSite;
    object->clientSite = nullptr;
    if (site)
        site->lpVtbl->Release(site);
}

DWORD OleMiscStatusBits()
{
    return OLEMISC_INVISIBLEATRUNTIME | OLEMISC_NOUIACTIVATE | OLEMISC_CANTLINKINSIDE;
}

HRESULT OleVerbResult(LONG verb)
{
    if (verb > 0)
        return OLEOBJ_S_INVALIDVERB;        // carried out as the primary verb: nothing to do
    if (verb >= OLEIVERB_DISCARDUNDOSTATE)  // primary, show, open, hide, UI and in-place activation
        return S_OK;
    return E_NOTIMPL;  // properties (no property pages) and verbs this object does not know
}

const IOleObjectVtbl kOleObjectTable = {
    OleQueryInterface,   OleAddRef,      OleRelease,       OleSetClientSite,  OleGetClientSite,
    OleSetHostNames,     OleClose,       OleSetMoniker,    OleGetMoniker,     OleInitFromData,
    OleGetClipboardData, OleDoVerb,      OleEnumVerbs,     OleUpdate,         OleIsUpToDate,
    OleGetUserClassID,   OleGetUserType, OleSetExtent,     OleGetExtent,      OleAdvise,
    OleUnadvise,         OleEnumAdvise,  OleGetMiscStatus, OleSetColorScheme,
};
static_assert(sizeof(IOleObjectVtbl) == 24 * sizeof(void*), "twenty-four slots");
