// Command line of ntfshow: what to show, parsed from the arguments without touching the module.
#pragma once
#include <string>
#include <vector>

struct ShowOptions {
    std::wstring heading, body, linkText, url;
    std::wstring checks, buttons, list;
    int checkMask = 0, buttonMask = 0;
    bool closeBox = false, dialog = false, wait = false, flat = false, sticky = false;
    unsigned long delayMs = 0;  // 0: keep the module's delay
    bool haveColors = false;
    unsigned long colors[5] = {};  // gradient from, gradient to, border, heading, body
    long iconStyle = 0;            // one of the corner-icon style bits, or 0
    bool registered = false;       // create through CoCreateInstance
    // Tray forms.
    bool tray = false, balloon = false;
    std::wstring tip, balloonTitle, balloonText;
    unsigned long balloonTimeoutMs = 10000;
    std::wstring screenshot;  // save the screen there once shown, then end
    bool help = false;
    bool version = false;  // print the product version and end
};

// Parses argv (without the program name). Returns false with a message for bad arguments.
bool ParseShowOptions(const std::vector<std::wstring>& args, ShowOptions* options,
                      std::wstring* error);

// The style word Action receives for these options.
long StyleForOptions(const ShowOptions& options);

// What a result code says for the notification these options describe.
std::wstring DescribeResult(unsigned short code, const ShowOptions& options);

// The --help text.
const wchar_t* UsageText();

// Exit statuses beside the 16-bit result codes.
enum : unsigned long {
    kExitBadArguments = 0x10001,
    kExitNoModule = 0x10002,
    kExitNoScreenshot = 0x10003,
};
