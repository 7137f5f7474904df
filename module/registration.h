// Self-registration, and the switch that unregistering throws in every process.
#pragma once
#include <windows.h>

// 1 once any process has unregistered the server: every Invoke in every process that has
// the module loaded then returns S_FALSE. It lives in a 4-byte section shared by all of them.
extern volatile LONG serverDisabled;

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer();
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer();

// The registry form of a GUID ("{...}", upper case) in ANSI; false when it cannot be made.
bool GuidRegistryText(REFGUID guid, char* text, int size);

// DllRegisterServer's and DllUnregisterServer's answer: SELFREG_E_CLASS when the class keys
// could not be written (or deleted), SELFREG_E_TYPELIB when only the type library's part
// failed, S_OK otherwise.
HRESULT RegistrationResult(bool classDone, bool typeLibraryDone);
// Whether SHDeleteKey's result leaves the key gone: deleted, or not there in the first place.
bool UnregistrationSucceeded(LONG deleteResult);
