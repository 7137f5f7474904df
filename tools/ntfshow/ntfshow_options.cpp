#include "ntfshow_options.h"

#include <cerrno>
#include <cwchar>
#include <cwctype>

#include "NtfObj.h"

namespace {

bool ParseNumber(const std::wstring& text, unsigned long max, unsigned long* value)
{
    if (text.empty())
        return false;
    wchar_t* end = nullptr;
    errno = 0;
    unsigned long long v = std::wcstoull(text.c_str(), &end, 0);  // decimal or 0x...
    if (*end != L'\0' || errno != 0 || text[0] == L'-' || v > max)
        return false;
    *value = static_cast<unsigned long>(v);
    return true;
}

bool ParseColors(const std::wstring& text, unsigned long colors[5])
{
    size_t start = 0;
    for (int i = 0; i < 5; ++i) {
        size_t comma = text.find(L',', start);
        if ((comma == std::wstring::npos) != (i == 4))
            return false;
        std::wstring item =
            text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
        if (!ParseNumber(item, 0x00FFFFFF, &colors[i]))
            return false;
        start = comma + 1;
    }
    return true;
}

std::wstring Joined(const std::vector<int>& items)
{
    std::wstring out;
    for (int item : items) {
        if (!out.empty())
            out += L", ";
        out += std::to_wstring(item);
    }
    return out;
}

// Switches without a value: each sets its flag.
struct FlagOption {
    const wchar_t* name;
    bool ShowOptions::*flag;
};
const FlagOption kFlagOptions[] = {
    {L"--help", &ShowOptions::help},
    {L"-h", &ShowOptions::help},
    {L"/?", &ShowOptions::help},
    {L"--version", &ShowOptions::version},
    {L"--close-box", &ShowOptions::closeBox},
    {L"--dialog", &ShowOptions::dialog},
    {L"--wait", &ShowOptions::wait},
    {L"--sticky", &ShowOptions::sticky},
    {L"--flat", &ShowOptions::flat},
    {L"--registered", &ShowOptions::registered},
};

// Options with a text; the tray forms also name the form they ask for.
struct TextOption {
    const wchar_t* name;
    std::wstring ShowOptions::*text;
    bool ShowOptions::*form;  // or null
};
const TextOption kTextOptions[] = {
    {L"--heading", &ShowOptions::heading, nullptr},
    {L"--body", &ShowOptions::body, nullptr},
    {L"--link-text", &ShowOptions::linkText, nullptr},
    {L"--url", &ShowOptions::url, nullptr},
    {L"--checks", &ShowOptions::checks, nullptr},
    {L"--buttons", &ShowOptions::buttons, nullptr},
    {L"--list", &ShowOptions::list, nullptr},
    {L"--screenshot", &ShowOptions::screenshot, nullptr},
    {L"--tray-tip", &ShowOptions::tip, &ShowOptions::tray},
    {L"--balloon-title", &ShowOptions::balloonTitle, &ShowOptions::balloon},
    {L"--balloon-text", &ShowOptions::balloonText, &ShowOptions::balloon},
};

// Options with a number from 0 to max.
struct NumberOption {
    const wchar_t* name;
    unsigned long max;
    void (*store)(ShowOptions* options, unsigned long value);
    bool ShowOptions::*form;  // or null
};
const NumberOption kNumberOptions[] = {
    {L"--check-mask", 0xFFFF,
     [](ShowOptions* o, unsigned long n) { o->checkMask = static_cast<int>(n); }, nullptr},
    {L"--button-mask", 0xFFFF,
     [](ShowOptions* o, unsigned long n) { o->buttonMask = static_cast<int>(n); }, nullptr},
    {L"--delay", 0xFFFFFFFFul, [](ShowOptions* o, unsigned long n) { o->delayMs = n; }, nullptr},
    {L"--balloon-timeout", 0xFFFFFFFFul,
     [](ShowOptions* o, unsigned long n) { o->balloonTimeoutMs = n; }, &ShowOptions::balloon},
};

template <typename Option, size_t N>
const Option* FindOption(const Option (&options)[N], const std::wstring& name)
{
    for (const Option& option : options)
        if (name == option.name)
            return &option;
    return nullptr;
}

// The arguments in turn, each option taking the value that follows it.
class ArgumentReader {
public:
    ArgumentReader(const std::vector<std::wstring>& args, std::wstring* error)
        : args_(args), error_(error)
    {
    }

    bool More() const { return next_ < args_.size(); }
    const std::wstring& Take() { return args_[next_++]; }

    // The value of option; false with a message when the arguments end first.
    bool Value(const std::wstring& option, std::wstring* out)
    {
        if (!More()) {
            *error_ = option + L" needs a value";
            return false;
        }
        *out = Take();
        return true;
    }

    // A number from 0 to max as option's value. On failure *out is left as it was.
    bool Number(const std::wstring& option, unsigned long max, unsigned long* out)
    {
        std::wstring text;
        if (!Value(option, &text))
            return false;
        if (!ParseNumber(text, max, out)) {
            *error_ = option + L": not a number from 0 to " + std::to_wstring(max) + L": " + text;
            return false;
        }
        return true;
    }

private:
    const std::vector<std::wstring>& args_;
    std::wstring* error_;
    size_t next_ = 0;
};

bool ParseColorsOption(ArgumentReader& reader, const std::wstring& option, ShowOptions* o,
                       std::wstring* error)
{
    std::wstring text;
    bool ok = reader.Value(option, &text);
    if (ok && !(ok = ParseColors(text, o->colors)))
        *error = L"--colors wants five colours 0xBBGGRR separated by commas: " + text;
    o->haveColors = ok;
    return ok;
}

bool ParseIconOption(ArgumentReader& reader, const std::wstring& option, ShowOptions* o,
                     std::wstring* error)
{
    std::wstring kind;
    if (!reader.Value(option, &kind))
        return false;
    if (kind == L"error")
        o->iconStyle = NTF_STYLE_ICON_ERROR;
    else if (kind == L"alert")
        o->iconStyle = NTF_STYLE_ICON_ALERT;
    else if (kind == L"info")
        o->iconStyle = NTF_STYLE_ICON_INFO;
    else if (kind == L"warning")
        o->iconStyle = 0;
    else {
        *error = L"--icon wants error, alert, info or warning: " + kind;
        return false;
    }
    return true;
}

// One option and its value, if it takes one.
bool ParseOption(ArgumentReader& reader, const std::wstring& a, ShowOptions* o, std::wstring* error)
{
    if (const FlagOption* flag = FindOption(kFlagOptions, a)) {
        o->*flag->flag = true;
        return true;
    }
    if (const TextOption* text = FindOption(kTextOptions, a)) {
        if (text->form)
            o->*text->form = true;
        return reader.Value(a, &(o->*text->text));
    }
    if (const NumberOption* number = FindOption(kNumberOptions, a)) {
        if (number->form)
            o->*number->form = true;
        unsigned long n = 0;
        const bool ok = reader.Number(a, number->max, &n);
        number->store(o, n);
        return ok;
    }
    if (a == L"--colors")
        return ParseColorsOption(reader, a, o, error);
    if (a == L"--icon")
        return ParseIconOption(reader, a, o, error);
    *error = L"unknown argument: " + a;
    return false;
}

// What the options ask for must be one thing that can be shown.
bool CheckCombination(const ShowOptions* o, std::wstring* error)
{
    if (o->help || o->version)
        return true;
    const bool popup = !o->heading.empty() || !o->body.empty();
    if (!popup && !o->tray && !o->balloon) {
        *error = L"nothing to show: give --heading/--body, --tray-tip or --balloon-text";
        return false;
    }
    if (popup && (o->tray || o->balloon)) {
        *error = L"a popup and the tray forms cannot be combined in one call";
        return false;
    }
    if (!o->buttons.empty() && !o->list.empty()) {
        *error = L"--buttons and --list cannot be combined: a notification has one or the other";
        return false;
    }
    return true;
}

}  // namespace

bool ParseShowOptions(const std::vector<std::wstring>& args, ShowOptions* o, std::wstring* error)
{
    *o = ShowOptions();
    ArgumentReader reader(args, error);
    while (reader.More()) {
        const std::wstring& a = reader.Take();
        if (!ParseOption(reader, a, o, error))
            return false;
    }
    return CheckCombination(o, error);
}

long StyleForOptions(const ShowOptions& o)
{
    long style = o.iconStyle;
    if (o.dialog)
        style |= NTF_STYLE_DIALOG;
    if (o.closeBox)
        style |= NTF_STYLE_CLOSEBOX;
    if (o.wait)
        style |= NTF_STYLE_WAIT;
    if (o.sticky)
        style |= NTF_STYLE_STICKY;
    if (o.flat)
        style |= NTF_STYLE_FLATBORDER;
    return style;
}

std::wstring DescribeResult(unsigned short code, const ShowOptions& o)
{
    if (o.tray || o.balloon) {
        switch (code) {
        case NTF_RESULT_BALLOON_CLICKED:
            return L"the balloon was clicked (or its popup was closed by a click)";
        case NTF_RESULT_BALLOON_TIMEOUT:
            return L"the balloon timed out (or its popup was closed by its close box or timer)";
        case NTF_RESULT_TRAY_ABORTED:
            return L"the tray session was aborted";
        default:
            return L"no balloon event";
        }
    }
    if (o.closeBox && !o.dialog)
        return code == NTF_RESULT_CLOSED_BY_BOX_OR_TIMER
                   ? L"closed by the close box or the timer"
                   : L"closed by a click on the body, a button or the list's confirm button";
    if (!o.list.empty() && !o.dialog)
        return code == 0xFFFF ? L"the list had nothing selected"
                              : L"list entry " + std::to_wstring(code) + L" chosen";
    std::vector<int> boxes;
    for (int i = 0; i < 4; ++i)
        if (code & (1u << i))
            boxes.push_back(i);
    std::wstring text = boxes.empty() ? L"no box ticked" : L"boxes ticked: " + Joined(boxes);
    for (int i = 0; i < 8; ++i)
        if (code & (0x100u << i))
            text += L"; button " + std::to_wstring(i) +
                    L" (pressed, or the default when the timer closed it)";
    return text;
}

const wchar_t* UsageText()
{
    return L"ntfshow: shows one notification through NtfObj.dll (from this program's folder).\n"
           L"\n"
           L"Popup or dialog:\n"
           L"  --heading TEXT        bold heading\n"
           L"  --body TEXT           body text\n"
           L"  --link-text TEXT      text of the hyperlink (needs --url)\n"
           L"  --url ADDRESS         address the link opens\n"
           L"  --checks A|B|...      check boxes (only the first four are reported)\n"
           L"  --check-mask N        boxes checked at the start (bit 0 = first box)\n"
           L"  --buttons A|B|...     a row of push buttons\n"
           L"  --button-mask N       default buttons (bit 0 = first button)\n"
           L"  --list A|B|...|OK     a drop-down list; its last item captions the confirm button\n"
           L"                        (makes the popup sticky)\n"
           L"  --close-box           a close button; results become 1000 / 1001\n"
           L"  --dialog              a modal dialog instead of the popup (waits)\n"
           L"  --wait                wait until the popup has closed and report its result\n"
           L"  --sticky              no auto-close timer, a body click does not close\n"
           L"  --delay MS            auto-close delay in ms (1 to 19999; larger values become "
           L"20000)\n"
           L"  --colors F,T,B,H,X    gradient from, gradient to, border, heading, body (0xBBGGRR)\n"
           L"  --icon KIND           corner icon: error, alert, info or warning (default)\n"
           L"  --flat                one-pixel border lines instead of 3-D edges\n"
           L"\n"
           L"Notification area:\n"
           L"  --tray-tip TEXT       put an icon with this tip in the notification area\n"
           L"  --balloon-title TEXT  balloon title\n"
           L"  --balloon-text TEXT   balloon text (waits for the balloon's end)\n"
           L"  --balloon-timeout MS  balloon display time, 10000 to 30000\n"
           L"\n"
           L"  --registered          create the object through CoCreateInstance (needs regsvr32)\n"
           L"  --screenshot FILE     once the notification is fully shown, save the screen as a "
           L"BMP\n"
           L"                        file and end (status 0; 65539 when the file cannot be "
           L"written)\n"
           L"  --version             the product version (the DLL's version resource has the "
           L"same)\n"
           L"  --help                this text\n"
           L"\n"
           L"With --wait, --dialog or a balloon the result code and its meaning are printed and "
           L"the\n"
           L"exit status is the result code. Bad arguments exit with 65537, a module that cannot "
           L"be\n"
           L"loaded or created with 65538; otherwise the exit status is 0.\n";
}
