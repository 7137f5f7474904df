/* A C host: the object reached early-bound through the public header's table. It returns 0
   when every call answered as expected, else the line of the first that did not. */
#include "NtfObj.h"

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition))                                                                          \
            return __LINE__;                                                                       \
    } while (0)

int RunCHost(void)
{
    IClassFactory* factory = NULL;
    IAxObj* object = NULL;
    IUnknown* unknown = NULL;
    BSTR list = SysAllocString(L"c1|c2");
    short ret = -1;
    UINT count = 9;

    CHECK(DllGetClassObject(&CLSID_NtfObj, &IID_IClassFactory, (void**)&factory) == S_OK);
    CHECK(factory->lpVtbl->CreateInstance(factory, NULL, &IID_IAxObj, (void**)&object) == S_OK);
    factory->lpVtbl->Release(factory);

    CHECK(object->lpVtbl->QueryInterface(object, &IID_IAxObj2, (void**)&unknown) == S_OK);
    CHECK((void*)unknown == (void*)object);
    CHECK(object->lpVtbl->Release(object) == 1);
    CHECK(object->lpVtbl->GetTypeInfoCount(object, &count) == E_NOINTERFACE && count == 9);

    CHECK(object->lpVtbl->SetCheckInfo(object, list, 3, &ret) == S_OK && ret == 0);
    ret = -1;
    CHECK(object->lpVtbl->SetButtonInfo(object, list, 4, &ret) == S_OK && ret == 0);
    ret = -1;
    CHECK(object->lpVtbl->SetComboxInfo(object, list, 5, &ret) == S_OK && ret == 0);
    CHECK(object->lpVtbl->TimeInterval(object, 12345) == S_OK);
    CHECK(object->lpVtbl->SetColor(object, 1, 2, 3, 4, 5) == S_OK);
    CHECK(object->lpVtbl->SetAppIcon(object, (HICON)(LONG_PTR)0x4321) == S_OK);
    ret = -1;
    CHECK(object->lpVtbl->SetTrayIcon(object, NULL, &ret) == S_OK && ret == 7);
    ret = -1;
    CHECK(object->lpVtbl->ShowUpdateBalloon(object, NULL, &ret) == S_OK && ret == 7);
    ret = -1;
    CHECK(object->lpVtbl->Action(object, NULL, NULL, NULL, NULL, 0x99, 0, &ret) == S_OK &&
          ret == 7);

    CHECK(object->lpVtbl->Release(object) == 0);
    SysFreeString(list);
    return 0;
}
