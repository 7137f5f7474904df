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
    unsigned long long v = std::wcstoull(text.c_str(), &end, 0);   // decimal or 0x...
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
        std::wstring item = text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
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

}  // namespace

bool ParseShowOptions(const std::vector<std::wstring>& args, ShowOptions* o, std::wstring* error)
{
    *o = ShowOptions();
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        auto value = [&](std::wstring* out) {
            if (i + 1 >= args.size()) {
                *error = a + L" needs a value";
                return false;
            }
            *out = args[++i];
            return true;
        };
        auto number = [&](unsigned long max, unsigned long* out) {
            std::wstring text;
            if (!value(&text))
                return false;
            if (!ParseNumber(text, max, out)) {
                *error = a + L": not a number from 0 to " + std::to_wstring(max) + L": " + text;
                return false;
            }
            return true;
        };
        unsigned long n = 0;
        bool ok = true;
        if (a == L"--help" || a == L"-h" || a == L"/?") o->help = true;
        else if (a == L"--version") o->version = true;
        else if (a == L"--heading") ok = value(&o->heading);
        else if (a == L"--body") ok = value(&o->body);
        else if (a == L"--link-text") ok = value(&o->linkText);
        else if (a == L"--url") ok = value(&o->url);
        else if (a == L"--checks") ok = value(&o->checks);
        else if (a == L"--check-mask") { ok = number(0xFFFF, &n); o->checkMask = static_cast<int>(n); }
        else if (a == L"--buttons") ok = value(&o->buttons);
        else if (a == L"--button-mask") { ok = number(0xFFFF, &n); o->buttonMask = static_cast<int>(n); }
        else if (a == L"--list") ok = value(&o->list);
        else if (a == L"--close-box") o->closeBox = true;
        else if (a == L"--dialog") o->dialog = true;
        else if (a == L"--wait") o->wait = true;
        else if (a == L"--sticky") o->sticky = true;
        else if (a == L"--flat") o->flat = true;
        else if (a == L"--delay") ok = number(0xFFFFFFFFul, &o->delayMs);
        else if (a == L"--registered") o->registered = true;
        else if (a == L"--screenshot") ok = value(&o->screenshot);
        else if (a == L"--colors") {
            std::wstring text;
            ok = value(&text);
            if (ok && !(ok = ParseColors(text, o->colors)))
                *error = L"--colors wants five colours 0xBBGGRR separated by commas: " + text;
            o->haveColors = ok;
        }
        else if (a == L"--icon") {
            std::wstring kind;
            ok = value(&kind);
            if (!ok) {}
            else if (kind == L"error") o->iconStyle = NTF_STYLE_ICON_ERROR;
            else if (kind == L"alert") o->iconStyle = NTF_STYLE_ICON_ALERT;
            else if (kind == L"info") o->iconStyle = NTF_STYLE_ICON_INFO;
            else if (kind == L"warning") o->iconStyle = 0;
            else { *error = L"--icon wants error, alert, info or warning: " + kind; ok = false; }
        }
        else if (a == L"--tray-tip") { o->tray = true; ok = value(&o->tip); }
        else if (a == L"--balloon-title") { o->balloon = true; ok = value(&o->balloonTitle); }
        else if (a == L"--balloon-text") { o->balloon = true; ok = value(&o->balloonText); }
        else if (a == L"--balloon-timeout") { o->balloon = true; ok = number(0xFFFFFFFFul, &o->balloonTimeoutMs); }
        else { *error = L"unknown argument: " + a; ok = false; }
        if (!ok)
            return false;
    }
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

long StyleForOptions(const ShowOptions& o)
{
    long style = o.iconStyle;
    if (o.dialog) style |= NTF_STYLE_DIALOG;
    if (o.closeBox) style |= NTF_STYLE_CLOSEBOX;
    if (o.wait) style |= NTF_STYLE_WAIT;
    if (o.sticky) style |= NTF_STYLE_STICKY;
    if (o.flat) style |= NTF_STYLE_FLATBORDER;
    return style;
}

std::wstring DescribeResult(unsigned short code, const ShowOptions& o)
{
    if (o.tray || o.balloon) {
        switch (code) {
        case NTF_RESULT_BALLOON_CLICKED: return L"the balloon was clicked (or its popup was closed by a click)";
        case NTF_RESULT_BALLOON_TIMEOUT: return L"the balloon timed out (or its popup was closed by its close box or timer)";
        case NTF_RESULT_TRAY_ABORTED: return L"the tray session was aborted";
        default: return L"no balloon event";
        }
    }
    if (o.closeBox && !o.dialog)
        return code == NTF_RESULT_CLOSED_BY_BOX_OR_TIMER ? L"closed by the close box or the timer"
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
            text += L"; button " + std::to_wstring(i) + L" (pressed, or the default when the timer closed it)";
    return text;
}

const wchar_t* UsageText()
{
    return
        L"ntfshow: shows one notification through NtfObj.dll (from this program's folder).\n"
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
        L"  --delay MS            auto-close delay in ms (1 to 19999; larger values become 20000)\n"
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
        L"  --screenshot FILE     once the notification is fully shown, save the screen as a BMP\n"
        L"                        file and end (status 0; 65539 when the file cannot be written)\n"
        L"  --version             the product version (the DLL's version resource has the same)\n"
        L"  --help                this text\n"
        L"\n"
        L"With --wait, --dialog or a balloon the result code and its meaning are printed and the\n"
        L"exit status is the result code. Bad arguments exit with 65537, a module that cannot be\n"
        L"loaded or created with 65538; otherwise the exit status is 0.\n";
}
