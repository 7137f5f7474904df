// Bad input through every entry point of the object, early-bound through its interface table
// and late-bound through Invoke: null, empty, overlong, unconvertible and cut texts, huge
// lists, masks, styles and delays with every bit set, colours with their top byte set, icons
// and owner windows that name nothing, every DISPID with every argument tag, wrong argument
// counts and null out-pointers. Each case works as it should or fails with a clear HRESULT;
// nothing crashes, hangs, writes outside its buffers, or leaves a window or GDI object behind.
//
// Texts reach the object as BSTRs that end at an inaccessible page, and argument arrays end at
// one too, so a read past a terminator or past cArgs faults at once.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>
#include <climits>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "NtfObj.h"
#include "automation/methods.h"
#include "controls/popup_harness.h"
#include "automation/class_factory.h"
#include "module/module_state.h"
#include "popup/notify_session.h"
#include "popup/option_controls.h"
#include "popup/paint.h"
#include "popup/popup_rules.h"
#include "support/canvas.h"
#include "support/gdi_count.h"
#include "support/guarded_memory.h"
#include "support/thread_windows.h"
#include "support/watchdog.h"

namespace {

const IID kIClassFactory = {1, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIObjectSafety = {
    0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
const IID kIPersist = {0x0000010C, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

const char kZhong[] = "\xD6\xD0";  // 中 in code page 936; 0xD6 is a lead byte

std::string Repeat(const std::string& unit, size_t times)
{
    std::string text;
    for (size_t i = 0; i < times; ++i) text += unit;
    return text;
}

std::wstring Items(size_t count)
{
    std::wstring text;
    for (size_t i = 0; i < count; ++i) text += (i ? L"|i" : L"i") + std::to_wstring(i);
    return text;
}

// A text argument: null, or the characters given, embedded zeros included.
struct Text {
    bool isNull;
    std::wstring chars;
};
const Text kNull = {true, L""};
Text W(const std::wstring& chars)
{
    return {false, chars};
}
Text W(const wchar_t* chars, size_t length)
{
    return {false, std::wstring(chars, length)};
}

// A BSTR as SysAllocStringLen lays it out (length prefix, characters, zero), ending at an
// inaccessible page.
class GuardedBstr {
public:
    explicit GuardedBstr(const Text& text)
        : isNull_(text.isNull), bytes_(4 + text.chars.size() * 2 + 2)
    {
        const DWORD length = static_cast<DWORD>(text.chars.size() * 2);
        std::memcpy(bytes_.data(), &length, 4);
        std::memcpy(bytes_.data() + 4, text.chars.data(), length);
        std::memset(bytes_.data() + 4 + length, 0, 2);
    }
    BSTR get() const { return isNull_ ? nullptr : reinterpret_cast<BSTR>(bytes_.data() + 4); }

private:
    bool isNull_;
    GuardedBytes bytes_;
};

// --- What changed in the session ------------------------------------------------------------

struct Field {
    size_t offset, size;
};
#define FIELD(name)                                                                                \
    Field                                                                                          \
    {                                                                                              \
        offsetof(NotifySessionRecord, name), sizeof(NotifySession.name)                            \
    }

struct Snapshot {
    NotifySessionRecord copy;
    Snapshot() { std::memcpy(&copy, &NotifySession, sizeof copy); }
};

// Offset of the first byte of the session that differs from the snapshot outside the named
// fields, or -1.
long ChangedOutside(const Snapshot& before, const std::vector<Field>& allowed = {})
{
    const BYTE* now = reinterpret_cast<const BYTE*>(&NotifySession);
    const BYTE* then = reinterpret_cast<const BYTE*>(&before.copy);
    for (size_t i = 0; i < sizeof(NotifySessionRecord); ++i) {
        if (now[i] == then[i])
            continue;
        bool inField = false;
        for (const Field& f : allowed)
            inField = inField || (i >= f.offset && i < f.offset + f.size);
        if (!inField)
            return static_cast<long>(i);
    }
    return -1;
}

// A 16-bit result variable between canaries: a wider write, or one beside it, shows.
struct GuardedResult {
    DWORD before = 0xA5A5A5A5;
    short value = 0x5A5A;
    WORD after = 0xA5A5;
    DWORD tail = 0xA5A5A5A5;
    bool intact() const { return before == 0xA5A5A5A5 && after == 0xA5A5 && tail == 0xA5A5A5A5; }
};

// --- The object, reached early- or late-bound -------------------------------------------------

enum class Path { Direct, Invoke };
const Path kPaths[] = {Path::Direct, Path::Invoke};
const char* PathName(Path path)
{
    return path == Path::Direct ? "direct" : "Invoke";
}

VARIANT Variant(VARTYPE tag)
{
    VARIANT v;
    std::memset(&v, 0, sizeof v);
    v.vt = tag;
    return v;
}
VARIANT Bstr(BSTR text)
{
    VARIANT v = Variant(VT_BSTR);
    v.bstrVal = text;
    return v;
}
VARIANT I4(LONG value)
{
    VARIANT v = Variant(VT_I4);
    v.lVal = value;
    return v;
}
VARIANT I2(SHORT value)
{
    VARIANT v = Variant(VT_I2);
    v.iVal = value;
    return v;
}
VARIANT Uint(UINT value)
{
    VARIANT v = Variant(VT_UINT);
    v.uintVal = value;
    return v;
}
VARIANT Handle(HANDLE value)
{
    VARIANT v = Variant(VT_UI1);
    v.lVal =
        static_cast<LONG>(reinterpret_cast<LONG_PTR>(value));  // handles are 32-bit significant
    return v;
}

class Object {
public:
    Object()
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(
            DllGetClassObject(CLSID_NtfObj, kIClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IAxObj, reinterpret_cast<void**>(&object_)),
                  S_OK);
        factory->Release();
    }
    ~Object() { object_->Release(); }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    IAxObj* get() const { return object_; }

    // Invoke with the positional arguments given (first first); a method that reports a result
    // must report it as VT_I2 and write nothing else of the result variable.
    HRESULT Invoke(DISPID id, std::vector<VARIANT> positional, short* result = nullptr,
                   WORD flags = DISPATCH_METHOD)
    {
        std::vector<VARIANT> reversed(positional.rbegin(), positional.rend());
        DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        struct {
            DWORD before;
            VARIANT value;
            DWORD after;
        } out;
        std::memset(&out, 0xA5, sizeof out);
        UINT argErr = 0xA5A5A5A5;
        const HRESULT hr =
            object_->Invoke(id, IID_NULL, 0, flags, &params, &out.value, nullptr, &argErr);
        const BYTE* bytes = reinterpret_cast<const BYTE*>(&out);
        const size_t vt = offsetof(decltype(out), value), value = vt + offsetof(VARIANT, iVal);
        for (size_t i = 0; i < sizeof out; ++i) {
            if (out.value.vt == VT_I2 && ((i >= vt && i < vt + 2) || (i >= value && i < value + 2)))
                continue;
            EXPECT_EQ(bytes[i], 0xA5) << "Invoke wrote byte " << i << " of the result variable";
        }
        EXPECT_EQ(argErr, 0xA5A5A5A5u);
        if (result && out.value.vt == VT_I2)
            *result = out.value.iVal;
        return hr;
    }

    HRESULT SetList(Path path, DISPID id, BSTR text, short mask, short* result)
    {
        if (path == Path::Invoke)
            return Invoke(id, {Bstr(text), I2(mask)}, result);
        switch (id) {
        case NTF_DISPID_SETCHECKINFO:
            return object_->SetCheckInfo(text, mask, result);
        case NTF_DISPID_SETBUTTONINFO:
            return object_->SetButtonInfo(text, mask, result);
        default:
            return object_->SetComboxInfo(text, mask, result);
        }
    }
    HRESULT SetList(Path path, DISPID id, const wchar_t* text, short mask)
    {
        GuardedBstr list(W(text));
        short result = -1;
        const HRESULT hr = SetList(path, id, list.get(), mask, &result);
        EXPECT_EQ(result, 0);
        return hr;
    }
    HRESULT Action(Path path, BSTR heading, BSTR body, BSTR display, BSTR url, long owner,
                   long style, short* result)
    {
        if (path == Path::Invoke)
            return Invoke(
                NTF_DISPID_ACTION,
                {Bstr(heading), Bstr(body), Bstr(display), Bstr(url), I4(owner), I4(style)},
                result);
        return object_->Action(heading, body, display, url, owner, style, result);
    }
    HRESULT Action(Path path, long style, short* result, long owner = 0)
    {
        GuardedBstr heading(W(L"Heading")), body(W(L"Body"));
        return Action(path, heading.get(), body.get(), nullptr, nullptr, owner, style, result);
    }
    HRESULT TimeInterval(Path path, ULONG delay)
    {
        return path == Path::Invoke ? Invoke(NTF_DISPID_TIMEINTERVAL, {Uint(delay)})
                                    : object_->TimeInterval(delay);
    }
    HRESULT SetColor(Path path, const ULONG (&c)[5])
    {
        if (path == Path::Invoke)
            return Invoke(NTF_DISPID_SETCOLOR,
                          {Uint(c[0]), Uint(c[1]), Uint(c[2]), Uint(c[3]), Uint(c[4])});
        return object_->SetColor(c[0], c[1], c[2], c[3], c[4]);
    }
    HRESULT SetAppIcon(Path path, HICON icon)
    {
        return path == Path::Invoke ? Invoke(NTF_DISPID_SETAPPICON, {Handle(icon)})
                                    : object_->SetAppIcon(icon);
    }

private:
    IAxObj* object_ = nullptr;
};

LONG RefCount(IUnknown* object)
{
    object->AddRef();
    return static_cast<LONG>(object->Release());
}

// --- Windows the cases show, and closing them --------------------------------------------------

using harness::Pump;

using harness::Click;

// What to do to the window of a call that runs its own message loop (the dialog, or a popup
// under NS_WAIT) once the window is up; a thread timer does it inside that loop.
const char* pendingClass = nullptr;
std::function<void(HWND)> pendingAction;
bool pendingDone = false;

void CALLBACK RunPendingAction(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND window = ThreadWindowOfClass(pendingClass, true);
    if (!window || pendingDone)
        return;
    KillTimer(nullptr, id);
    pendingDone = true;
    pendingAction(window);
}

// Runs call with action applied to the window of class cls once it shows, under a watchdog.
// Returns whether the window showed.
bool WithWindowAction(const char* cls, std::function<void(HWND)> action,
                      const std::function<void()>& call)
{
    pendingClass = cls;
    pendingAction = std::move(action);
    pendingDone = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, RunPendingAction);
    {
        Watchdog watchdog;
        call();
        EXPECT_FALSE(watchdog.fired())
            << "the call did not return until its window was closed from outside";
    }
    KillTimer(nullptr, timer);
    pendingAction = nullptr;
    return pendingDone;
}

const auto kClickOk = [](HWND dialog) { Click(dialog, IDOK); };
const auto kClickCloseBox = [](HWND popup) { Click(popup, kCloseButtonId); };

// The popup a call left on the screen, closed as a user would: its close button, its confirm
// button, or a click on its face.
void CloseAsUser(HWND popup)
{
    ASSERT_TRUE(IsWindow(popup));
    if (GetDlgItem(popup, kCloseButtonId))
        Click(popup, kCloseButtonId);
    else if (GetDlgItem(popup, kConfirmButtonId))
        Click(popup, kConfirmButtonId);
    else
        SendMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(140, 40));
    Pump();
    EXPECT_FALSE(IsWindow(popup));
}

HWND ShownPopup()
{
    HWND popup = NotifySession.popupWindow;
    return IsWindow(popup) && IsWindowVisible(popup) ? popup : nullptr;
}

// --- The face, painted into a bitmap of its own -------------------------------------------------

// The notification as window would show it, painted into a canvas of its client size that
// starts black, so that a pixel the painter misses shows.
class Face {
public:
    explicit Face(HWND window)
        : canvas_(ClientRect(window).right, ClientRect(window).bottom, 24, BLACK_BRUSH)
    {
        PaintNotification(window, canvas_.dc());
    }
    COLORREF At(int x, int y) const { return canvas_.at(x, y); }
    int Count(const RECT& area, COLORREF colour) const
    {
        return canvas_.count(area.left, area.top, area.right, area.bottom, colour);
    }
    std::vector<COLORREF> Block(int left, int top, int size) const
    {
        std::vector<COLORREF> pixels;
        for (int y = top; y < top + size; ++y)
            for (int x = left; x < left + size; ++x) pixels.push_back(At(x, y));
        return pixels;
    }
    int width() const { return canvas_.width(); }
    int height() const { return canvas_.height(); }

private:
    static RECT ClientRect(HWND window)
    {
        RECT client = {0, 0, 0, 0};
        GetClientRect(window, &client);
        return client;
    }
    Canvas canvas_;
};

// A plain window of the popup's size for painting the face into a bitmap.
class FaceWindow {
public:
    FaceWindow()
        : window_(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 280, 160, nullptr, nullptr,
                                  nullptr, nullptr))
    {
    }
    ~FaceWindow() { DestroyWindow(window_); }
    FaceWindow(const FaceWindow&) = delete;
    FaceWindow& operator=(const FaceWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_;
};

int CountChildren(HWND popup, int firstId)
{
    int n = 0;
    while (GetDlgItem(popup, firstId + n)) ++n;
    return n;
}

std::string WindowText(HWND window)
{
    char text[1100] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// --- The fixture -----------------------------------------------------------------------------

class BadInput : public testing::Test {
protected:
    // Whatever the window system and GDI create once per process (caches, the IME window,
    // dialog fonts) is created here, before the levels are taken.
    static void SetUpTestSuite()
    {
        InitialNotifySession(&NotifySession);
        Object object;
        object.SetList(Path::Direct, NTF_DISPID_SETCHECKINFO, L"a|b", 1);
        object.SetList(Path::Direct, NTF_DISPID_SETBUTTONINFO, L"x|y", 1);
        object.SetList(Path::Direct, NTF_DISPID_SETCOMBOXINFO, L"r|g|ok", 0);
        short result = 0;
        object.Action(Path::Direct, NS_CLOSEBOX | NS_FLATBORDER, &result);
        if (HWND popup = ShownPopup())
            CloseAsUser(popup);
        object.SetList(Path::Direct, NTF_DISPID_SETCHECKINFO, L"a|b|c|d|e", -1);
        object.SetList(Path::Direct, NTF_DISPID_SETBUTTONINFO, L"x|y|z", -1);
        object.SetList(Path::Direct, NTF_DISPID_SETCOMBOXINFO, L"r|g|ok", 0);
        WithWindowAction("#32770", kClickOk, [&] { object.Action(Path::Direct, -1, &result); });
        // Icons load once and stay: every corner icon, and the system icon a case copies.
        FaceWindow canvas;
        for (LONG style : {LONG(0), LONG(NS_ICON_ERROR), LONG(NS_ICON_ALERT), LONG(NS_ICON_INFO)}) {
            NotifySession.style = style;
            Face face(canvas.get());
        }
        LoadIconA(nullptr, MAKEINTRESOURCEA(32513));
        Pump();
        InitialNotifySession(&NotifySession);
    }

    void SetUp() override
    {
        InitialNotifySession(&NotifySession);
        windows_ = CountThreadWindows();
        gdiObjects_ = CountGdiObjectsButRegions();
        object_.reset(new Object);
    }

    void TearDown() override
    {
        object_.reset();
        if (IsWindow(NotifySession.popupWindow)) {
            ADD_FAILURE() << "a case left its popup open";
            DestroyWindow(NotifySession.popupWindow);
        }
        Pump();
        EXPECT_EQ(liveObjectCount, 0);
        EXPECT_EQ(CountThreadWindows(), windows_) << "windows left behind";
        EXPECT_EQ(CountGdiObjectsButRegions(), gdiObjects_) << "GDI objects left behind";
    }

    Object& object() { return *object_; }

private:
    std::unique_ptr<Object> object_;
    int windows_ = 0;
    int gdiObjects_ = 0;
};

// --- Null out-pointers ---------------------------------------------------------------------------

TEST_F(BadInput, NullOutPointersAreRefusedAndNothingHappens)
{
    IAxObj* o = object().get();
    IUnknown* safety = nullptr;
    ASSERT_EQ(o->QueryInterface(kIObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
    GuardedBstr text(W(L"a|b")), heading(W(L"Heading")), url(W(L"http://example.test/"));
    TrayRequest request;
    std::memset(&request, 0, sizeof request);
    std::strcpy(request.tip, "tip");
    LPOLESTR action = const_cast<LPOLESTR>(L"Action");
    LPOLESTR nullName = nullptr;
    DISPID id = -7;

    struct Case {
        const char* name;
        std::function<HRESULT()> call;
        HRESULT result;
    } cases[] = {
        {"Action",
         [&] {
             return o->Action(heading.get(), text.get(), text.get(), url.get(), 0,
                              NS_WAIT | NS_DIALOG | NS_CLOSEBOX, nullptr);
         },
         E_POINTER},
        {"Action without waiting",
         [&] { return o->Action(heading.get(), nullptr, nullptr, nullptr, 0, 0, nullptr); },
         E_POINTER},
        {"SetCheckInfo", [&] { return o->SetCheckInfo(text.get(), 5, nullptr); }, E_POINTER},
        {"SetButtonInfo", [&] { return o->SetButtonInfo(text.get(), 5, nullptr); }, E_POINTER},
        {"SetComboxInfo", [&] { return o->SetComboxInfo(text.get(), 5, nullptr); }, E_POINTER},
        {"SetTrayIcon", [&] { return o->SetTrayIcon(&request, nullptr); }, E_POINTER},
        {"ShowUpdateBalloon", [&] { return o->ShowUpdateBalloon(&request, nullptr); }, E_POINTER},
        {"QueryInterface", [&] { return o->QueryInterface(IID_IAxObj, nullptr); }, E_POINTER},
        {"QueryInterface, unknown IID", [&] { return o->QueryInterface(kIPersist, nullptr); },
         E_POINTER},
        {"QueryInterface of the safety pointer",
         [&] { return safety->QueryInterface(IID_IUnknown, nullptr); }, E_POINTER},
        {"GetIDsOfNames, null DISPIDs",
         [&] { return o->GetIDsOfNames(IID_NULL, &action, 1, 0, nullptr); }, E_INVALIDARG},
        {"GetIDsOfNames, null names",
         [&] { return o->GetIDsOfNames(IID_NULL, nullptr, 1, 0, &id); }, E_INVALIDARG},
        {"GetIDsOfNames, null name",
         [&] { return o->GetIDsOfNames(IID_NULL, &nullName, 1, 0, &id); }, E_INVALIDARG},
        {"GetIDsOfNames, no names", [&] { return o->GetIDsOfNames(IID_NULL, &action, 0, 0, &id); },
         E_INVALIDARG},
        {"GetTypeInfoCount", [&] { return o->GetTypeInfoCount(nullptr); }, E_NOINTERFACE},
        {"GetTypeInfo", [&] { return o->GetTypeInfo(0, 0, nullptr); }, E_NOINTERFACE},
    };
    const LONG references = RefCount(o);
    Watchdog watchdog;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Snapshot before;
        const int windows = CountThreadWindows();
        EXPECT_EQ(c.call(), c.result);
        EXPECT_EQ(ChangedOutside(before), -1) << "the session changed";
        EXPECT_EQ(CountThreadWindows(), windows);
        EXPECT_EQ(RefCount(o), references);
    }
    EXPECT_FALSE(watchdog.fired());
    EXPECT_EQ(id, -7);
    EXPECT_EQ(request.balloonRequested, 0u) << "the host's request was written";
    TrayRequest* const served = NotifySession.currentTrayRequest;
    EXPECT_EQ(served, nullptr) << "the tray flow was started";
    safety->Release();
}

TEST_F(BadInput, NullTrayRequestsReportTheLastCodeAndStartNothing)
{
    for (Path path : kPaths) {
        for (DISPID id : {NTF_DISPID_SETTRAYICON, NTF_DISPID_SHOWUPDATEBALLOON}) {
            SCOPED_TRACE(testing::Message() << PathName(path) << ", DISPID " << id);
            InitialNotifySession(&NotifySession);
            NotifySession.resultCode = 0x0321;
            const Snapshot before;
            const int windows = CountThreadWindows();
            GuardedResult result;
            HRESULT hr = E_FAIL;
            if (path == Path::Invoke)
                hr = object().Invoke(id, {Bstr(nullptr)}, &result.value);
            else if (id == NTF_DISPID_SETTRAYICON)
                hr = object().get()->SetTrayIcon(nullptr, &result.value);
            else
                hr = object().get()->ShowUpdateBalloon(nullptr, &result.value);
            EXPECT_EQ(hr, S_OK);
            EXPECT_EQ(result.value, 0x0321);
            EXPECT_TRUE(result.intact());
            EXPECT_EQ(ChangedOutside(before), -1);
            EXPECT_EQ(CountThreadWindows(), windows);
        }
    }
}

// --- Texts ---------------------------------------------------------------------------------------

TEST_F(BadInput, ListTextsAreConvertedAndCutInsideTheirBuffers)
{
    const std::wstring zhong600(600, L'\u4E2D');
    const std::string items2000 = [] {
        std::wstring w = Items(2000);
        return std::string(w.begin(), w.end()).substr(0, 1023);
    }();
    struct Case {
        const char* name;
        Text text;
        std::string stored;
    } cases[] = {
        {"null", kNull, ""},
        {"empty", W(L""), ""},
        {"embedded zero", W(L"a|b\0|c", 6), "a|b"},
        {"Thai and an emoji", W(L"\u0E01|\U0001F600|x"), "?|??|x"},
        {"100,000 characters", W(std::wstring(100000, L'x')), std::string(1023, 'x')},
        {"2,000 items", W(Items(2000)), items2000},
        {"only separators", W(std::wstring(2000, L'|')), std::string(1023, '|')},
        // The 1023rd byte would be a lead byte: the cut ends before that character.
        {"cut inside a character", W(L"a|" + zhong600), "a|" + Repeat(kZhong, 510)},
    };
    struct Setter {
        DISPID id;
        Field list, mask, flag;
    } setters[] = {
        {NTF_DISPID_SETCHECKINFO, FIELD(checkList), FIELD(checkMask), FIELD(hasCheckList)},
        {NTF_DISPID_SETBUTTONINFO, FIELD(buttonList), FIELD(buttonMask), FIELD(hasButtonList)},
        {NTF_DISPID_SETCOMBOXINFO, FIELD(comboList), FIELD(comboList), FIELD(hasComboList)},
    };
    for (Path path : kPaths) {
        for (const Setter& setter : setters) {
            for (const Case& c : cases) {
                SCOPED_TRACE(testing::Message()
                             << PathName(path) << ", DISPID " << setter.id << ", " << c.name);
                InitialNotifySession(&NotifySession);
                std::memset(reinterpret_cast<char*>(&NotifySession) + setter.list.offset, 0x5A,
                            kListSize);
                const Snapshot before;
                GuardedBstr text(c.text);
                GuardedResult result;
                EXPECT_EQ(object().SetList(path, setter.id, text.get(), -1, &result.value), S_OK);
                EXPECT_EQ(result.value, 0);
                EXPECT_TRUE(result.intact());
                const char* list =
                    reinterpret_cast<const char*>(&NotifySession) + setter.list.offset;
                EXPECT_EQ(std::string(list), c.stored);
                EXPECT_EQ(ChangedOutside(before, {setter.list, setter.mask, setter.flag}), -1);
                const int flag = *reinterpret_cast<const int*>(
                    reinterpret_cast<const char*>(&NotifySession) + setter.flag.offset);
                EXPECT_EQ(flag, 1);
                if (setter.id != NTF_DISPID_SETCOMBOXINFO) {
                    const WORD mask = *reinterpret_cast<const WORD*>(
                        reinterpret_cast<const char*>(&NotifySession) + setter.mask.offset);
                    EXPECT_EQ(mask, 0xFFFF);
                }
            }
        }
    }
}

// A lone lead byte right before the terminator, which is the last readable byte: every search,
// count, walk and compose stops at the terminator.
TEST_F(BadInput, LoneLeadByteBeforeTheTerminatorStopsEverySearch)
{
    struct Case {
        std::string text;
        int awareCount, bytewiseCount;
        std::vector<std::string> checkItems;  // the check list walk: character-wise first search
    } cases[] = {
        {"\xD6", 1, 1, {"\xD6"}},
        {"a|\xD6", 2, 2, {"a", "\xD6"}},
        {"\xD6|", 1, 2, {"\xD6|"}},  // D6 7C is one character
        {"|\xD6", 2, 2, {"", "\xD6"}},
        {"\x83|\xD6", 1, 2, {"\x83|\xD6"}},
        {Repeat(kZhong, 511) + "\xD6", 1, 1, {Repeat(kZhong, 511) + "\xD6"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        GuardedText a(c.text), b(c.text), d(c.text);
        EXPECT_EQ(CountListItems(a.get(), true), c.awareCount);
        EXPECT_EQ(CountListItems(a.get(), false), c.bytewiseCount);
        std::vector<std::string> items;
        WalkOptionList(b.get(), FindSeparatorMultibyte, FindSeparatorBytewise,
                       [&](int, const char* item) {
                           items.push_back(item);
                           return true;
                       });
        EXPECT_EQ(items, c.checkItems);
        items.clear();
        WalkOptionList(d.get(), FindSeparatorBytewise, FindSeparatorBytewise,
                       [&](int, const char* item) {
                           items.push_back(item);
                           return true;
                       });
        EXPECT_EQ(static_cast<int>(items.size()), c.bytewiseCount - (c.text.back() == '|' ? 1 : 0));
    }

    // Composing into a buffer that ends at the guard page: cut within 1039 bytes before the
    // character whose lead byte would be the 1039th, the terminator in the last byte.
    GuardedBytes composed(kComposedMessageSize);
    const std::string body = Repeat(kZhong, 600);
    ComposeMessage("A", body.c_str(), reinterpret_cast<char*>(composed.data()));
    const std::string message(reinterpret_cast<char*>(composed.data()));
    EXPECT_EQ(message, "A\n" + Repeat(kZhong, 518));
    EXPECT_EQ(composed.data()[kComposedMessageSize - 1], 0);
}

struct ActionTexts {
    const char* name;
    Text heading, body, display, url;
    std::string message, linkUrl, linkText;
};

const std::string kZhongCut = Repeat(kZhong, 129);  // 258 bytes: a 259th would be a lead byte

std::vector<ActionTexts> ActionTextCases()
{
    const std::wstring zhong300(300, L'\u4E2D');
    return {
        {"all null", kNull, kNull, kNull, kNull, "\n", "", ""},
        {"all empty", W(L""), W(L""), W(L""), W(L""), "\n", "", ""},
        {"empty address, shown text", W(L"H"), W(L"B"), W(L"Shown"), W(L""), "H\nB", "", "Shown"},
        {"no address, shown text", W(L"H"), W(L"B"), W(L"Shown"), kNull, "H\nB", "", ""},
        {"embedded zeros", W(L"Head\0tail", 9), W(L"Bo\0dy", 5), W(L"d\0x", 3),
         W(L"http://a/\0b", 11), "Head\nBo", "http://a/", "d"},
        {"Thai and an emoji", W(L"\u0E01"), W(L"\U0001F600"), W(L"\u0E01"), W(L"http://a/\u0E01"),
         "?\n??", "http://a/?", "?"},
        // A heading longer than the message buffer leaves no line feed in it: all body.
        {"100,000 characters", W(std::wstring(100000, L'h')), W(std::wstring(100000, L'b')),
         W(std::wstring(100000, L'd')), W(std::wstring(100000, L'u')), std::string(259, 'h'),
         std::string(259, 'u'), std::string(259, 'd')},
        // The 259th byte would be a lead byte in the message, the address and the shown text:
        // each ends before that character.
        {"cut inside a character", W(L"A"), W(zhong300), W(zhong300), W(zhong300),
         "A\n" + Repeat(kZhong, 128), kZhongCut, kZhongCut},
    };
}

void ExpectTexts(const ActionTexts& c)
{
    EXPECT_EQ(std::string(NotifySession.messageText), c.message);
    EXPECT_EQ(std::string(NotifySession.linkUrl), c.linkUrl);
    EXPECT_EQ(std::string(NotifySession.linkText), c.linkText);
    EXPECT_EQ(NotifySession.messageText[kTextSize - 1], 0);
    EXPECT_EQ(NotifySession.linkUrl[kTextSize - 1], 0);
    EXPECT_EQ(NotifySession.linkText[kTextSize - 1], 0);
    EXPECT_GT(NotifySession.linkRect.bottom, 0) << "the face was never painted";
}

TEST_F(BadInput, ActionTextsReachTheDialogCutToTheirBuffers)
{
    for (Path path : kPaths) {
        for (const ActionTexts& c : ActionTextCases()) {
            SCOPED_TRACE(testing::Message() << PathName(path) << ", " << c.name);
            InitialNotifySession(&NotifySession);
            NotifySession.resultCode = 0x1234;
            GuardedBstr heading(c.heading), body(c.body), display(c.display), url(c.url);
            GuardedResult result;
            HRESULT hr = E_FAIL;
            EXPECT_TRUE(WithWindowAction("#32770", kClickOk, [&] {
                hr = object().Action(path, heading.get(), body.get(), display.get(), url.get(), 0,
                                     NS_DIALOG, &result.value);
            }));
            EXPECT_EQ(hr, S_OK);
            EXPECT_EQ(result.value, 0) << "the dialog's code: no boxes";
            EXPECT_TRUE(result.intact());
            ExpectTexts(c);
        }
    }
}

TEST_F(BadInput, ActionTextsReachThePopupCutToTheirBuffers)
{
    // The popup paints while it slides; the texts that stress the painter most.
    for (const ActionTexts& c : ActionTextCases()) {
        if (std::strcmp(c.name, "cut inside a character") &&
            std::strcmp(c.name, "100,000 characters") && std::strcmp(c.name, "Thai and an emoji"))
            continue;
        SCOPED_TRACE(c.name);
        InitialNotifySession(&NotifySession);
        object().TimeInterval(Path::Direct, 1);
        GuardedBstr heading(c.heading), body(c.body), display(c.display), url(c.url);
        GuardedResult result;
        Watchdog watchdog;
        EXPECT_EQ(object().Action(Path::Direct, heading.get(), body.get(), display.get(), url.get(),
                                  0, NS_WAIT | NS_CLOSEBOX, &result.value),
                  S_OK);
        EXPECT_FALSE(watchdog.fired());
        EXPECT_EQ(result.value, static_cast<short>(kResultClosedByBoxOrTimer));
        EXPECT_TRUE(result.intact());
        ExpectTexts(c);
        EXPECT_FALSE(IsWindow(NotifySession.popupWindow));
    }
}

// --- Lists -----------------------------------------------------------------------------------

TEST_F(BadInput, HugeListsBecomeControlsWithinTheirBuffers)
{
    const std::wstring items2000 = Items(2000), separators(2000, L'|');
    const std::string stored = std::string(items2000.begin(), items2000.end()).substr(0, 1023);
    std::vector<std::string> storedItems;
    for (size_t start = 0;;) {
        const size_t bar = stored.find('|', start);
        storedItems.push_back(stored.substr(start, bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    const int n = static_cast<int>(storedItems.size());
    const std::wstring zhongCut = L"a|" + std::wstring(600, L'\u4E2D');
    const std::wstring zhong600(600, L'\u4E2D');

    struct Case {
        const char* name;
        DISPID id;
        const std::wstring* text;
        short mask;
        int firstId, controls;
        std::string first, last;  // captions of the first and the last control made
        std::function<void(HWND)> close;
        WORD result;
    } cases[] = {
        {"2,000 check boxes, all checked", NTF_DISPID_SETCHECKINFO, &items2000, -1,
         kCheckBoxFirstId, n, storedItems.front(), storedItems.back(), nullptr, 0x000F},
        {"check boxes of separators only", NTF_DISPID_SETCHECKINFO, &separators, -1,
         kCheckBoxFirstId, 1023, "", "", nullptr, 0x000F},
        {"check list cut inside a character", NTF_DISPID_SETCHECKINFO, &zhongCut, 0,
         kCheckBoxFirstId, 2, "a", Repeat(kZhong, 510), nullptr, 0},
        {"2,000 buttons, all default", NTF_DISPID_SETBUTTONINFO, &items2000, -1, kRowButtonFirstId,
         n, storedItems.front(), storedItems.back(),
         [](HWND p) { Click(p, kRowButtonFirstId + 2); }, 0x0400},
        {"buttons of separators only", NTF_DISPID_SETBUTTONINFO, &separators, 0, kRowButtonFirstId,
         1023, "", "", nullptr, 0x0100},
        {"2,000 list entries", NTF_DISPID_SETCOMBOXINFO, &items2000, -1, kConfirmButtonId, 1,
         storedItems.back(), storedItems.back(), nullptr, 0},
        {"list entries of separators only", NTF_DISPID_SETCOMBOXINFO, &separators, 0,
         kConfirmButtonId, 1, "", "", nullptr, 0},
        // One entry: the confirm caption, cut to 259 bytes with a lead byte last; the caption
        // the host sees has the whole characters. The empty drop-down reports CB_ERR.
        {"list entry cut inside a character", NTF_DISPID_SETCOMBOXINFO, &zhong600, 0,
         kConfirmButtonId, 1, Repeat(kZhong, 129), Repeat(kZhong, 129), nullptr, 0xFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitialNotifySession(&NotifySession);
        ASSERT_EQ(object().SetList(Path::Direct, c.id, c.text->c_str(), c.mask), S_OK);
        short result = -1;
        {
            Watchdog watchdog;
            ASSERT_EQ(object().Action(Path::Direct, 0, &result), S_OK);
            EXPECT_FALSE(watchdog.fired());
        }
        HWND popup = ShownPopup();
        ASSERT_NE(popup, nullptr);
        EXPECT_EQ(CountChildren(popup, c.firstId), c.controls);
        EXPECT_EQ(WindowText(GetDlgItem(popup, c.firstId)), c.first);
        EXPECT_EQ(WindowText(GetDlgItem(popup, c.firstId + c.controls - 1)), c.last);
        if (c.id == NTF_DISPID_SETCHECKINFO) {
            EXPECT_EQ(NotifySession.checkCount, c.controls);
            for (int i = 0; i < c.controls; ++i)
                ASSERT_EQ(SendMessageA(GetDlgItem(popup, kCheckBoxFirstId + i), BM_GETCHECK, 0, 0),
                          (c.mask == -1 && i < 16) ? BST_CHECKED : BST_UNCHECKED)
                    << "box " << i;
        }
        if (c.id == NTF_DISPID_SETBUTTONINFO) {
            EXPECT_EQ(NotifySession.buttonCount, c.controls);
            EXPECT_EQ(NotifySession.pressedButton, c.mask == -1 ? 15 : 0)
                << "the last default button";
            const LONG style = GetWindowLongA(GetDlgItem(popup, kRowButtonFirstId + 16), GWL_STYLE);
            EXPECT_EQ(style & BS_DEFPUSHBUTTON, 0) << "the seventeenth button has no mask bit";
        }
        if (c.id == NTF_DISPID_SETCOMBOXINFO) {
            const int entries = c.text == &separators ? 1024 : c.text == &zhong600 ? 1 : n;
            EXPECT_EQ(NotifySession.comboCount, entries);
            EXPECT_EQ(SendMessageA(NotifySession.comboWindow, CB_GETCOUNT, 0, 0),
                      c.text == &separators ? 1023 : entries - 1);
        }
        if (c.close) {
            c.close(popup);
            Pump();
            EXPECT_FALSE(IsWindow(popup));
        } else {
            CloseAsUser(popup);
        }
        EXPECT_EQ(NotifySession.resultCode, c.result);
    }
}

// --- Bits, delays, colours
// -------------------------------------------------------------------------

TEST_F(BadInput, MasksAndStylesWithEveryBitSet)
{
    struct Case {
        const char* name;
        LONG style;
        const char* cls;
        std::function<void(HWND)> close;
        short result;
    } cases[] = {
        // Every style bit: the dialog, which reports the first four boxes.
        {"style -1", -1, "#32770", kClickOk, 0x000F},
        // Every bit but the dialog's: a sticky popup with a close button that Action waits for.
        {"style 0xFFFFFFFE", static_cast<LONG>(0xFFFFFFFEu), "VorbelNotify", kClickCloseBox, 1000},
        {"waiting popup, second button", NS_WAIT, "VorbelNotify",
         [](HWND p) { Click(p, kRowButtonFirstId + 1); }, 0x020F},
    };
    for (Path path : kPaths) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << PathName(path) << ", " << c.name);
            InitialNotifySession(&NotifySession);
            ASSERT_EQ(object().SetList(path, NTF_DISPID_SETCHECKINFO, L"a|b|c|d|e", -1), S_OK);
            ASSERT_EQ(object().SetList(path, NTF_DISPID_SETBUTTONINFO, L"x|y|z", -1), S_OK);
            EXPECT_EQ(NotifySession.checkMask, 0xFFFF);
            EXPECT_EQ(NotifySession.buttonMask, 0xFFFF);
            short result = -1;
            HRESULT hr = E_FAIL;
            EXPECT_TRUE(WithWindowAction(c.cls, c.close,
                                         [&] { hr = object().Action(path, c.style, &result); }));
            EXPECT_EQ(hr, S_OK);
            EXPECT_EQ(result, c.result);
            EXPECT_FALSE(IsWindow(NotifySession.popupWindow));
        }
    }
}

TEST_F(BadInput, DelaysReachThePopupBounded)
{
    struct Case {
        ULONG delay, bounded;
    } cases[] = {{0, 1234}, {1, 1}, {19999, 19999}, {20000, 20000}, {0xFFFFFFFFu, 20000}};
    for (Path path : kPaths) {
        for (const Case& c : cases) {
            if (path == Path::Invoke && c.delay != 0 && c.delay != 0xFFFFFFFFu)
                continue;
            SCOPED_TRACE(testing::Message() << PathName(path) << ", " << c.delay);
            InitialNotifySession(&NotifySession);
            ASSERT_EQ(object().TimeInterval(path, 1234), S_OK);
            ASSERT_EQ(object().TimeInterval(path, c.delay), S_OK);
            EXPECT_EQ(NotifySession.closeDelayMs, c.delay ? c.delay : 1234u)
                << "stored as it came; 0 keeps";
            short result = -1;
            ASSERT_EQ(object().Action(path, 0, &result), S_OK);
            HWND popup = ShownPopup();
            ASSERT_NE(popup, nullptr);
            EXPECT_EQ(NotifySession.closeDelayMs, c.bounded);
            // The timer exists, with the bounded delay; stop it so the popup stays until the click.
            EXPECT_TRUE(KillTimer(popup, kPopupCloseTimerId));
            CloseAsUser(popup);
        }
    }
}

TEST_F(BadInput, ColoursWithTheTopByteSetPaintTheirRedGreenAndBlue)
{
    // Gradient start, end, border, heading, body.
    const ULONG colours[5] = {0xFF0000FFu, 0x01FFFFFFu, 0xFFFF0000u, 0x01008000u, 0x80800080u};
    for (Path path : kPaths) {
        SCOPED_TRACE(PathName(path));
        InitialNotifySession(&NotifySession);
        ASSERT_EQ(object().SetColor(path, colours), S_OK);
        EXPECT_EQ(NotifySession.gradientFrom, colours[0]) << "stored whole";
        EXPECT_EQ(NotifySession.gradientTo, colours[1]);
        EXPECT_EQ(NotifySession.borderColor, colours[2]);
        EXPECT_EQ(NotifySession.titleColor, colours[3]);
        EXPECT_EQ(NotifySession.bodyColor, colours[4]);

        GuardedBstr heading(W(L"MMMMMMMMMMMM")),
            body(W(std::wstring(30, L'M') + L"\n" + std::wstring(30, L'M')));
        short result = -1;
        ASSERT_EQ(object().Action(path, heading.get(), body.get(), nullptr, nullptr, 0,
                                  NS_FLATBORDER, &result),
                  S_OK);
        HWND popup = ShownPopup();
        ASSERT_NE(popup, nullptr);
        {
            Face face(popup);
            const int W = face.width(), H = face.height();
            EXPECT_EQ(face.At(0, 0), 0x00FF0000u) << "border";
            EXPECT_EQ(face.At(W - 1, H / 2), 0x00FF0000u);
            EXPECT_EQ(face.At(W / 2, H - 1), 0x00FF0000u);
            EXPECT_EQ(face.At(W / 2, 2), 0x000000FFu) << "first gradient band";
            const RECT headingRect = {62, 24, 268, 44}, bodyRect = {30, 60, 240, 120};
            EXPECT_GT(face.Count(headingRect, 0x00008000), 20) << "heading";
            EXPECT_EQ(face.Count(headingRect, 0), 0);
            EXPECT_GT(face.Count(bodyRect, 0x00800080), 20) << "body";
            EXPECT_EQ(face.Count(bodyRect, 0), 0);
        }
        CloseAsUser(popup);
    }
}

// --- Handles ------------------------------------------------------------------------------------

TEST_F(BadInput, IconsThatNameNoIconPaintTheModuleIcon)
{
    FaceWindow canvas;
    const int left = 278 - 34, top = 158 - 34;
    std::vector<COLORREF> moduleIcon, hostIcon;
    {
        Face face(canvas.get());
        moduleIcon = face.Block(left, top, 32);
    }
    HICON host = CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32513)));  // IDI_HAND
    ASSERT_NE(host, nullptr);
    NotifySession.appIcon = host;
    {
        Face face(canvas.get());
        hostIcon = face.Block(left, top, 32);
    }
    ASSERT_NE(hostIcon, moduleIcon) << "the two icons must differ for this test to tell them apart";
    DestroyIcon(host);  // now a handle that names nothing

    struct Case {
        const char* name;
        HICON icon;
    } cases[] = {
        {"null", nullptr},
        {"garbage", reinterpret_cast<HICON>(static_cast<LONG_PTR>(0x12345678))},
        {"all bits", reinterpret_cast<HICON>(static_cast<LONG_PTR>(-1))},
        {"a brush", reinterpret_cast<HICON>(GetStockObject(WHITE_BRUSH))},
        {"destroyed", host},
    };
    for (Path path : kPaths) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << PathName(path) << ", " << c.name);
            InitialNotifySession(&NotifySession);
            ASSERT_EQ(object().SetAppIcon(path, c.icon), S_OK);
            EXPECT_EQ(NotifySession.appIcon, c.icon);
            Face face(canvas.get());
            EXPECT_TRUE(face.Block(left, top, 32) == moduleIcon) << "not the module's icon";
        }
    }

    // And a real popup with such an icon paints through its slides and closes.
    InitialNotifySession(&NotifySession);
    object().SetAppIcon(Path::Direct, reinterpret_cast<HICON>(static_cast<LONG_PTR>(0x12345678)));
    object().TimeInterval(Path::Direct, 1);
    short result = -1;
    Watchdog watchdog;
    EXPECT_EQ(object().Action(Path::Direct, NS_WAIT, &result), S_OK);
    EXPECT_FALSE(watchdog.fired());
    EXPECT_FALSE(IsWindow(NotifySession.popupWindow));
}

TEST_F(BadInput, OwnerWindowsThatNameNoWindowEndTheCall)
{
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr);
    DestroyWindow(gone);
    const long owners[] = {0x12345678, 1, -1, static_cast<long>(reinterpret_cast<LONG_PTR>(gone))};
    const LONG styles[] = {0, NS_WAIT, NS_WAIT | NS_STICKY, NS_DIALOG, NS_DIALOG | NS_WAIT};
    for (Path path : kPaths) {
        for (long owner : owners) {
            for (LONG style : styles) {
                SCOPED_TRACE(testing::Message() << PathName(path) << ", owner " << std::hex << owner
                                                << ", style " << style);
                InitialNotifySession(&NotifySession);
                ASSERT_EQ(object().SetList(path, NTF_DISPID_SETCHECKINFO, L"a|b", 1), S_OK);
                NotifySession.resultCode = 0x0123;
                const int windows = CountThreadWindows();
                short result = -1;
                HRESULT hr = E_FAIL;
                const bool shown =
                    WithWindowAction(style & NS_DIALOG ? "#32770" : "VorbelNotify", kClickOk,
                                     [&] { hr = object().Action(path, style, &result, owner); });
                EXPECT_FALSE(shown) << "a window was made with an owner that is none";
                EXPECT_EQ(hr, S_OK);
                EXPECT_EQ(result, 0x0123) << "the previous code: nothing was shown";
                EXPECT_EQ(CountThreadWindows(), windows);
                EXPECT_FALSE(IsWindow(NotifySession.popupWindow));
                EXPECT_EQ(NotifySession.hasCheckList, 1) << "no session ended";
            }
        }
    }

    // A real owner: the popup is owned by it and closes as usual.
    HWND host = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                nullptr, nullptr, nullptr);
    InitialNotifySession(&NotifySession);
    short result = -1;
    ASSERT_EQ(object().Action(Path::Invoke, 0, &result,
                              static_cast<long>(reinterpret_cast<LONG_PTR>(host))),
              S_OK);
    HWND popup = ShownPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetWindow(popup, GW_OWNER), host);
    CloseAsUser(popup);
    DestroyWindow(host);

    // An owner destroyed while Action waits takes the popup or the dialog with it: the call
    // returns with the boxes' code and the session ends, so its lists do not come back.
    for (Path path : kPaths) {
        for (LONG style : {LONG(NS_WAIT | NS_STICKY), LONG(NS_DIALOG), LONG(NS_DIALOG | NS_WAIT)}) {
            SCOPED_TRACE(testing::Message()
                         << PathName(path) << ", owner destroyed, style " << std::hex << style);
            InitialNotifySession(&NotifySession);
            host = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                   nullptr, nullptr, nullptr, nullptr);
            ASSERT_EQ(object().SetList(path, NTF_DISPID_SETCHECKINFO, L"a|b|c", 5), S_OK);
            result = -1;
            EXPECT_TRUE(WithWindowAction(
                style & NS_DIALOG ? "#32770" : "VorbelNotify",
                [host](HWND) { DestroyWindow(host); },
                [&] {
                    object().Action(path, style, &result,
                                    static_cast<long>(reinterpret_cast<LONG_PTR>(host)));
                }));
            EXPECT_FALSE(IsWindow(host));
            EXPECT_EQ(result, 0x0005);
            EXPECT_EQ(NotifySession.hasCheckList, 0);
            EXPECT_STREQ(NotifySession.checkList, "");
            EXPECT_EQ(NotifySession.popupClosed, 1);
        }
    }
}

// --- Invoke: tags, DISPIDs, counts
// ----------------------------------------------------------------

// Every tag from VT_EMPTY to VT_UINT, alone, by reference and as an array.
std::vector<VARTYPE> EveryTag()
{
    std::vector<VARTYPE> tags;
    for (VARTYPE t = VT_EMPTY; t <= VT_UINT; ++t) {
        tags.push_back(t);
        tags.push_back(static_cast<VARTYPE>(VT_BYREF | t));
        tags.push_back(static_cast<VARTYPE>(VT_ARRAY | t));
    }
    return tags;
}

// Values behind every tag that the module could touch without harm were it to read them.
struct TaggedValues {
    GuardedBstr text{W(L"x")};
    BYTE scratch[16] = {};
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, 4);
    IDispatch* self;
    explicit TaggedValues(IDispatch* object) : self(object) {}
    ~TaggedValues() { SafeArrayDestroy(array); }
    TaggedValues(const TaggedValues&) = delete;
    TaggedValues& operator=(const TaggedValues&) = delete;

    VARIANT Make(VARTYPE tag)
    {
        VARIANT v = Variant(tag);
        if (tag & VT_BYREF)
            v.byref = scratch;
        else if (tag & VT_ARRAY)
            v.parray = array;
        else if (tag == VT_BSTR)
            v.bstrVal = text.get();
        else if (tag == VT_DISPATCH || tag == VT_UNKNOWN)
            v.pdispVal = self;
        else
            v.lVal = 0x1234;
        return v;
    }
};

TEST_F(BadInput, InvokeRefusesEveryOtherTagInEveryPosition)
{
    TaggedValues values(object().get());
    // Correct arguments, in case a wrong tag is let through: a dialog that the watchdog would
    // have to end, a delay, colours and an icon that the session would show.
    const std::vector<VARIANT> correct[10] = {
        {},
        {values.Make(VT_BSTR), values.Make(VT_BSTR), values.Make(VT_BSTR), values.Make(VT_BSTR),
         I4(0), I4(NS_DIALOG | NS_WAIT)},
        {values.Make(VT_BSTR), I2(3)},
        {values.Make(VT_BSTR), I2(3)},
        {values.Make(VT_BSTR), I2(3)},
        {Uint(4321)},
        {Uint(1), Uint(2), Uint(3), Uint(4), Uint(5)},
        {values.Make(VT_UI1)},
        {Bstr(nullptr)},
        {Bstr(nullptr)},
    };
    const std::vector<VARTYPE> tags = EveryTag();
    Watchdog watchdog;
    int calls = 0;
    for (DISPID id = 1; id <= 9; ++id) {
        for (size_t position = 0; position < correct[id].size(); ++position) {
            for (VARTYPE tag : tags) {
                if (tag == correct[id][position].vt)
                    continue;
                std::vector<VARIANT> args = correct[id];
                args[position] = values.Make(tag);
                const Snapshot before;
                ASSERT_EQ(object().Invoke(id, args), DISP_E_TYPEMISMATCH)
                    << "DISPID " << id << ", argument " << position << ", tag " << std::hex << tag;
                ASSERT_EQ(ChangedOutside(before), -1)
                    << "DISPID " << id << ", tag " << std::hex << tag;
                ++calls;
            }
        }
        // Every argument with the same wrong tag.
        for (VARTYPE tag : tags) {
            std::vector<VARIANT> args(correct[id].size(), values.Make(tag));
            bool allMatch = true;
            for (const VARIANT& v : correct[id]) allMatch = allMatch && v.vt == tag;
            if (allMatch)
                continue;
            const Snapshot before;
            ASSERT_EQ(object().Invoke(id, args), DISP_E_TYPEMISMATCH)
                << "DISPID " << id << ", tag " << std::hex << tag;
            ASSERT_EQ(ChangedOutside(before), -1);
        }
        // Not called as a method: nothing happens, whatever the arguments.
        for (WORD flags :
             {0, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYPUTREF}) {
            const Snapshot before;
            ASSERT_EQ(object().Invoke(id, correct[id], nullptr, flags), S_OK)
                << "DISPID " << id << ", flags " << flags;
            ASSERT_EQ(ChangedOutside(before), -1);
        }
    }
    EXPECT_GT(calls, 1000);

    // No such method: S_OK and nothing happens, with any argument or none.
    const DISPID unknown[] = {0, -1, -3, -4, 10, 11, 0x7FFFFFFF, INT_MIN};
    for (DISPID id : unknown) {
        for (VARTYPE tag : tags) {
            const Snapshot before;
            ASSERT_EQ(object().Invoke(id, {values.Make(tag)}), S_OK)
                << "DISPID " << id << ", tag " << tag;
            ASSERT_EQ(ChangedOutside(before), -1);
        }
        const Snapshot before;
        EXPECT_EQ(object().get()->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr,
                                         nullptr, nullptr),
                  S_OK);
        EXPECT_EQ(ChangedOutside(before), -1);
    }
    EXPECT_FALSE(watchdog.fired());
}

TEST_F(BadInput, InvokeNeverReadsPastItsArguments)
{
    GuardedBstr list(W(L"a|b"));
    struct Case {
        const char* name;
        DISPID id;
        std::vector<VARIANT> args;  // positional; placed so that the array ends at a guard page
        bool nullArray, nullParams;
        UINT namedArgs;
        WORD flags;
        HRESULT result;
        std::vector<Field> changes;
    } cases[] = {
        {"Action, none",
         NTF_DISPID_ACTION,
         {},
         false,
         false,
         0,
         DISPATCH_METHOD,
         DISP_E_BADPARAMCOUNT,
         {}},
        {"Action, five",
         NTF_DISPID_ACTION,
         {Bstr(nullptr), Bstr(nullptr), Bstr(nullptr), Bstr(nullptr), I4(0)},
         false,
         false,
         0,
         DISPATCH_METHOD,
         DISP_E_BADPARAMCOUNT,
         {}},
        {"SetCheckInfo, one",
         NTF_DISPID_SETCHECKINFO,
         {I2(1)},
         false,
         false,
         0,
         DISPATCH_METHOD,
         DISP_E_BADPARAMCOUNT,
         {}},
        {"SetColor, four",
         NTF_DISPID_SETCOLOR,
         {Uint(1), Uint(2), Uint(3), Uint(4)},
         false,
         false,
         0,
         DISPATCH_METHOD,
         DISP_E_BADPARAMCOUNT,
         {}},
        {"TimeInterval, none",
         NTF_DISPID_TIMEINTERVAL,
         {},
         false,
         false,
         0,
         DISPATCH_METHOD,
         DISP_E_BADPARAMCOUNT,
         {}},
        {"SetCheckInfo, null array",
         NTF_DISPID_SETCHECKINFO,
         {Bstr(list.get()), I2(1)},
         true,
         false,
         0,
         DISPATCH_METHOD,
         DISP_E_BADPARAMCOUNT,
         {}},
        {"SetTrayIcon, null parameters",
         NTF_DISPID_SETTRAYICON,
         {},
         false,
         true,
         0,
         DISPATCH_METHOD,
         DISP_E_BADPARAMCOUNT,
         {}},
        {"SetCheckInfo, one extra in front",
         NTF_DISPID_SETCHECKINFO,
         {I4(7), Bstr(list.get()), I2(3)},
         false,
         false,
         0,
         DISPATCH_METHOD,
         S_OK,
         {FIELD(checkList), FIELD(checkMask), FIELD(hasCheckList)}},
        {"TimeInterval, two extra in front",
         NTF_DISPID_TIMEINTERVAL,
         {Bstr(nullptr), I2(0), Uint(4321)},
         false,
         false,
         0,
         DISPATCH_METHOD,
         S_OK,
         {FIELD(closeDelayMs)}},
        {"SetCheckInfo, named arguments without names",
         NTF_DISPID_SETCHECKINFO,
         {Bstr(list.get()), I2(3)},
         false,
         false,
         1,
         DISPATCH_METHOD,
         S_OK,
         {FIELD(checkList), FIELD(checkMask), FIELD(hasCheckList)}},
        {"SetCheckInfo, method and property get",
         NTF_DISPID_SETCHECKINFO,
         {Bstr(list.get()), I2(3)},
         false,
         false,
         0,
         DISPATCH_METHOD | DISPATCH_PROPERTYGET,
         S_OK,
         {FIELD(checkList), FIELD(checkMask), FIELD(hasCheckList)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitialNotifySession(&NotifySession);
        GuardedBytes array(c.args.size() * sizeof(VARIANT));
        VARIANT* rgvarg = reinterpret_cast<VARIANT*>(array.data());
        for (size_t i = 0; i < c.args.size(); ++i) rgvarg[i] = c.args[c.args.size() - 1 - i];
        DISPPARAMS params = {c.nullArray ? nullptr : rgvarg, nullptr,
                             static_cast<UINT>(c.args.size()), c.namedArgs};
        const Snapshot before;
        EXPECT_EQ(object().get()->Invoke(c.id, IID_NULL, 0, c.flags,
                                         c.nullParams ? nullptr : &params, nullptr, nullptr,
                                         nullptr),
                  c.result);
        EXPECT_EQ(ChangedOutside(before, c.changes), -1);
        if (c.result == S_OK && c.id == NTF_DISPID_SETCHECKINFO) {
            EXPECT_STREQ(NotifySession.checkList, "a|b");
            EXPECT_EQ(NotifySession.checkMask, 3);
        }
        if (c.result == S_OK && c.id == NTF_DISPID_TIMEINTERVAL) {
            EXPECT_EQ(NotifySession.closeDelayMs, 4321u);
        }
    }
    // Every method with null parameters.
    for (DISPID id = 1; id <= 9; ++id) {
        const Snapshot before;
        EXPECT_EQ(object().get()->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr,
                                         nullptr, nullptr),
                  DISP_E_BADPARAMCOUNT)
            << id;
        EXPECT_EQ(ChangedOutside(before), -1);
    }
}

}  // namespace
