// Functions of user32 that newer Windows versions have and older ones lack: looked up at run
// time, so that the module still loads where they are missing.
#pragma once

#include <windows.h>

// The function `name` of the loaded user32, typed as Fn, or null where this system lacks it.
template <class Fn> Fn User32Function(const char* name)
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                  : nullptr;
}
