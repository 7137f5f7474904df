// What a screen reader reads of a window's client area, through its accessible object.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

namespace accessible {

inline const IID kIID_IAccessible = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

inline VARIANT Self()
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = CHILDID_SELF;
    return v;
}

inline std::wstring Take(BSTR text)
{
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : L"<null>";
    SysFreeString(text);
    return result;
}

// What a reader reads of the client area of window.
struct Reading {
    std::wstring name, description, action, value;
    LONG role = 0;
    LONG childCount = 0;
    std::vector<std::wstring> childNames;
};

inline Reading Read(HWND window)
{
    Reading r;
    IAccessible* acc = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, kIID_IAccessible,
                                          reinterpret_cast<void**>(&acc))) ||
        !acc) {
        ADD_FAILURE() << "no accessible object";
        return r;
    }
    BSTR text = nullptr;
    acc->get_accName(Self(), &text);
    r.name = Take(text);
    text = nullptr;
    acc->get_accDescription(Self(), &text);
    r.description = Take(text);
    text = nullptr;
    acc->get_accDefaultAction(Self(), &text);
    r.action = Take(text);
    text = nullptr;
    acc->get_accValue(Self(), &text);
    r.value = Take(text);
    VARIANT role;
    VariantInit(&role);
    if (SUCCEEDED(acc->get_accRole(Self(), &role)) && role.vt == VT_I4)
        r.role = role.lVal;
    // The controls: the standard object counts them, and each answers with its own name, as a
    // reader meets it when it takes the focus.
    acc->get_accChildCount(&r.childCount);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        IAccessible* control = nullptr;
        if (FAILED(AccessibleObjectFromWindow(child, OBJID_CLIENT, kIID_IAccessible,
                                              reinterpret_cast<void**>(&control))) ||
            !control)
            continue;
        text = nullptr;
        control->get_accName(Self(), &text);
        r.childNames.push_back(Take(text));
        control->Release();
    }
    acc->Release();
    return r;
}

}  // namespace accessible
