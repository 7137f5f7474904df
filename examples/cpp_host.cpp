// An early-bound C++ host: creates the registered NtfObj, sets every kind of option and waits
// for the popup to close. Build: x86_64-w64-mingw32-g++ -I../include cpp_host.cpp -lole32
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
        std::printf("NtfObj is not registered (0x%08lX)\n", static_cast<unsigned long>(hr));
        return 1;
    }

    short ignored = 0;
    BSTR checks = SysAllocString(L"Remember me|Send a copy");
    BSTR buttons = SysAllocString(L"Accept|Decline");
    ntf->SetCheckInfo(checks, 0x0001, &ignored);    // first box ticked at the start
    ntf->SetButtonInfo(buttons, 0x0001, &ignored);  // first button is the default
    ntf->TimeInterval(8000);
    ntf->SetColor(0x00F0E0D0, 0x00FFFFFF, 0x00C08040, 0x00802000, 0x00000000);

    BSTR heading = SysAllocString(L"Invitation");
    BSTR body = SysAllocString(L"Join the project review at three o'clock.");
    short result = 0;
    ntf->Action(heading, body, nullptr, nullptr, 0,
                NTF_STYLE_WAIT | NTF_STYLE_ICON_INFO | NTF_STYLE_FLATBORDER, &result);

    unsigned short code = static_cast<unsigned short>(result);
    std::printf("result 0x%04X:", code);
    for (int box = 0; box < 4; ++box)
        if (code & (1u << box))
            std::printf(" box %d ticked;", box);
    for (int button = 0; button < 8; ++button)
        if (code & (0x100u << button))
            std::printf(" button %d;", button);
    std::printf("\n");

    SysFreeString(checks);
    SysFreeString(buttons);
    SysFreeString(heading);
    SysFreeString(body);
    ntf->Release();
    CoUninitialize();
    return 0;
}
