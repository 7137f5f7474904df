/* NtfObj: the public interface for hosts (C and C++).
   The class NtfObj implements the dual interface IAxObj. The type library carries only
   Action, SetCheckInfo and SetButtonInfo; this header declares all nine methods in table
   order, so early-bound hosts reach the other six as well. */
#ifndef NTFOBJ_H
#define NTFOBJ_H

#include <windows.h>
#include <oaidl.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Each host file gets its own copy; unused ones draw no warning. */
#if defined(__GNUC__)
#define NTF_GUID static const __attribute__((unused))
#else
#define NTF_GUID static const
#endif

/* {ABEC6103-F6AC-43A3-834F-FB03FBA339A2} */
NTF_GUID CLSID CLSID_NtfObj = {
    0xABEC6103, 0xF6AC, 0x43A3, {0x83, 0x4F, 0xFB, 0x03, 0xFB, 0xA3, 0x39, 0xA2}};
/* {48E688C8-609F-4B08-944E-3C7FAB99CD08} */
NTF_GUID IID IID_IAxObj = {
    0x48E688C8, 0x609F, 0x4B08, {0x94, 0x4E, 0x3C, 0x7F, 0xAB, 0x99, 0xCD, 0x08}};
/* {B65FB65D-CA1A-4923-BD57-B9D5E3FB40A8}: answered exactly like IID_IAxObj. */
NTF_GUID IID IID_IAxObj2 = {
    0xB65FB65D, 0xCA1A, 0x4923, {0xBD, 0x57, 0xB9, 0xD5, 0xE3, 0xFB, 0x40, 0xA8}};
/* {F9AD9D67-EFA8-480E-8291-0163F3960DE7}: the type library COMOBJLib. */
NTF_GUID GUID LIBID_COMOBJLib = {
    0xF9AD9D67, 0xEFA8, 0x480E, {0x82, 0x91, 0x01, 0x63, 0xF3, 0x96, 0x0D, 0xE7}};

/* Style bits of Action's lStyle. */
#define NTF_STYLE_DIALOG     0x0001L /* modal dialog instead of the sliding popup */
#define NTF_STYLE_CLOSEBOX   0x0008L /* close button at the upper right */
#define NTF_STYLE_ICON_ERROR 0x0010L
#define NTF_STYLE_ICON_ALERT 0x0020L
#define NTF_STYLE_ICON_INFO  0x0080L
#define NTF_STYLE_WAIT       0x1000L /* Action returns only when the popup has closed */
#define NTF_STYLE_STICKY     0x4000L /* no auto-close */
#define NTF_STYLE_FLATBORDER 0x8000L

/* Result codes reported through nRet. A popup's code carries the ticked check boxes in its
   low bits and the chosen button or list entry above them; a popup with the close box reports
   one of the two close codes instead. The tray flow reports the other four. */
#define NTF_RESULT_CLOSED_BY_BOX_OR_TIMER 1000 /* the close box or the auto-close timer */
#define NTF_RESULT_CLOSED_OTHERWISE       1001 /* a click on the body, a button or the list */
#define NTF_RESULT_NONE                   0
#define NTF_RESULT_TRAY_ABORTED           1
#define NTF_RESULT_BALLOON_TIMEOUT        1000
#define NTF_RESULT_BALLOON_CLICKED        1001

/* DISPIDs of the nine methods for late-bound callers. */
#define NTF_DISPID_ACTION            1
#define NTF_DISPID_SETCHECKINFO      2
#define NTF_DISPID_SETBUTTONINFO     3
#define NTF_DISPID_SETCOMBOXINFO     4
#define NTF_DISPID_TIMEINTERVAL      5
#define NTF_DISPID_SETCOLOR          6
#define NTF_DISPID_SETAPPICON        7
#define NTF_DISPID_SETTRAYICON       8
#define NTF_DISPID_SHOWUPDATEBALLOON 9

/* The tray request: allocated, filled and kept by the host; the module reads it after the
   call has returned, so it must stay alive until the tray session has ended. Texts are in the
   ANSI code page, zero-terminated. */
#pragma pack(push, 4)
struct TrayRequest {
    BYTE reserved[8];
    DWORD icon;      /* icon handle (handles are 32-bit significant on both builds) */
    char tip[128];   /* tooltip */
    char title[128]; /* balloon title */
    char text[260];  /* balloon text */
    char url[260];
    char urlDisplay[128];
    DWORD timeoutMs;        /* balloon display time */
    DWORD balloonRequested; /* set by ShowUpdateBalloon */
    DWORD abort;            /* non-zero: end the tray session and remove the icon */
};
#pragma pack(pop)
typedef struct TrayRequest TrayRequest;

#ifdef __cplusplus
#define NTF_STATIC_ASSERT static_assert
#else
#define NTF_STATIC_ASSERT _Static_assert
#endif
NTF_STATIC_ASSERT(sizeof(TrayRequest) == 928, "TrayRequest is a 928-byte record");
NTF_STATIC_ASSERT(offsetof(TrayRequest, icon) == 8, "icon");
NTF_STATIC_ASSERT(offsetof(TrayRequest, tip) == 12, "tip");
NTF_STATIC_ASSERT(offsetof(TrayRequest, title) == 140, "title");
NTF_STATIC_ASSERT(offsetof(TrayRequest, text) == 268, "text");
NTF_STATIC_ASSERT(offsetof(TrayRequest, url) == 528, "url");
NTF_STATIC_ASSERT(offsetof(TrayRequest, urlDisplay) == 788, "urlDisplay");
NTF_STATIC_ASSERT(offsetof(TrayRequest, timeoutMs) == 916, "timeoutMs");
NTF_STATIC_ASSERT(offsetof(TrayRequest, balloonRequested) == 920, "balloonRequested");
NTF_STATIC_ASSERT(offsetof(TrayRequest, abort) == 924, "abort");

typedef struct IAxObj IAxObj;

/* The interface table in slot order: IUnknown, IDispatch, then the nine methods. On 64-bit
   builds hWndParent stays a 32-bit long (handles are 32-bit significant) and the tray
   methods take the record's address at full pointer size. */
typedef struct IAxObjVtbl {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(IAxObj* This, REFIID riid, void** ppvObject);
    ULONG(STDMETHODCALLTYPE* AddRef)(IAxObj* This);
    ULONG(STDMETHODCALLTYPE* Release)(IAxObj* This);
    HRESULT(STDMETHODCALLTYPE* GetTypeInfoCount)(IAxObj* This, UINT* pctinfo);
    HRESULT(STDMETHODCALLTYPE* GetTypeInfo)
    (IAxObj* This, UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo);
    HRESULT(STDMETHODCALLTYPE* GetIDsOfNames)
    (IAxObj* This, REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId);
    HRESULT(STDMETHODCALLTYPE* Invoke)
    (IAxObj* This, DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
     DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr);
    HRESULT(STDMETHODCALLTYPE* Action)
    (IAxObj* This, BSTR bstrString, BSTR bstrTitle, BSTR bstrUrlDisplay, BSTR bstrUrl,
     long hWndParent, long lStyle, short* nRet);
    HRESULT(STDMETHODCALLTYPE* SetCheckInfo)
    (IAxObj* This, BSTR bstrString, short dwStateInit, short* nRet);
    HRESULT(STDMETHODCALLTYPE* SetButtonInfo)
    (IAxObj* This, BSTR bstrString, short dwStateInit, short* nRet);
    HRESULT(STDMETHODCALLTYPE* SetComboxInfo)
    (IAxObj* This, BSTR bstrString, short dwStateInit, short* nRet);
    HRESULT(STDMETHODCALLTYPE* TimeInterval)(IAxObj* This, ULONG delayMs);
    HRESULT(STDMETHODCALLTYPE* SetColor)
    (IAxObj* This, ULONG gradientFrom, ULONG gradientTo, ULONG borderColor, ULONG titleColor,
     ULONG bodyColor);
    HRESULT(STDMETHODCALLTYPE* SetAppIcon)(IAxObj* This, HICON icon);
    HRESULT(STDMETHODCALLTYPE* SetTrayIcon)(IAxObj* This, struct TrayRequest* request, short* nRet);
    HRESULT(STDMETHODCALLTYPE* ShowUpdateBalloon)
    (IAxObj* This, struct TrayRequest* request, short* nRet);
} IAxObjVtbl;

#ifdef __cplusplus
} /* extern "C" */

struct IAxObj : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Action(BSTR bstrString, BSTR bstrTitle, BSTR bstrUrlDisplay,
                                             BSTR bstrUrl, long hWndParent, long lStyle,
                                             short* nRet) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCheckInfo(BSTR bstrString, short dwStateInit,
                                                   short* nRet) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetButtonInfo(BSTR bstrString, short dwStateInit,
                                                    short* nRet) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetComboxInfo(BSTR bstrString, short dwStateInit,
                                                    short* nRet) = 0;
    virtual HRESULT STDMETHODCALLTYPE TimeInterval(ULONG delayMs) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetColor(ULONG gradientFrom, ULONG gradientTo,
                                               ULONG borderColor, ULONG titleColor,
                                               ULONG bodyColor) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAppIcon(HICON icon) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTrayIcon(struct TrayRequest* request, short* nRet) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShowUpdateBalloon(struct TrayRequest* request,
                                                        short* nRet) = 0;
};
#else
struct IAxObj {
    const IAxObjVtbl* lpVtbl;
};
#endif

#endif /* NTFOBJ_H */
