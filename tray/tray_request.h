// The host's tray request record: 928 bytes at fixed offsets, the same on both builds.
#pragma once
#include <windows.h>
#include <cstddef>

#pragma pack(push, 4)
struct TrayRequest {
    BYTE reserved[8];
    DWORD icon;               // icon handle; 32 bits on both builds
    char tip[128];
    char title[128];
    char text[260];
    char url[260];
    char urlDisplay[128];
    DWORD timeoutMs;
    DWORD balloonRequested;
    DWORD abort;
};
#pragma pack(pop)

static_assert(sizeof(TrayRequest) == 928, "TrayRequest is a 928-byte binary contract");
static_assert(offsetof(TrayRequest, icon) == 8, "icon");
static_assert(offsetof(TrayRequest, tip) == 12, "tip");
static_assert(offsetof(TrayRequest, title) == 140, "title");
static_assert(offsetof(TrayRequest, text) == 268, "text");
static_assert(offsetof(TrayRequest, url) == 528, "url");
static_assert(offsetof(TrayRequest, urlDisplay) == 788, "urlDisplay");
static_assert(offsetof(TrayRequest, timeoutMs) == 916, "timeoutMs");
static_assert(offsetof(TrayRequest, balloonRequested) == 920, "balloonRequested");
static_assert(offsetof(TrayRequest, abort) == 924, "abort");
