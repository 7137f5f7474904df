// GetIDsOfNames and Invoke. The dispatcher has its own name table: the type library
// describes only the first three methods.
#include "automation/dispatcher.h"
#include "automation/methods.h"
#include "module/registration.h"
#include <cwchar>

namespace {

const wchar_t* const kMethodNames[] = {
    L"Action",   L"SetCheckInfo", L"SetButtonInfo", L"SetComboxInfo",     L"TimeInterval",
    L"SetColor", L"SetAppIcon",   L"SetTrayIcon",   L"ShowUpdateBalloon",
};

// Required tags in positional order (first argument first); rgvarg holds them reversed.
struct MethodArguments {
    unsigned count;
    VARTYPE tags[6];
    bool writesResult;
};

const MethodArguments kArguments[9] = {
    {6, {VT_BSTR, VT_BSTR, VT_BSTR, VT_BSTR, VT_I4, VT_I4}, true},  // Action
    {2, {VT_BSTR, VT_I2}, true},                                    // SetCheckInfo
    {2, {VT_BSTR, VT_I2}, true},                                    // SetButtonInfo
    {2, {VT_BSTR, VT_I2}, true},                                    // SetComboxInfo
    {1, {VT_UINT}, false},                                          // TimeInterval
    {5, {VT_UINT, VT_UINT, VT_UINT, VT_UINT, VT_UINT}, false},      // SetColor
    {1, {VT_UI1}, false},                                           // SetAppIcon: the handle
    {1, {VT_BSTR}, true},                                           // SetTrayIcon: the address
    {1, {VT_BSTR}, true},                                           // ShowUpdateBalloon
};

}  // namespace

DISPID DispIdOfName(const wchar_t* name)
{
    for (DISPID i = 0; i < 9; ++i)
        if (std::wcscmp(name, kMethodNames[i]) == 0)
            return i + 1;
    return 0;
}

unsigned ArgumentCount(DISPID dispId)
{
    return dispId >= 1 && dispId <= 9 ? kArguments[dispId - 1].count : 0;
}

HRESULT STDMETHODCALLTYPE NtfObjGetIDsOfNames(IAxObj*, REFIID, LPOLESTR* rgszNames, UINT cNames,
                                              LCID, DISPID* rgDispId)
{
    if (cNames == 0 || !rgszNames || !rgszNames[0] || !rgDispId)
        return E_INVALIDARG;
    DISPID id = DispIdOfName(rgszNames[0]);
    if (id == 0)
        return E_NOINTERFACE;
    rgDispId[0] = id;
    return S_OK;
}

HRESULT CheckInvoke(bool serverOff, DISPID dispId, WORD flags, const DISPPARAMS* params, bool* call)
{
    *call = false;
    if (serverOff)
        return S_FALSE;
    if (dispId < 1 || dispId > 9)
        return S_OK;
    if (!(flags & DISPATCH_METHOD))
        return S_OK;
    const MethodArguments& wanted = kArguments[dispId - 1];
    if (!params || params->cArgs < wanted.count || !params->rgvarg)
        return DISP_E_BADPARAMCOUNT;
    for (unsigned i = 0; i < wanted.count; ++i)
        if (params->rgvarg[wanted.count - 1 - i].vt != wanted.tags[i])
            return DISP_E_TYPEMISMATCH;
    *call = true;
    return S_OK;
}

bool RefusedToUntrustedCaller(DISPID dispId)
{
    return dispId == NTF_DISPID_SETTRAYICON || dispId == NTF_DISPID_SHOWUPDATEBALLOON;
}

HRESULT STDMETHODCALLTYPE NtfObjInvoke(IAxObj* This, DISPID dispIdMember, REFIID, LCID, WORD wFlags,
                                       DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO*,
                                       UINT*)
{
    bool call = false;
    HRESULT checked = CheckInvoke(serverDisabled != 0, dispIdMember, wFlags, pDispParams, &call);
    if (!call)
        return checked;
    // Refused before the argument is touched: nothing is read, written or started.
    if (RecordOf(This)->untrustedCaller && RefusedToUntrustedCaller(dispIdMember))
        return E_ACCESSDENIED;

    const VARIANT* a = pDispParams->rgvarg;
    short result = 0;
    HRESULT hr = S_OK;
    switch (dispIdMember) {
    case NTF_DISPID_ACTION:
        hr = NtfObjAction(This, a[5].bstrVal, a[4].bstrVal, a[3].bstrVal, a[2].bstrVal, a[1].lVal,
                          a[0].lVal, &result);
        break;
    case NTF_DISPID_SETCHECKINFO:
        hr = NtfObjSetCheckInfo(This, a[1].bstrVal, a[0].iVal, &result);
        break;
    case NTF_DISPID_SETBUTTONINFO:
        hr = NtfObjSetButtonInfo(This, a[1].bstrVal, a[0].iVal, &result);
        break;
    case NTF_DISPID_SETCOMBOXINFO:
        hr = NtfObjSetComboxInfo(This, a[1].bstrVal, a[0].iVal, &result);
        break;
    // The whole 32-bit value: a delay above 32767 ms and every colour's blue byte survive.
    case NTF_DISPID_TIMEINTERVAL:
        hr = NtfObjTimeInterval(This, a[0].uintVal);
        break;
    case NTF_DISPID_SETCOLOR:
        hr = NtfObjSetColor(This, a[4].uintVal, a[3].uintVal, a[2].uintVal, a[1].uintVal,
                            a[0].uintVal);
        break;
    // Handles are 32-bit significant; a 64-bit host's handle is the sign-extended value.
    case NTF_DISPID_SETAPPICON:
        hr = NtfObjSetAppIcon(This, reinterpret_cast<HICON>(static_cast<LONG_PTR>(a[0].lVal)));
        break;
    // The record's address travels where a BSTR pointer would, at full pointer size.
    case NTF_DISPID_SETTRAYICON:
        hr = NtfObjSetTrayIcon(This, reinterpret_cast<TrayRequest*>(a[0].bstrVal), &result);
        break;
    case NTF_DISPID_SHOWUPDATEBALLOON:
        hr = NtfObjShowUpdateBalloon(This, reinterpret_cast<TrayRequest*>(a[0].bstrVal), &result);
        break;
    }
    if (kArguments[dispIdMember - 1].writesResult && pVarResult) {
        pVarResult->vt = VT_I2;
        pVarResult->iVal = result;
    }
    return hr;
}
