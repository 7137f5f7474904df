// A C++ host that needs no registration at all: its manifest (regfree_host.exe.manifest,
// beside the program) names the NtfObj assembly, so CoCreateInstance finds the class in
// NtfObj.manifest and loads NtfObj.dll from the program's folder (or from a folder NtfObj
// beside it). Copy NtfObj.dll and NtfObj.manifest of the program's architecture there; the
// version in the program's manifest must be NtfObj.manifest's exactly.
// Build: x86_64-w64-mingw32-g++ -I../include regfree_host.cpp -o regfree_host.exe -lole32
// -loleaut32 -luuid
#include <windows.h>
#include <cstdio>

#include "NtfObj.h"

int main()
{
    CoInitialize(nullptr);
    IAxObj* ntf = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_NtfObj, nullptr, CLSCTX_INPROC_SERVER, IID_IAxObj,
                                  reinterpret_cast<void**>(&ntf));
    if (FAILED(hr)) {
        std::printf("NtfObj cannot be created (0x%08lX): are NtfObj.dll and NtfObj.manifest "
                    "beside this program, and does its manifest name NtfObj's version?\n",
                    static_cast<unsigned long>(hr));
        CoUninitialize();
        return 1;
    }

    short ignored = 0;
    BSTR buttons = SysAllocString(L"Install now|Later");
    ntf->SetButtonInfo(buttons, 0x0001, &ignored);  // first button is the default
    BSTR heading = SysAllocString(L"No registration");
    BSTR body = SysAllocString(L"This program found NtfObj through its manifest alone.");
    short result = 0;
    ntf->Action(heading, body, nullptr, nullptr, 0, NTF_STYLE_WAIT | NTF_STYLE_ICON_INFO, &result);

    const unsigned short code = static_cast<unsigned short>(result);
    std::printf("result 0x%04X:", code);
    for (int button = 0; button < 8; ++button)
        if (code & (0x100u << button))
            std::printf(" button %d;", button);
    if (code == NTF_RESULT_CLOSED_BY_BOX_OR_TIMER)
        std::printf(" closed by the close box or the timer;");
    std::printf("\n");

    SysFreeString(buttons);
    SysFreeString(heading);
    SysFreeString(body);
    ntf->Release();
    CoUninitialize();
    return 0;
}
