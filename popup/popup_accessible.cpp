// The interface tables of this file are the SDK's C ones.
#define CINTERFACE
#include "popup/popup_accessible.h"

#include <ole2.h>
#include <oleacc.h>
#include <cstddef>
#include <cstring>
#include <cwchar>

#include "module/internal_names.h"
#include "module/module_state.h"
#include "module/user32_function.h"
#include "popup/notify_session.h"
#include "popup/shown_text.h"

namespace {
const IID kIID_IAccessible = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// The accessibility library is looked up when a reader first asks, so that the module loads
// where it is missing and costs nothing where nobody reads.
typedef LRESULT(WINAPI* LresultFromObjectFn)(REFIID, WPARAM, LPUNKNOWN);
typedef HRESULT(WINAPI* CreateStdAccessibleObjectFn)(HWND, LONG, REFIID, void**);
typedef void(WINAPI* NotifyWinEventFn)(DWORD, HWND, LONG, LONG);

struct Oleacc {
    LresultFromObjectFn lresultFromObject;
    CreateStdAccessibleObjectFn createStdAccessibleObject;
};

Oleacc found = {nullptr, nullptr};
bool tried = false;

const Oleacc* LoadOleacc()
{
    if (!tried) {
        tried = true;
        if (HMODULE library = LoadLibraryA("oleacc.dll")) {
            found.lresultFromObject = reinterpret_cast<LresultFromObjectFn>(
                reinterpret_cast<void*>(GetProcAddress(library, "LresultFromObject")));
            found.createStdAccessibleObject = reinterpret_cast<CreateStdAccessibleObjectFn>(
                reinterpret_cast<void*>(GetProcAddress(library, "CreateStdAccessibleObject")));
        }
    }
    return found.lresultFromObject && found.createStdAccessibleObject ? &found : nullptr;
}

// "Jump", the action Windows names for a link.
const wchar_t kLinkActionName[] = L"\x8DF3\x8F6C";

// The client area's object: what is the notification's own is answered here, everything else
// (position, children and their names, focus, navigation) by the system's standard object.
struct AlertAccessible {
    const IAccessibleVtbl* table;
    LONG refCount;
    IAccessible* standard;
    HWND window;
    BSTR name;         // the heading
    BSTR description;  // the body
    BSTR link;         // the link's text, or null without a link
};
static_assert(offsetof(AlertAccessible, table) == 0, "the table pointer is the identity");

AlertAccessible* Self(IAccessible* This)
{
    return reinterpret_cast<AlertAccessible*>(This);
}

bool IsSelf(VARIANT child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

HRESULT CopyText(BSTR text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!text)
        return S_FALSE;
    *out = SysAllocStringLen(text, SysStringLen(text));
    return *out ? S_OK : E_OUTOFMEMORY;
}

BSTR TextOf(const wchar_t* text, size_t length)
{
    return SysAllocStringLen(text, static_cast<UINT>(length));
}

HRESULT STDMETHODCALLTYPE QueryInterface(IAccessible* This, REFIID riid, void** out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, kIID_IAccessible)) {
        *out = This;
        InterlockedIncrement(&Self(This)->refCount);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE AddRef(IAccessible* This)
{
    return static_cast<ULONG>(InterlockedIncrement(&Self(This)->refCount));
}

ULONG STDMETHODCALLTYPE Release(IAccessible* This)
{
    AlertAccessible* self = Self(This);
    const LONG left = InterlockedDecrement(&self->refCount);
    if (left == 0) {
        self->standard->lpVtbl->Release(self->standard);
        SysFreeString(self->name);
        SysFreeString(self->description);
        SysFreeString(self->link);
        ModuleFree(self);
        ModuleObjectDestroyed();
    }
    return static_cast<ULONG>(left);
}

// Readers use the table; late binding is not offered.
HRESULT STDMETHODCALLTYPE GetTypeInfoCount(IAccessible*, UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetTypeInfo(IAccessible*, UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE GetIDsOfNames(IAccessible*, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE Invoke(IAccessible*, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                 EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}

#define STANDARD(This)       (Self(This)->standard)
#define FORWARD(method, ...) STANDARD(This)->lpVtbl->method(STANDARD(This), __VA_ARGS__)

HRESULT STDMETHODCALLTYPE get_accParent(IAccessible* This, IDispatch** parent)
{
    return FORWARD(get_accParent, parent);
}

HRESULT STDMETHODCALLTYPE get_accChildCount(IAccessible* This, LONG* count)
{
    return FORWARD(get_accChildCount, count);
}

HRESULT STDMETHODCALLTYPE get_accChild(IAccessible* This, VARIANT child, IDispatch** out)
{
    return FORWARD(get_accChild, child, out);
}

HRESULT STDMETHODCALLTYPE get_accName(IAccessible* This, VARIANT child, BSTR* name)
{
    if (IsSelf(child))
        return CopyText(Self(This)->name, name);
    return FORWARD(get_accName, child, name);
}

HRESULT STDMETHODCALLTYPE get_accValue(IAccessible* This, VARIANT child, BSTR* value)
{
    // A link's value is what it leads to; here its text, as the popup shows it.
    if (IsSelf(child) && Self(This)->link)
        return CopyText(Self(This)->link, value);
    return FORWARD(get_accValue, child, value);
}

HRESULT STDMETHODCALLTYPE get_accDescription(IAccessible* This, VARIANT child, BSTR* description)
{
    if (IsSelf(child))
        return CopyText(Self(This)->description, description);
    return FORWARD(get_accDescription, child, description);
}

HRESULT STDMETHODCALLTYPE get_accRole(IAccessible* This, VARIANT child, VARIANT* role)
{
    if (!IsSelf(child))
        return FORWARD(get_accRole, child, role);
    if (!role)
        return E_POINTER;
    VariantInit(role);
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_ALERT;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE get_accState(IAccessible* This, VARIANT child, VARIANT* state)
{
    return FORWARD(get_accState, child, state);
}

HRESULT STDMETHODCALLTYPE get_accHelp(IAccessible* This, VARIANT child, BSTR* help)
{
    return FORWARD(get_accHelp, child, help);
}

HRESULT STDMETHODCALLTYPE get_accHelpTopic(IAccessible* This, BSTR* file, VARIANT child,
                                           LONG* topic)
{
    return FORWARD(get_accHelpTopic, file, child, topic);
}

HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(IAccessible* This, VARIANT child, BSTR* shortcut)
{
    return FORWARD(get_accKeyboardShortcut, child, shortcut);
}

HRESULT STDMETHODCALLTYPE get_accFocus(IAccessible* This, VARIANT* focus)
{
    return FORWARD(get_accFocus, focus);
}

HRESULT STDMETHODCALLTYPE get_accSelection(IAccessible* This, VARIANT* selection)
{
    return FORWARD(get_accSelection, selection);
}

HRESULT STDMETHODCALLTYPE get_accDefaultAction(IAccessible* This, VARIANT child, BSTR* action)
{
    if (IsSelf(child) && Self(This)->link) {
        if (!action)
            return E_POINTER;
        *action = SysAllocString(kLinkActionName);
        return *action ? S_OK : E_OUTOFMEMORY;
    }
    return FORWARD(get_accDefaultAction, child, action);
}

HRESULT STDMETHODCALLTYPE accSelect(IAccessible* This, LONG flags, VARIANT child)
{
    return FORWARD(accSelect, flags, child);
}

HRESULT STDMETHODCALLTYPE accLocation(IAccessible* This, LONG* left, LONG* top, LONG* width,
                                      LONG* height, VARIANT child)
{
    return FORWARD(accLocation, left, top, width, height, child);
}

HRESULT STDMETHODCALLTYPE accNavigate(IAccessible* This, LONG direction, VARIANT start,
                                      VARIANT* end)
{
    return FORWARD(accNavigate, direction, start, end);
}

HRESULT STDMETHODCALLTYPE accHitTest(IAccessible* This, LONG x, LONG y, VARIANT* child)
{
    return FORWARD(accHitTest, x, y, child);
}

HRESULT STDMETHODCALLTYPE accDoDefaultAction(IAccessible* This, VARIANT child)
{
    if (IsSelf(child) && Self(This)->link) {
        // Run by the window's own thread and loop, as the click it stands for would be.
        return PostMessageA(Self(This)->window, kAccessibleLinkAction, 0, 0) ? S_OK : E_FAIL;
    }
    return FORWARD(accDoDefaultAction, child);
}

HRESULT STDMETHODCALLTYPE put_accName(IAccessible* This, VARIANT child, BSTR name)
{
    return FORWARD(put_accName, child, name);
}

HRESULT STDMETHODCALLTYPE put_accValue(IAccessible* This, VARIANT child, BSTR value)
{
    return FORWARD(put_accValue, child, value);
}

#undef FORWARD
#undef STANDARD

const IAccessibleVtbl kAlertAccessibleTable = {
    QueryInterface,
    AddRef,
    Release,
    GetTypeInfoCount,
    GetTypeInfo,
    GetIDsOfNames,
    Invoke,
    get_accParent,
    get_accChildCount,
    get_accChild,
    get_accName,
    get_accValue,
    get_accDescription,
    get_accRole,
    get_accState,
    get_accHelp,
    get_accHelpTopic,
    get_accKeyboardShortcut,
    get_accFocus,
    get_accSelection,
    get_accDefaultAction,
    accSelect,
    accLocation,
    accNavigate,
    accHitTest,
    accDoDefaultAction,
    put_accName,
    put_accValue,
};
static_assert(sizeof(IAccessibleVtbl) == 28 * sizeof(void*),
              "IUnknown, IDispatch and 21 IAccessible slots");

AlertAccessible* CreateAlertAccessible(HWND window, IAccessible* standard)
{
    void* memory = ModuleAllocate(sizeof(AlertAccessible));
    if (!memory)
        return nullptr;
    AlertAccessible* self = static_cast<AlertAccessible*>(memory);
    std::memset(self, 0, sizeof *self);
    self->table = &kAlertAccessibleTable;
    self->refCount = 1;
    self->standard = standard;
    self->window = window;
    const NotifySessionRecord& s = NotifySession;
    // The texts as the face shows them.
    wchar_t scratch[kTwinTextSize];
    const wchar_t* message =
        ShownText(s.messageText, NotifyTwins.messageText, scratch, kTwinTextSize);
    const wchar_t* lineFeed = std::wcschr(message, L'\n');
    const size_t headingLength = lineFeed ? static_cast<size_t>(lineFeed - message) : 0;
    const wchar_t* body = lineFeed ? lineFeed + 1 : message;
    self->name = TextOf(message, headingLength);
    self->description = TextOf(body, std::wcslen(body));
    if (s.linkShown) {
        const wchar_t* link =
            s.linkText[0] ? ShownText(s.linkText, NotifyTwins.linkText, scratch, kTwinTextSize)
                          : ShownText(s.linkUrl, NotifyTwins.linkUrl, scratch, kTwinTextSize);
        self->link = TextOf(link, std::wcslen(link));
    }
    ModuleObjectCreated();
    return self;
}
}  // namespace

void AnnouncePopup(HWND popup)
{
    // Windows 98 and 2000 on; older systems have no readers to tell.
    NotifyWinEventFn notify = User32Function<NotifyWinEventFn>("NotifyWinEvent");
    if (notify && IsWindow(popup))
        notify(EVENT_SYSTEM_ALERT, popup, OBJID_CLIENT, CHILDID_SELF);
}

bool AnswerAccessibleObject(HWND window, WPARAM flags, LPARAM objectId, LRESULT* answer)
{
    if (static_cast<LONG>(objectId) != OBJID_CLIENT)
        return false;
    const Oleacc* oleacc = LoadOleacc();
    if (!oleacc)
        return false;
    IAccessible* standard = nullptr;
    if (FAILED(oleacc->createStdAccessibleObject(window, OBJID_CLIENT, kIID_IAccessible,
                                                 reinterpret_cast<void**>(&standard))) ||
        !standard)
        return false;
    AlertAccessible* object = CreateAlertAccessible(window, standard);
    if (!object) {
        standard->lpVtbl->Release(standard);
        return false;
    }
    IAccessible* accessible = reinterpret_cast<IAccessible*>(object);
    *answer =
        oleacc->lresultFromObject(kIID_IAccessible, flags, reinterpret_cast<IUnknown*>(accessible));
    Release(accessible);
    return true;
}
