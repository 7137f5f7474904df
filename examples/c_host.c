/* An early-bound C host: the same object through its interface table (lpVtbl).
   Build: x86_64-w64-mingw32-gcc -I../include c_host.c -lole32 -loleaut32 -luuid */
#include <windows.h>
#include <stdio.h>

#include "NtfObj.h"

int main(void)
{
    IAxObj* ntf = NULL;
    BSTR heading, body;
    short result = 0;
    HRESULT hr;

    CoInitialize(NULL);
    hr = CoCreateInstance(&CLSID_NtfObj, NULL, CLSCTX_INPROC_SERVER, &IID_IAxObj, (void**)&ntf);
    if (FAILED(hr)) {
        printf("NtfObj is not registered (0x%08lX)\n", (unsigned long)hr);
        return 1;
    }
    ntf->lpVtbl->TimeInterval(ntf, 5000);
    heading = SysAllocString(L"Backup");
    body = SysAllocString(L"The nightly backup has finished.");
    ntf->lpVtbl->Action(ntf, heading, body, NULL, NULL, 0, NTF_STYLE_WAIT | NTF_STYLE_CLOSEBOX,
                        &result);
    printf("result %d: %s\n", result,
           result == 1000 ? "closed by the close box or the timer" : "closed by a click");
    SysFreeString(heading);
    SysFreeString(body);
    ntf->lpVtbl->Release(ntf);
    CoUninitialize();
    return 0;
}
