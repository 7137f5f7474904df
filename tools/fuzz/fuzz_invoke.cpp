// A seeded, reproducible random driver of IDispatch::Invoke on a real NtfObj made by the
// module's class factory. Each call draws a DISPID, flags, an argument count and VARIANTs
// (mostly the tags a method wants, so that methods really run, otherwise any tag), checks the
// HRESULT against the rules of the late-bound entry, the result VARIANT against a canary, and
// that the caller's arguments are left as they were. A watchdog thread closes what the calls
// leave open (popups, the dialog, tray sessions, standing in for the shell's balloon events that
// Wine never sends), so every call that waits returns. At the end the process must have no
// popup, dialog or tray window left and the windows of its warm-up level, and the first calls
// made a second time must leave the module's own paint objects (fonts, brushes, pens) where the
// first pass left them (Wine's own caches of display contexts and bitmaps only reach a plateau).
//
// Options (after the program name): --seed=N --count=N --seconds=N --first=N --trace
// A failure prints the seed and the call number: --seed=S --count=N --trace replays it, and
// --first=K makes only the calls from K on (the earlier ones are drawn, not made), to narrow
// down which calls a fault needs.
#include <gtest/gtest.h>
#include <windows.h>
#include <objsafe.h>
#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "NtfObj.h"
#include "automation/class_factory.h"
#include "module/module_state.h"
#include "module/registration.h"
#include "popup/notify_session.h"
#include "popup/popup_rules.h"
#include "support/emulation.h"
#include "support/gdi_count.h"
#include "support/guarded_memory.h"
#include "support/process_counters.h"
#include "support/thread_windows.h"
#include "support/watchdog.h"
#include "tray/tray_thread.h"
#include "module/windows_version.h"
#include "tray/tray_test_support.h"

namespace {

const IID kNoIID = {};

// Milliseconds from a fixed start, for the time budget and the watchdog's patience only.
ULONGLONG Ticks()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<ULONGLONG>(now.QuadPart / (frequency.QuadPart / 1000));
}
const IID kIClassFactory = {1, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIDispatch = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// ---------------------------------------------------------------------------------------------
// Options and the random source

struct Options {
    uint64_t seed = 0x5EED2026;
    unsigned count = 300;
    unsigned seconds = 100;
    unsigned first = 1;  // calls before this one are drawn but not made
    bool trace = false;
};

bool NumberOption(const char* arg, const char* name, uint64_t* value)
{
    const size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0 || arg[length] != '=')
        return false;
    *value = std::strtoull(arg + length + 1, nullptr, 0);
    return true;
}

Options ParseOptions()
{
    Options options;
    for (int i = 1; i < __argc; ++i) {
        uint64_t value = 0;
        if (NumberOption(__argv[i], "--seed", &value))
            options.seed = value;
        else if (NumberOption(__argv[i], "--count", &value))
            options.count = static_cast<unsigned>(value);
        else if (NumberOption(__argv[i], "--seconds", &value))
            options.seconds = static_cast<unsigned>(value);
        else if (NumberOption(__argv[i], "--first", &value))
            options.first = static_cast<unsigned>(value);
        else if (std::strcmp(__argv[i], "--trace") == 0)
            options.trace = true;
    }
    return options;
}

// splitmix64: small, fast, and the same stream on every machine for a seed.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t U32() { return static_cast<uint32_t>(Next()); }
    uint32_t Below(uint32_t n) { return n ? static_cast<uint32_t>(Next() % n) : 0; }
    bool Percent(unsigned p) { return Below(100) < p; }
    template <typename T, size_t N> T Pick(const T (&items)[N]) { return items[Below(N)]; }

private:
    uint64_t state_;
};

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

// ---------------------------------------------------------------------------------------------
// The rules of the late-bound entry, written out here on their own so that the dispatcher is
// checked against them rather than against itself.

struct Wanted {
    unsigned count;
    VARTYPE tags[6];  // first positional argument first; rgvarg holds them reversed
    bool writesResult;
};

const Wanted kWanted[10] = {
    {0, {}, false},
    {6, {VT_BSTR, VT_BSTR, VT_BSTR, VT_BSTR, VT_I4, VT_I4}, true},
    {2, {VT_BSTR, VT_I2}, true},
    {2, {VT_BSTR, VT_I2}, true},
    {2, {VT_BSTR, VT_I2}, true},
    {1, {VT_UINT}, false},
    {5, {VT_UINT, VT_UINT, VT_UINT, VT_UINT, VT_UINT}, false},
    {1, {VT_UI1}, false},
    {1, {VT_BSTR}, true},
    {1, {VT_BSTR}, true},
};

bool KnownDispId(DISPID id)
{
    return id >= 1 && id <= 9;
}

// The tag rgvarg[index] must have for the method, or VT_EMPTY when the method reads no such entry.
VARTYPE WantedTag(DISPID id, unsigned index)
{
    if (!KnownDispId(id) || index >= kWanted[id].count)
        return VT_EMPTY;
    return kWanted[id].tags[kWanted[id].count - 1 - index];
}

struct Expectation {
    HRESULT result;
    bool called;
};

// nullParams/nullArgs: no DISPPARAMS, or no rgvarg in it. untrusted: the object was marked
// safe for untrusted callers, as a browser marks it for a page.
Expectation Expect(bool serverOff, DISPID id, WORD flags, bool nullParams, bool nullArgs,
                   UINT cArgs, const VARIANT* args, bool untrusted)
{
    if (serverOff)
        return {S_FALSE, false};
    if (!KnownDispId(id) || !(flags & DISPATCH_METHOD))
        return {S_OK, false};
    if (nullParams || nullArgs || cArgs < kWanted[id].count)
        return {DISP_E_BADPARAMCOUNT, false};
    for (unsigned i = 0; i < kWanted[id].count; ++i)
        if (args[i].vt != WantedTag(id, i))
            return {DISP_E_TYPEMISMATCH, false};
    // A page can only pass a string where the tray methods take a record's address.
    if (untrusted && (id == 8 || id == 9))
        return {E_ACCESSDENIED, false};
    return {S_OK, true};
}

// ---------------------------------------------------------------------------------------------
// What a failure or a crash reports: the seed, the call number, the call.

uint64_t runSeed = 0;
volatile LONG currentCall = 0;
volatile ULONGLONG callStarted = 0;  // 0 while no call runs
char currentText[2048] = "";

void PrintCurrent(const char* what)
{
    std::printf("fuzz: %s in call %ld of seed %llu: %s\n"
                "fuzz: replay with --seed=%llu --count=%ld --trace\n",
                what, static_cast<long>(currentCall), static_cast<unsigned long long>(runSeed),
                currentText, static_cast<unsigned long long>(runSeed),
                static_cast<long>(currentCall));
    std::fflush(stdout);
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info)
{
    char what[96];
    snprintf(what, sizeof what, "exception 0x%08lX at %p",
             static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
             info->ExceptionRecord->ExceptionAddress);
    PrintCurrent(what);
    return EXCEPTION_EXECUTE_HANDLER;
}

// ---------------------------------------------------------------------------------------------
// What the driver owns: icons, windows, tray requests, and an argument array that ends at a
// page nobody may read, so that reading past cArgs faults at once.

struct HostThings {
    HICON icons[2] = {};
    HWND window = nullptr;
    HWND deadWindow = nullptr;  // a handle that once was a window of this thread
    TrayRequest* requests = nullptr;
    static constexpr unsigned kRequests = 6;
    static constexpr unsigned kMostArguments = 8;
    GuardedBytes arguments{kMostArguments * sizeof(VARIANT)};

    void Create()
    {
        icons[0] = traytest::SolidIcon(traytest::kRed);
        icons[1] = traytest::SolidIcon(traytest::kBlue);
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "NtfFuzzHost";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "NtfFuzzHost", "fuzz host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                 nullptr, nullptr, windowClass.hInstance, nullptr);
        deadWindow = CreateWindowExA(0, "NtfFuzzHost", "gone", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50,
                                     nullptr, nullptr, windowClass.hInstance, nullptr);
        DestroyWindow(deadWindow);
        // The tray flow reads the records after the calls return: they live for the whole run.
        requests = static_cast<TrayRequest*>(std::calloc(kRequests, sizeof(TrayRequest)));
    }
    void Destroy()
    {
        DestroyWindow(window);
        UnregisterClassA("NtfFuzzHost", GetModuleHandleA(nullptr));
        for (HICON icon : icons) DestroyIcon(icon);
        std::free(requests);
    }
    // count VARIANTs whose end is the guard page.
    VARIANT* Arguments(unsigned count) { return arguments.last<VARIANT>(count); }
};

// ---------------------------------------------------------------------------------------------
// Random values

const wchar_t kChinese[] = L"通知更新下载安装确定取消你好世界中文测试提示信息请稍候完成失败网络";
const wchar_t kUnrepresentable[] = {0xAC00, 0xAC01, 0xD55C, 0x0E01, 0x0E2A, 0x05D0,
                                    0x0627, 0x20A9, 0x2603, 0xFFFF, 0xFFFE};

std::wstring RandomWide(Rng& rng, std::string* kind)
{
    static const unsigned kLengths[] = {0,   1,   2,   5,   16,   40,   129,  130, 258,
                                        259, 260, 300, 511, 1023, 1024, 1100, 3000};
    unsigned length;
    const unsigned size = rng.Below(100);
    if (size < 45)
        length = rng.Below(17);
    else if (size < 75)
        length = rng.Pick(kLengths);
    else if (size < 95)
        length = rng.Below(700);
    else if (size < 99)
        length = 3000 + rng.Below(17000);
    else
        length = 100000;
    const unsigned flavour = rng.Below(6);
    static const char* const kKinds[] = {"ascii", "gbk",        "unrepresentable",
                                         "mixed", "separators", "surrogates"};
    std::wstring text;
    text.reserve(length);
    for (unsigned i = 0; i < length; ++i) {
        unsigned f = flavour == 3 ? rng.Below(6) : flavour;
        if (f != 4 && rng.Percent(8))
            f = 4;  // lists: separators anywhere
        wchar_t c;
        switch (f) {
        case 0:
            c = static_cast<wchar_t>(0x20 + rng.Below(0x5F));
            break;
        case 1:
            c = kChinese[rng.Below(sizeof kChinese / sizeof kChinese[0] - 1)];
            break;
        case 2:
            c = rng.Pick(kUnrepresentable);
            break;
        case 4:
            c = L'|';
            break;
        case 5:
            if (rng.Percent(50) && i + 1 < length) {  // a pair, or a lone half
                text += static_cast<wchar_t>(0xD83D);
                c = static_cast<wchar_t>(0xDE00 + rng.Below(0x40));
                ++i;
            } else {
                c = static_cast<wchar_t>(rng.Percent(50) ? 0xD800 + rng.Below(0x400)
                                                         : 0xDC00 + rng.Below(0x400));
            }
            break;
        default:
            c = static_cast<wchar_t>(1 + rng.Below(0x2FFF));
            break;  // controls included
        }
        text += c;
    }
    unsigned zeros = 0;
    if (!text.empty() && rng.Percent(12)) {
        zeros = 1 + rng.Below(3);
        for (unsigned z = 0; z < zeros; ++z)
            text[rng.Below(static_cast<uint32_t>(text.size()))] = 0;
    }
    *kind = Format("%s/%u%s", kKinds[flavour], length, zeros ? "/zeros" : "");
    return text;
}

LONG RandomStyle(Rng& rng)
{
    if (rng.Percent(3))
        return -1;
    if (rng.Percent(4))
        return static_cast<LONG>(rng.U32());
    struct Bit {
        LONG bit;
        unsigned percent;
    };
    static const Bit kBits[] = {
        {NS_DIALOG, 15},    {NS_CLOSEBOX, 35}, {NS_ICON_ERROR, 15}, {NS_ICON_ALERT, 15},
        {NS_ICON_INFO, 15}, {NS_WAIT, 30},     {NS_STICKY, 20},     {NS_FLATBORDER, 30},
    };
    LONG style = 0;
    for (const Bit& b : kBits)
        if (rng.Percent(b.percent))
            style |= b.bit;
    if (rng.Percent(15))
        style |= static_cast<LONG>(1u << rng.Below(32));
    return style;
}

// Wine's window handles carry a generation in their upper half; values of 0 or 0xFFFF there
// match any generation, so a garbage handle keeps its upper half away from both.
LONG GarbageHandle(Rng& rng)
{
    static const LONG kSpecial[] = {1,      -1,         -3 /* HWND_MESSAGE */,
                                    0xFFFF, 0x7FFFFFFF, static_cast<LONG>(0x80000000)};
    if (rng.Percent(40))
        return rng.Pick(kSpecial);
    return static_cast<LONG>(((0x4000 + rng.Below(0xBFFE)) << 16) | rng.Below(0x10000));
}

LONG RandomOwner(Rng& rng, const HostThings& host, std::string* text)
{
    const unsigned pick = rng.Below(100);
    LONG owner;
    if (pick < 40) {
        owner = 0;
        *text = "null";
    } else if (pick < 65) {
        owner = static_cast<LONG>(reinterpret_cast<LONG_PTR>(host.window));
        *text = "host window";
    } else if (pick < 75) {
        owner = static_cast<LONG>(reinterpret_cast<LONG_PTR>(host.deadWindow));
        *text = "dead window";
    } else {
        owner = GarbageHandle(rng);
        *text = "garbage";
    }
    *text += Format(" 0x%08lX", static_cast<unsigned long>(owner));
    return owner;
}

DWORD RandomDelay(Rng& rng)
{
    static const DWORD kDelays[] = {0,     1,     2,     50,         9000,        10000,      19999,
                                    20000, 20001, 40000, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
    if (rng.Percent(30))
        return rng.Below(3000);
    if (rng.Percent(15))
        return rng.U32();
    return rng.Pick(kDelays);
}

uint64_t RandomIconField(Rng& rng, const HostThings& host)
{
    const unsigned pick = rng.Below(100);
    if (pick < 25)
        return 0;
    if (pick < 65)
        return reinterpret_cast<uintptr_t>(host.icons[rng.Below(2)]);
    if (pick < 80)
        return static_cast<uint64_t>(static_cast<int64_t>(GarbageHandle(rng)));
    return rng.Next();
}

// ANSI bytes of any kind (double-byte pairs, lone lead bytes, '|'), zero-terminated in the field.
void RandomField(Rng& rng, char* field, size_t size)
{
    std::memset(field, 0, size);
    const size_t length = rng.Percent(20) ? size - 1 : rng.Below(static_cast<uint32_t>(size));
    for (size_t i = 0; i < length; ++i) {
        const unsigned pick = rng.Below(10);
        char c;
        if (pick < 5)
            c = static_cast<char>(0x20 + rng.Below(0x5F));
        else if (pick < 6)
            c = '|';
        else
            c = static_cast<char>(0x80 + rng.Below(0x7F));  // lead and trail bytes of GBK
        field[i] = c;
    }
}

// Refills a driver-owned request. Texts keep their last byte zero at every moment, so a tray
// thread reading the record meanwhile still finds them terminated.
void RandomRequest(Rng& rng, const HostThings& host, TrayRequest* request)
{
    TrayRequest fresh;
    for (BYTE& b : fresh.reserved) b = static_cast<BYTE>(rng.U32());
    fresh.icon = static_cast<DWORD>(RandomIconField(rng, host));
    RandomField(rng, fresh.tip, sizeof fresh.tip);
    RandomField(rng, fresh.title, sizeof fresh.title);
    RandomField(rng, fresh.text, sizeof fresh.text);
    RandomField(rng, fresh.url, sizeof fresh.url);
    RandomField(rng, fresh.urlDisplay, sizeof fresh.urlDisplay);
    static const DWORD kTimeouts[] = {0, 9999, 10000, 15000, 30000, 30001, 0xFFFFFFFFu};
    fresh.timeoutMs = rng.Percent(20) ? rng.U32() : rng.Pick(kTimeouts);
    fresh.balloonRequested = rng.Percent(30) ? rng.U32() : 0;
    fresh.abort = rng.Percent(15) ? (rng.Percent(50) ? 1 : rng.U32()) : 0;
    std::memcpy(request, &fresh, sizeof fresh);
}

const char* TagName(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY:
        return "EMPTY";
    case VT_NULL:
        return "NULL";
    case VT_I2:
        return "I2";
    case VT_I4:
        return "I4";
    case VT_BSTR:
        return "BSTR";
    case VT_UI1:
        return "UI1";
    case VT_UINT:
        return "UINT";
    default:
        return nullptr;
    }
}

std::string TagText(VARTYPE vt)
{
    const char* base = TagName(vt & VT_TYPEMASK);
    std::string text = base ? base : Format("0x%X", vt & VT_TYPEMASK);
    if (vt & VT_BYREF)
        text += "|BYREF";
    if (vt & VT_ARRAY)
        text += "|ARRAY";
    if (vt & VT_VECTOR)
        text += "|VECTOR";
    if (vt & 0x8000)
        text += "|0x8000";
    return text;
}

// ---------------------------------------------------------------------------------------------
// One call

struct Call {
    DISPID dispId = 0;
    WORD flags = 0;
    bool nullParams = false;
    bool nullArgs = false;
    UINT cArgs = 0;
    unsigned physical = 0;  // VARIANTs really there (cArgs may claim more)
    UINT named = 0;
    bool nullNamedIds = false;
    DISPID namedIds[8] = {};
    VARIANT args[8] = {};
    std::string argText[8];
    bool nullResult = false;
    bool nullExcep = false;
    bool nullArgErr = false;
    std::vector<BSTR> owned;

    ~Call()
    {
        for (BSTR b : owned) SysFreeString(b);
    }

    std::string Describe() const
    {
        std::string text =
            Format("Invoke(dispid %ld, flags 0x%04X, ", static_cast<long>(dispId), flags);
        if (nullParams) {
            text += "no DISPPARAMS";
        } else {
            text += Format("cArgs %u, named %u%s, rgvarg ", cArgs, named,
                           nullNamedIds ? " (no ids)" : "");
            if (nullArgs)
                text += "null";
            for (unsigned i = 0; !nullArgs && i < physical; ++i)
                text += Format("%s[%u] %s", i ? ", " : "", i, argText[i].c_str());
        }
        text += nullResult ? ", no result" : ", result";
        if (nullExcep)
            text += ", no excepinfo";
        if (nullArgErr)
            text += ", no argerr";
        return text + ")";
    }
};

const VARTYPE kAnyTags[] = {VT_EMPTY,   VT_NULL,    VT_I2,      VT_I4,       VT_R4,    VT_R8,
                            VT_CY,      VT_DATE,    VT_BSTR,    VT_DISPATCH, VT_ERROR, VT_BOOL,
                            VT_VARIANT, VT_UNKNOWN, VT_DECIMAL, VT_I1,       VT_UI1,   VT_UI2,
                            VT_UI4,     VT_I8,      VT_UI8,     VT_INT,      VT_UINT,  VT_RECORD};

VARTYPE RandomTag(Rng& rng, VARTYPE wanted)
{
    const unsigned pick = rng.Below(100);
    const VARTYPE base = wanted != VT_EMPTY && pick < 50 ? wanted : rng.Pick(kAnyTags);
    if (pick < 25)
        return base | VT_BYREF;
    if (pick < 35)
        return base | VT_ARRAY;
    if (pick < 40)
        return static_cast<VARTYPE>(rng.U32());
    if (pick < 45)
        return base | static_cast<VARTYPE>(1u << (12 + rng.Below(4)));
    return base;
}

void FillArgument(Rng& rng, HostThings& host, Call& call, unsigned index, VARTYPE tag)
{
    VARIANT& v = call.args[index];
    std::memset(&v, 0, sizeof v);
    // Random bits everywhere first: a method must read only the value its tag promises.
    uint64_t* words = reinterpret_cast<uint64_t*>(&v);
    for (size_t w = 0; w < sizeof v / sizeof *words; ++w) words[w] = rng.Next();
    v.vt = tag;
    std::string& text = call.argText[index];
    text = TagText(tag);
    const DISPID id = call.dispId;
    if (tag == VT_BSTR && (id == 8 || id == 9) && index == 0) {
        // The host's convention: a record's address where a BSTR would be, or null.
        if (rng.Percent(25)) {
            v.bstrVal = nullptr;
            text += " null request";
        } else {
            const unsigned which = rng.Below(HostThings::kRequests);
            TrayRequest* request = &host.requests[which];
            RandomRequest(rng, host, request);
            v.bstrVal = reinterpret_cast<BSTR>(request);
            text += Format(" request %u (icon 0x%lX, timeout %lu, abort %lu)", which,
                           static_cast<unsigned long>(request->icon),
                           static_cast<unsigned long>(request->timeoutMs),
                           static_cast<unsigned long>(request->abort));
        }
    } else if (tag == VT_BSTR) {
        if (rng.Percent(10)) {
            v.bstrVal = nullptr;
            text += " null";
        } else {
            std::string kind;
            const std::wstring wide = RandomWide(rng, &kind);
            v.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
            call.owned.push_back(v.bstrVal);
            text += " " + kind;
        }
    } else if (tag == VT_I4 && id == 1 && index == 1) {
        std::string owner;
        v.lVal = RandomOwner(rng, host, &owner);
        text += " owner " + owner;
    } else if (tag == VT_I4 && id == 1 && index == 0) {
        v.lVal = RandomStyle(rng);
        text += Format(" style 0x%08lX", static_cast<unsigned long>(v.lVal));
    } else if (tag == VT_I2) {
        static const SHORT kMasks[] = {0, 1, 5, 0x0F, 0x7FFF, -1, static_cast<SHORT>(0x8000)};
        v.iVal = rng.Percent(50) ? rng.Pick(kMasks) : static_cast<SHORT>(rng.U32());
        text += Format(" 0x%04X", static_cast<unsigned>(static_cast<USHORT>(v.iVal)));
    } else if (tag == VT_UINT && id == 5) {
        v.uintVal = RandomDelay(rng);
        text += Format(" delay %u", v.uintVal);
    } else if (tag == VT_UINT) {
        v.uintVal = rng.Percent(60) ? rng.U32() & 0x00FFFFFF : rng.U32();
        text += Format(" 0x%08X", v.uintVal);
    } else if (tag == VT_UI1 && id == 7) {
        v.llVal = static_cast<LONGLONG>(RandomIconField(rng, host));
        text += Format(" icon 0x%llX", static_cast<unsigned long long>(v.llVal));
    } else {
        text += Format(" bits 0x%llX", static_cast<unsigned long long>(v.llVal));
    }
}

void MakeCall(Rng& rng, HostThings& host, Call& call)
{
    static const DISPID kWild[] = {-1,
                                   -3,
                                   -4,
                                   -5,
                                   11,
                                   12,
                                   0x10001,
                                   0x7FFFFFFF,
                                   static_cast<DISPID>(0x80000000),
                                   static_cast<DISPID>(0xFFFF0001)};
    // The methods that show something come up more often: they are where the waits are.
    static const DISPID kShowing[] = {1, 1, 1, 2, 3, 4, 8, 9, 9};
    const unsigned pick = rng.Below(100);
    if (pick < 60)
        call.dispId = static_cast<DISPID>(rng.Below(11));
    else if (pick < 88)
        call.dispId = rng.Pick(kShowing);
    else
        call.dispId = rng.Percent(70) ? rng.Pick(kWild) : static_cast<DISPID>(rng.U32());
    const unsigned flags = rng.Below(100);
    if (flags < 70)
        call.flags = DISPATCH_METHOD;
    else if (flags < 78)
        call.flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    else if (flags < 82)
        call.flags = DISPATCH_PROPERTYGET;
    else if (flags < 86)
        call.flags = DISPATCH_PROPERTYPUT;
    else if (flags < 88)
        call.flags = DISPATCH_PROPERTYPUTREF;
    else if (flags < 90)
        call.flags = 0;
    else
        call.flags = static_cast<WORD>(rng.U32());

    call.nullResult = rng.Percent(20);
    call.nullExcep = rng.Percent(30);
    call.nullArgErr = rng.Percent(30);
    if (rng.Percent(3)) {
        call.nullParams = true;
        return;
    }
    const unsigned wanted = KnownDispId(call.dispId) ? kWanted[call.dispId].count : 0;
    // Most calls are well formed so that the methods run; the rest are anything.
    const bool wellFormed = rng.Percent(55);
    if (wellFormed)
        call.physical = wanted + (rng.Percent(70) ? 0 : rng.Below(9 - wanted));
    else
        call.physical = rng.Below(9);
    call.cArgs = call.physical;
    if (call.physical == 8 && rng.Percent(20))
        call.cArgs = rng.Percent(50) ? 0xFFFFFFFFu : 9 + rng.Below(100);  // a claim past the array
    call.nullArgs = rng.Percent(3);
    if (call.physical && rng.Percent(15)) {
        call.named = 1 + rng.Below(call.physical);
        call.nullNamedIds = rng.Percent(30);
        for (UINT i = 0; i < call.named; ++i)
            call.namedIds[i] =
                rng.Percent(50) ? DISPID_PROPERTYPUT : static_cast<DISPID>(rng.Below(10));
    }
    for (unsigned i = 0; i < call.physical; ++i) {
        const VARTYPE want = WantedTag(call.dispId, i);
        VARTYPE tag;
        if (want != VT_EMPTY && (wellFormed || rng.Percent(70)))
            tag = want;
        else
            tag = RandomTag(rng, want);
        FillArgument(rng, host, call, i, tag);
    }
}

// ---------------------------------------------------------------------------------------------
// The watchdog: closes what the calls leave open, as a user or the shell would.

// Where every thread of this process stands, from Wine's debugger, for a call that hangs.
void DumpStacks()
{
    char command[128];
    snprintf(command, sizeof command, "winedbg.exe --command \"bt all\" %lu",
             static_cast<unsigned long>(GetCurrentProcessId()));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

class CallWatchdog {
public:
    CallWatchdog(DWORD driverThread, uint64_t seed)
        : driver_(driverThread), rng_(seed ^ 0xD06D06ull)
    {
    }
    // What stayed open far longer than any close the watchdog sent should take.
    std::string Stuck() const { return stuck_; }
    long Closes() const { return closes_; }
    std::string Seen() const
    {
        return Format("%ld popups, %ld dialogs, %ld tray windows", seen_[0], seen_[1], seen_[2]);
    }

private:
    struct Tracker {
        HWND window = nullptr;
        ULONGLONG since = 0;
        ULONGLONG next = 0;
        int attempts = 0;
    };
    // Limits of a hang, longer under emulation, where the module's own work runs slower.
    static constexpr ULONGLONG kRetryMs = 1000;
    static inline const ULONGLONG kStuckMs = SafetyLimitMs(30000);
    static inline const ULONGLONG kWakeMs = SafetyLimitMs(60000);
    static inline const ULONGLONG kHangMs = SafetyLimitMs(150000);

    // One look, every 15 ms.
    void Tick()
    {
        ULONGLONG now = Ticks();
        HWND popup = NotifySession.popupWindow;
        if (!popup || !IsWindow(popup))
            popup = ThreadWindowOfClass("VorbelNotify", false, driver_);
        Watch(popups_, popup && IsWindow(popup) ? popup : nullptr, now, 1200,
              &CallWatchdog::ClosePopup, "popup");
        Watch(dialogs_, ThreadWindowOfClass("#32770", false, driver_), now, 800,
              &CallWatchdog::CloseDialog, "dialog");
        HWND tray = NotifySession.trayWindow;
        Watch(trays_, tray && IsWindow(tray) ? tray : nullptr, now, 2500, &CallWatchdog::EndTray,
              "tray session");
        // The call may have started after now was read: only a start before it counts.
        const ULONGLONG started = callStarted;
        now = Ticks();
        if (started && started <= now && started != wokenCall_ && now - started > kWakeMs &&
            !popups_.window && !dialogs_.window && !trays_.window) {
            // Nothing is open, yet the call has not returned: is its loop asleep in GetMessage?
            // A posted message makes it look again; the fault is reported either way.
            wokenCall_ = started;
            if (stuck_.empty())
                stuck_ = Format("call %ld still ran %lu s after everything had closed; a message "
                                "was posted to its thread to wake it",
                                static_cast<long>(currentCall),
                                static_cast<unsigned long>(kWakeMs / 1000));
            std::printf("fuzz: %s\n", stuck_.c_str());
            PostThreadMessageA(driver_, WM_NULL, 0, 0);
        }
        if (started && started <= now && now - started > kHangMs) {
            HWND open = NotifySession.popupWindow;
            std::printf("fuzz: open: popup %p (window %d, visible %d), dialog %p, tray thread %d, "
                        "style 0x%08lX\n",
                        static_cast<void*>(open), IsWindow(open),
                        IsWindow(open) && IsWindowVisible(open),
                        static_cast<void*>(ThreadWindowOfClass("#32770", false, driver_)),
                        TrayThreadRunning(), static_cast<unsigned long>(NotifySession.style));
            PrintCurrent(Format("no return after %lu s", static_cast<unsigned long>(kHangMs / 1000)).c_str());
            DumpStacks();
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }

    void Watch(Tracker& t, HWND window, ULONGLONG now, unsigned patienceMs,
               void (CallWatchdog::*close)(HWND, int), const char* what)
    {
        if (window != t.window) {
            if (window)
                ++seen_[what[0] == 'p' ? 0 : what[0] == 'd' ? 1 : 2];
            t = Tracker();
            t.window = window;
            t.since = now;
            t.next = now + rng_.Below(patienceMs);
        }
        if (!window || now < t.next)
            return;
        (this->*close)(window, t.attempts++);
        ++closes_;
        t.next = now + kRetryMs;
        if (now - t.since > kStuckMs && stuck_.empty())
            stuck_ = Format("a %s stayed open for %lu s after %d closing events", what,
                            static_cast<unsigned long>(kStuckMs / 1000), t.attempts);
    }

    void Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        // Mostly posted; sometimes sent without waiting, which reaches the popup inside its slide.
        if (rng_.Percent(20))
            SendNotifyMessageA(window, message, wParam, lParam);
        else
            PostMessageA(window, message, wParam, lParam);
    }

    void ClosePopup(HWND popup, int attempt)
    {
        if (attempt > 0) {  // the timer's expiry closes every popup, sticky ones included
            PostMessageA(popup, WM_TIMER, kPopupCloseTimerId, 0);
            return;
        }
        switch (rng_.Below(5)) {
        case 0:
            Deliver(popup, WM_TIMER, kPopupCloseTimerId, 0);
            break;
        case 1:
            Deliver(popup, WM_COMMAND, kCloseButtonId, 0);
            break;
        case 2:
            Deliver(popup, WM_COMMAND, kRowButtonFirstId + rng_.Below(4), 0);
            break;
        case 3:
            Deliver(popup, WM_COMMAND, kConfirmButtonId, 0);
            break;
        default:
            // A click on the body, away from the link: the pointer is moved off it first, so
            // no browser is ever asked to open anything.
            PostMessageA(popup, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
            PostMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
            break;
        }
    }

    void CloseDialog(HWND dialog, int attempt)
    {
        if (attempt > 0) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        switch (rng_.Below(4)) {
        case 0:
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            break;
        case 1:
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            break;
        case 2:
            PostMessageA(dialog, WM_CLOSE, 0, 0);
            break;
        default:
            PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
            break;
        }
    }

    // Wine's notification area never reports a balloon's end: the watchdog posts the events the
    // shell would, with icon clicks and show/hide reports as noise before them.
    void EndTray(HWND tray, int attempt)
    {
        if (attempt > 0) {
            PostMessageA(tray, kTrayCallbackMessage, 0, kBalloonTimeoutEvent);
            return;
        }
        static const LPARAM kNoise[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP,
                                        kBalloonShowEvent, kBalloonHideEvent};
        const UINT message = rng_.Percent(70) ? kTrayCallbackMessage : kTrayCallbackMessage2;
        for (unsigned i = rng_.Below(3); i > 0; --i)
            PostMessageA(tray, message, 0, rng_.Pick(kNoise));
        PostMessageA(tray, message, 0,
                     rng_.Percent(50) ? kBalloonClickEvent : kBalloonTimeoutEvent);
    }

    DWORD driver_;
    Rng rng_;
    Tracker popups_, dialogs_, trays_;
    ULONGLONG wokenCall_ = 0;
    std::string stuck_;
    volatile long closes_ = 0;
    long seen_[3] = {};
    TickThread ticks_{15, 15, [this] { Tick(); }};  // last: it runs once everything above is set
};

// ---------------------------------------------------------------------------------------------
// The driver

// What no call may change unless it is the method that sets it.
struct Settings {
    DWORD closeDelayMs;
    COLORREF colours[5];
    HICON appIcon;
    HWND ownerWindow;
    TrayRequest* request;

    static Settings Now()
    {
        const NotifySessionRecord& s = NotifySession;
        return {s.closeDelayMs,
                {s.gradientFrom, s.gradientTo, s.borderColor, s.titleColor, s.bodyColor},
                s.appIcon,
                s.ownerWindow,
                s.currentTrayRequest};
    }
    bool operator==(const Settings& o) const { return std::memcmp(this, &o, sizeof o) == 0; }
};

void FillCanary(void* p, size_t size)
{
    std::memset(p, 0xA5, size);
}

bool IsCanary(const void* p, size_t from, size_t to)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(p);
    for (size_t i = from; i < to; ++i)
        if (bytes[i] != 0xA5)
            return false;
    return true;
}

void Pump(DWORD ms)
{
    const ULONGLONG end = Ticks() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const ULONGLONG now = Ticks();
        if (now >= end)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

// Runs one call and checks it; the result is empty, or what went wrong.
std::string RunCall(IDispatch* object, HostThings& host, Call& call, bool* reached, bool untrusted)
{
    VARIANT* args = host.Arguments(call.physical);
    std::memcpy(args, call.args, call.physical * sizeof(VARIANT));
    const bool serverOff = serverDisabled != 0;
    const Expectation expected = Expect(serverOff, call.dispId, call.flags, call.nullParams,
                                        call.nullArgs, call.cArgs, args, untrusted);
    DISPPARAMS params = {call.nullArgs ? nullptr : args,
                         call.nullNamedIds ? nullptr : call.namedIds, call.cArgs, call.named};
    VARIANT result;
    EXCEPINFO excep;
    UINT argErr;
    FillCanary(&result, sizeof result);
    FillCanary(&excep, sizeof excep);
    FillCanary(&argErr, sizeof argErr);
    const Settings before = Settings::Now();
    TrayRequest* request = (call.dispId == 8 || call.dispId == 9) && call.physical
                               ? reinterpret_cast<TrayRequest*>(call.args[0].bstrVal)
                               : nullptr;
    // A record no tray session holds must come back from a refused call byte for byte.
    const bool watchRecord = untrusted && request && request != before.request &&
                             request >= host.requests &&
                             request < host.requests + HostThings::kRequests;
    TrayRequest recordBefore;
    if (watchRecord)
        std::memcpy(&recordBefore, request, sizeof recordBefore);

    callStarted = Ticks();
    const HRESULT hr =
        object->Invoke(call.dispId, kNoIID, 0, call.flags, call.nullParams ? nullptr : &params,
                       call.nullResult ? nullptr : &result, call.nullExcep ? nullptr : &excep,
                       call.nullArgErr ? nullptr : &argErr);
    callStarted = 0;
    *reached = expected.called;

    if (hr != expected.result)
        return Format("returned 0x%08lX, expected 0x%08lX", static_cast<unsigned long>(hr),
                      static_cast<unsigned long>(expected.result));
    if (std::memcmp(args, call.args, call.physical * sizeof(VARIANT)) != 0)
        return "the caller's arguments were changed";
    if (!IsCanary(&excep, 0, sizeof excep) || !IsCanary(&argErr, 0, sizeof argErr))
        return "pExcepInfo or puArgErr was written";
    const bool writes = expected.called && kWanted[call.dispId].writesResult && !call.nullResult;
    if (writes) {
        // vt and the 16-bit value, nothing else.
        if (result.vt != VT_I2 || !IsCanary(&result, 2, 8) ||
            !IsCanary(&result, 8 + sizeof(SHORT), sizeof result))
            return Format("pVarResult holds vt %u and more than a 16-bit value", result.vt);
        if (call.dispId >= 2 && call.dispId <= 4 && result.iVal != 0)
            return Format("a list setter reported %d, not 0", result.iVal);
    } else if (!IsCanary(&result, 0, sizeof result)) {
        return "pVarResult was written";
    }
    if (!expected.called) {
        if (!(Settings::Now() == before))
            return "a call that must not reach any method changed the session";
        if (watchRecord && std::memcmp(&recordBefore, request, sizeof recordBefore) != 0)
            return "a call refused to an untrusted caller changed the record";
        return "";
    }
    // The values reached the method that takes them, in their order.
    const NotifySessionRecord& s = NotifySession;
    switch (call.dispId) {
    case 1:
        if (s.ownerWindow != reinterpret_cast<HWND>(static_cast<LONG_PTR>(args[1].lVal)))
            return "Action stored another owner window";
        break;
    case 5:
        if (s.closeDelayMs != (args[0].uintVal ? args[0].uintVal : before.closeDelayMs))
            return Format("TimeInterval left the delay %lu",
                          static_cast<unsigned long>(s.closeDelayMs));
        break;
    case 6: {
        const COLORREF want[5] = {args[4].uintVal, args[3].uintVal, args[2].uintVal,
                                  args[1].uintVal, args[0].uintVal};
        if (std::memcmp(want, Settings::Now().colours, sizeof want) != 0)
            return "SetColor stored other colours or another order";
        break;
    }
    case 7:
        if (s.appIcon != reinterpret_cast<HICON>(static_cast<LONG_PTR>(args[0].lVal)))
            return "SetAppIcon stored another handle";
        break;
    case 9:
        if (request && request->balloonRequested != 1)
            return "ShowUpdateBalloon did not mark the request";
        break;
    }
    return "";
}

bool AnythingOpen(DWORD thread)
{
    HWND popup = NotifySession.popupWindow;
    return (popup && IsWindow(popup)) || ThreadWindowOfClass("VorbelNotify", false, thread) ||
           ThreadWindowOfClass("#32770", false, thread) || TrayThreadRunning();
}

// After the calls: the host's own end of the tray session, then wait for the watchdog's closes.
void Drain(IDispatch* object, DWORD thread)
{
    static TrayRequest stop;  // read by the tray thread after the call: it must outlive it
    stop.abort = 1;
    for (int i = 0; i < 3000 && AnythingOpen(thread); ++i) {
        if (TrayThreadRunning() && i % 50 == 0) {
            VARIANT arg;
            VariantInit(&arg);
            arg.vt = VT_BSTR;
            arg.bstrVal = reinterpret_cast<BSTR>(&stop);
            DISPPARAMS params = {&arg, nullptr, 1, 0};
            object->Invoke(8, kNoIID, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        }
        Pump(10);
    }
}

// Calls through Invoke with the wanted tags, for the warm-up.
void Call1(IDispatch* object, DISPID id, std::initializer_list<VARIANT> positional)
{
    std::vector<VARIANT> reversed(positional.begin(), positional.end());
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    VARIANT result;
    VariantInit(&result);
    object->Invoke(id, kNoIID, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
}

VARIANT Str(BSTR value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = value;
    return v;
}
VARIANT I4(LONG value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}
VARIANT I2(SHORT value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I2;
    v.iVal = value;
    return v;
}

// One of everything the module may keep once made, before the levels are taken. Wine keeps
// the display contexts its controls have needed for reuse, as many as the most crowded window
// has had (a plateau, not a leak: the same window again takes no more); the warm-up shows the
// fullest lists there can be (1023 separators make 1024 items) in a dialog and in a popup, so that
// the random calls cannot raise that level any further.
void WarmUp(IDispatch* object, HostThings& host, DWORD thread)
{
    BSTR heading = SysAllocString(L"预热");
    BSTR body = SysAllocString(L"Warm-up body 正文");
    BSTR link = SysAllocString(L"链接");
    BSTR url = SysAllocString(L"http://example.test/");
    BSTR checks = SysAllocString(L"A|B|C");
    BSTR buttons = SysAllocString(L"是|否");
    BSTR combo = SysAllocString(L"红|绿|OK");
    BSTR full = SysAllocString(std::wstring(1023, L'|').c_str());
    VARIANT icon;
    VariantInit(&icon);
    icon.vt = VT_UI1;
    icon.byref = host.icons[0];
    Call1(object, 7, {icon});
    Call1(object, 2, {Str(checks), I2(1)});
    Call1(object, 3, {Str(buttons), I2(1)});
    Call1(object, 1,
          {Str(heading), Str(body), Str(link), Str(url), I4(0),
           I4(NS_WAIT | NS_CLOSEBOX | NS_ICON_INFO)});
    Call1(object, 4, {Str(combo), I2(0)});
    Call1(object, 1,
          {Str(heading), Str(body), Str(link), Str(url), I4(0), I4(NS_WAIT | NS_FLATBORDER)});
    // Owned by nothing and by a window of the host: an owned window needs contexts of its own.
    const LONG hostWindow = static_cast<LONG>(reinterpret_cast<LONG_PTR>(host.window));
    for (LONG owner : {LONG(0), hostWindow}) {
        for (LONG style : {LONG(-1), LONG(~NS_DIALOG)}) {
            for (DISPID list : {2, 3, 4}) Call1(object, list, {Str(full), I2(-1)});
            Call1(object, 1, {Str(heading), Str(body), Str(link), Str(url), I4(owner), I4(style)});
            Drain(object, thread);
        }
    }
    static TrayRequest request;
    request.icon = static_cast<DWORD>(reinterpret_cast<uintptr_t>(host.icons[1]));
    std::strcpy(request.tip, "warm-up");
    request.timeoutMs = 10000;
    Call1(object, 8, {Str(reinterpret_cast<BSTR>(&request))});
    Call1(object, 9, {Str(reinterpret_cast<BSTR>(&request))});
    Drain(object, thread);
    VariantInit(&icon);
    icon.vt = VT_UI1;
    Call1(object, 7, {icon});
    for (BSTR b : {heading, body, link, url, checks, buttons, combo, full}) SysFreeString(b);
}

std::string NewGdiObjects(const std::vector<unsigned char>& before)
{
    const std::vector<unsigned char> now = GdiEntryTypes();
    std::string text;
    for (size_t i = 0; i < now.size(); ++i)
        if (now[i] && !before[i])
            text += Format(" #%u type 0x%02X", static_cast<unsigned>(i), now[i]);
    return text.empty() ? " none" : text;
}

// Every window of this process, children included, by class name: what the thread count misses.
BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        return TRUE;
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    reinterpret_cast<std::vector<std::string>*>(lParam)->push_back(
        Format("%s%s", name, IsWindowVisible(window) ? "" : " (hidden)"));
    EnumChildWindows(window, CollectWindow, lParam);
    return TRUE;
}

std::vector<std::string> ProcessWindows()
{
    std::vector<std::string> names;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&names));
    std::sort(names.begin(), names.end());
    return names;
}

std::string Joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& n : names) text += " [" + n + "]";
    return text;
}

// Live GDI objects by kind, as "kind:count" pairs, and the count of the kinds the module itself
// makes and frees while it paints (fonts 0x0A, brushes 0x10, pens 0x30 and 0x50).
std::string GdiKinds(const std::vector<unsigned char>& types)
{
    int counts[256] = {};
    for (unsigned char t : types) ++counts[t];
    std::string text;
    for (int t = 1; t < 256; ++t)
        if (counts[t])
            text += Format(" %02X:%d", t, counts[t]);
    return text;
}

int PaintObjects(const std::vector<unsigned char>& types)
{
    int count = 0;
    for (unsigned char t : types)
        if (t == 0x0A || t == 0x10 || t == 0x30 || t == 0x50)
            ++count;
    return count;
}

// The calls run in phases of kPhaseCalls, each drawn from this table by its weight: the state
// of the module, or of the system around it, while the phase's calls run. A phase sets that
// state up when it begins and gives it back when it ends; the checks of a call see it through
// the module's own state (serverDisabled and the like). A new kind of phase is a row here.
struct Phase {
    const char* tag;  // shown before each call of the phase in reports; null for the plain phase
    unsigned weight;
    void (*begin)();
    void (*end)();
};

void Nothing() {}

// As after an unregistration in another process: every call returns S_FALSE and does nothing.
void SwitchServerOff()
{
    serverDisabled = 1;
}
void SwitchServerOn()
{
    serverDisabled = 0;
}

// As a page's script: the calls go to a second object, marked safe for untrusted callers.
bool untrustedCalls = false;
void CallAsAPage()
{
    untrustedCalls = true;
}
void CallAsTheHost()
{
    untrustedCalls = false;
}

const Phase kPhases[] = {
    {"server off", 15, SwitchServerOff, SwitchServerOn},
    {"untrusted caller", 15, CallAsAPage, CallAsTheHost},
    {nullptr, 70, Nothing, Nothing},
};
constexpr unsigned kPhaseCalls = 40;

const Phase* PickPhase(Rng& rng)
{
    unsigned total = 0;
    for (const Phase& p : kPhases) total += p.weight;
    unsigned roll = rng.Below(total);
    for (const Phase& p : kPhases) {
        if (roll < p.weight)
            return &p;
        roll -= p.weight;
    }
    return &kPhases[0];
}

// Ends the current phase (if any) and begins the next (if any); returns the next.
const Phase* EnterPhase(const Phase* current, const Phase* next)
{
    if (current)
        current->end();
    if (next)
        next->begin();
    return next;
}

// Calls the leak check makes a second time.
constexpr unsigned kReplayedCalls = 300;

TEST(InvokeFuzz, RandomCallsKeepTheContractAndLeaveNothingBehind)
{
    const Options options = ParseOptions();
    runSeed = options.seed;
    std::printf("fuzz: seed %llu, up to %u calls, budget %u s (%s balloon tips)\n",
                static_cast<unsigned long long>(options.seed), options.count, options.seconds,
                UsesBalloonTips(ClassifyWindowsVersion()) ? "with" : "without");
    SetUnhandledExceptionFilter(ReportCrash);
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    SetCursorPos(0, 0);  // away from every popup and dialog, so no real hover reaches a link
    InitialNotifySession(&NotifySession);
    serverDisabled = 0;

    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_NtfObj, kIClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    IDispatch* object = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, kIDispatch, reinterpret_cast<void**>(&object)),
              S_OK);
    IDispatch* pageObject = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, kIDispatch, reinterpret_cast<void**>(&pageObject)),
              S_OK);
    factory->Release();
    {
        IObjectSafety* safety = nullptr;
        ASSERT_EQ(pageObject->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)),
                  S_OK);
        ASSERT_EQ(safety->SetInterfaceSafetyOptions(kIDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                                    INTERFACESAFE_FOR_UNTRUSTED_CALLER),
                  S_OK);
        safety->Release();
    }

    const DWORD thread = GetCurrentThreadId();
    HostThings host;
    host.Create();
    std::string failure, stuck;
    unsigned ran = 0;
    long closes = 0;
    std::string seen;
    unsigned called[10] = {};
    unsigned pageCalls = 0, pageTrayCalls = 0;  // calls as a page, and of them to the tray methods
    int gdiBefore = 0, windowsBefore = 0;
    std::vector<unsigned char> gdiTypesBefore, gdiTypesAfterCalls, gdiTypesReplayed;
    unsigned replayed = 0;
    std::vector<std::string> processWindowsBefore;
    {
        CallWatchdog watchdog(thread, options.seed);
        WarmUp(object, host, thread);
        ASSERT_FALSE(AnythingOpen(thread)) << "the warm-up left something open";
        gdiBefore = CountLiveGdiObjects();
        gdiTypesBefore = GdiEntryTypes();
        processWindowsBefore = ProcessWindows();
        windowsBefore = CountThreadWindows();

        // One pass of the call stream: calls 1..count of the seed, within the time budget.
        const ULONGLONG start = Ticks();
        auto pass = [&](unsigned count, bool counted) {
            // The time budget bounds the random calls; the replay is bounded by its count alone.
            const ULONGLONG budgetMs = counted ? options.seconds * 1000ull : ~0ull;
            Rng rng(options.seed);
            const Phase* phase = nullptr;
            unsigned made = 0;
            int lastObjects = gdiBefore;
            for (unsigned n = 1; n <= count; ++n) {
                if (Ticks() - start > budgetMs)
                    break;
                if (n % kPhaseCalls == 1)
                    phase = EnterPhase(phase, PickPhase(rng));
                Call call;
                MakeCall(rng, host, call);
                const unsigned idleMs = rng.Percent(10) ? rng.Below(200) : 0;
                if (n < options.first)
                    continue;
                currentCall = static_cast<LONG>(n);
                snprintf(currentText, sizeof currentText, "%s%s%s%s", phase->tag ? "[" : "",
                         phase->tag ? phase->tag : "", phase->tag ? "] " : "",
                         call.Describe().c_str());
                if (options.trace)
                    std::printf("fuzz: call %u: %s\n", n, currentText);
                bool reached = false;
                failure = RunCall(untrustedCalls ? pageObject : object, host, call, &reached,
                                  untrustedCalls);
                if (reached && counted)
                    ++called[call.dispId];
                if (untrustedCalls && counted) {
                    ++pageCalls;
                    if (call.dispId == 8 || call.dispId == 9)
                        ++pageTrayCalls;
                }
                made = n;
                if (!failure.empty()) {
                    PrintCurrent(failure.c_str());
                    break;
                }
                // The host's own message loop between calls: popups that did not wait close here.
                Pump(idleMs);
                if (options.trace && !AnythingOpen(thread)) {
                    // The level whenever nothing is open: a leak is a step that never comes back.
                    const int objects = CountLiveGdiObjects();
                    if (objects != lastObjects)
                        std::printf("fuzz: %d GDI objects with nothing open after call %u:%s\n",
                                    objects, n, NewGdiObjects(gdiTypesBefore).c_str());
                    lastObjects = objects;
                }
                if (n % 100 == 0)
                    std::printf("fuzz: %u calls, %.1f s\n", n, (Ticks() - start) / 1000.0);
            }
            currentCall = 0;
            std::strcpy(currentText, "(draining after the calls)");
            EnterPhase(phase, nullptr);
            Drain(object, thread);
            return made;
        };
        ran = pass(options.count, true);
        std::printf("fuzz: %u calls ran in %.1f s\n", ran, (Ticks() - start) / 1000.0);
        // Wine keeps what its windows and controls needed for reuse: display contexts with their
        // regions and surfaces (as many as the busiest moment had open, which depends on timing),
        // system colour brushes, cursor and icon bitmaps. So the total may stand above the
        // warm-up's without a leak. The first calls made a second time tell the two apart for
        // what the module makes itself while it paints, fonts, brushes and pens: a cache takes
        // nothing more, a leak as much again. The totals are printed for the long runs to show.
        Pump(500);
        gdiTypesAfterCalls = GdiEntryTypes();
        std::printf("fuzz: GDI objects by kind after the warm-up:%s\n",
                    GdiKinds(gdiTypesBefore).c_str());
        std::printf("fuzz: GDI objects by kind after the calls:  %s\n",
                    GdiKinds(gdiTypesAfterCalls).c_str());
        if (failure.empty() && options.first == 1) {
            replayed = pass(std::min(ran, kReplayedCalls), false);
            gdiTypesReplayed = GdiEntryTypes();
            std::printf("fuzz: the first %u calls again, by kind:  %s\n", replayed,
                        GdiKinds(gdiTypesReplayed).c_str());
        }
        stuck = watchdog.Stuck();
        closes = watchdog.Closes();
        seen = watchdog.Seen();
    }
    std::printf("fuzz: the watchdog saw %s and sent %ld closing events\n", seen.c_str(), closes);
    std::printf("fuzz: %u calls as a page (object marked for untrusted callers), %u of them to the "
                "tray methods\n",
                pageCalls, pageTrayCalls);
    std::printf("fuzz: methods reached by DISPID 1..9:");
    for (int id = 1; id <= 9; ++id) std::printf(" %u", called[id]);
    std::printf("\n");
    EXPECT_EQ(failure, "") << "seed " << options.seed << ", call " << ran;
    EXPECT_EQ(stuck, "") << "seed " << options.seed;
    EXPECT_GT(ran, 0u);

    EXPECT_FALSE(IsWindow(NotifySession.popupWindow));
    EXPECT_EQ(CountProcessWindows("VorbelNotify"), 0);
    EXPECT_EQ(CountProcessWindows("#32770"), 0);
    EXPECT_EQ(CountProcessWindows("VorbelXTrayIcon"), 0);
    EXPECT_FALSE(TrayThreadRunning());
    if (replayed) {
        EXPECT_EQ(PaintObjects(gdiTypesReplayed), PaintObjects(gdiTypesAfterCalls))
            << "new since the first pass:" << NewGdiObjects(gdiTypesAfterCalls);
    }
    EXPECT_EQ(CountThreadWindows(), windowsBefore);
    EXPECT_EQ(Joined(ProcessWindows()), Joined(processWindowsBefore));

    EXPECT_EQ(pageObject->Release(), 0u);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(liveObjectCount, 0);
    host.Destroy();
    CoUninitialize();
}

}  // namespace
