// Self-registration, for the machine or for the user, and the switch that unregistering throws
// in every process.
#pragma once
#include <windows.h>
#include <oleauto.h>

// 1 once any process has unregistered the server: every Invoke in every process that has
// the module loaded then returns S_FALSE. It lives in a 4-byte section shared by all of them.
extern volatile LONG serverDisabled;

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer();
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer();
// With the command line "user" (any case) registers or unregisters under
// HKEY_CURRENT_USER\Software\Classes, else does what DllRegisterServer / DllUnregisterServer do.
extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR commandLine);

// The registry form of a GUID ("{...}", upper case) in ANSI; false when it cannot be made.
bool GuidRegistryText(REFGUID guid, char* text, int size);

// DllRegisterServer's and DllUnregisterServer's answer: SELFREG_E_CLASS when the class keys
// could not be written (or deleted), SELFREG_E_TYPELIB when only the type library's part
// failed, S_OK otherwise.
HRESULT RegistrationResult(bool classDone, bool typeLibraryDone);
// Whether SHDeleteKey's result leaves the key gone: deleted, or not there in the first place.
bool UnregistrationSucceeded(LONG deleteResult);
// Whether DllInstall's command line asks for the user's registration: "user" in any case.
bool InstallsForUser(const wchar_t* commandLine);

// oleaut32's per-user type-library calls. Windows XP lacks them, so they are looked up when
// used, never imported (the module must still load there); a null one is missing.
using RegisterTypeLibForUserCall = HRESULT(STDAPICALLTYPE*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnRegisterTypeLibForUserCall = HRESULT(STDAPICALLTYPE*)(REFGUID, WORD, WORD, LCID, SYSKIND);
struct UserTypeLibraryCalls {
    RegisterTypeLibForUserCall registerForUser;
    UnRegisterTypeLibForUserCall unregisterForUser;
};
// The system's, looked up in the loaded oleaut32.
UserTypeLibraryCalls SystemUserTypeLibraryCalls();
// Where the user's registration takes them from: the system's; tests put their own in to see
// which call is made.
extern UserTypeLibraryCalls (*userTypeLibraryCalls)();
