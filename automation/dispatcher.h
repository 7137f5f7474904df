// The late-bound entry: method names to DISPIDs, and Invoke's argument checks and calls.
#pragma once
#include "automation/ntf_object.h"

HRESULT STDMETHODCALLTYPE NtfObjGetIDsOfNames(IAxObj* This, REFIID riid, LPOLESTR* rgszNames,
                                              UINT cNames, LCID lcid, DISPID* rgDispId);
HRESULT STDMETHODCALLTYPE NtfObjInvoke(IAxObj* This, DISPID dispIdMember, REFIID riid, LCID lcid,
                                       WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                       EXCEPINFO* pExcepInfo, UINT* puArgErr);

// DISPID of a method name (case-sensitive, whole name), or 0 when there is none.
DISPID DispIdOfName(const wchar_t* name);

// What Invoke decides before calling anything: *call is true when the method is to be
// called; otherwise the result is what Invoke returns. Checks, in order: the server switched
// off, a DISPID outside 1..9, no DISPATCH_METHOD bit, too few arguments (never reading past
// cArgs), then the argument tags.
HRESULT CheckInvoke(bool serverOff, DISPID dispId, WORD flags, const DISPPARAMS* params,
                    bool* call);

// Methods Invoke refuses (E_ACCESSDENIED) to an object marked for untrusted callers: the two
// that read a record at an address travelling where a string would. A script can only pass a
// string, so the record would be whatever memory follows it.
bool RefusedToUntrustedCaller(DISPID dispId);

// Positional argument count of a method (0 for an unknown DISPID).
unsigned ArgumentCount(DISPID dispId);
