// Registration for the user alone (DllInstall with "user", as regsvr32 /n /i:user calls it):
// the machine-wide class keys under HKEY_CURRENT_USER\Software\Classes and nothing under the
// machine's classes, the type library through oleaut32's per-user calls, and failures.
// Wine's RegisterTypeLibForUser registers for the machine, so where the type library lands is
// not asserted through regsvr32; the module's code linked into this program shows instead that
// the per-user call is the one made.
#include <gtest/gtest.h>
#include <windows.h>
#include <olectl.h>
#include <shlwapi.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "NtfObj.h"
#include "com/com_test_support.h"
#include "module/module_state.h"
#include "module/registration.h"

namespace {

const std::wstring kUserClasses = L"Software\\Classes\\";

// Every key and value below root\path, one line each, sorted: "sub\key" for a key and
// "sub\key|name=value" for a value ("@" for the default value); empty when the key is absent.
void CollectTree(HKEY root, const std::wstring& path, const std::wstring& relative,
                 std::vector<std::wstring>* lines)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    lines->push_back(relative);
    for (DWORD i = 0;; ++i) {
        wchar_t name[256], data[1024];
        DWORD nameSize = 256, dataSize = sizeof data, type = 0;
        if (RegEnumValueW(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data),
                          &dataSize) != ERROR_SUCCESS)
            break;
        const std::wstring value =
            type == REG_SZ ? std::wstring(data) : L"<type " + std::to_wstring(type) + L">";
        lines->push_back(relative + L"|" + (name[0] ? name : L"@") + L"=" + value);
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameSize = 256;
        if (RegEnumKeyExW(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        CollectTree(root, path + L"\\" + name, relative + L"\\" + name, lines);
    }
    RegCloseKey(key);
}

std::wstring KeyTree(HKEY root, const std::wstring& path)
{
    std::vector<std::wstring> lines;
    CollectTree(root, path, L".", &lines);
    std::sort(lines.begin(), lines.end());
    std::wstring tree;
    for (const std::wstring& line : lines) tree += line + L"\n";
    return tree;
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The three keys a registration leaves, under one classes key.
struct ClassesPlace {
    HKEY root;
    const wchar_t* name;
};
const ClassesPlace kUser = {HKEY_CURRENT_USER, L"the user's classes"};
const ClassesPlace kMachine = {HKEY_LOCAL_MACHINE, L"the machine's classes"};

std::wstring Under(const wchar_t* key)
{
    return kUserClasses + key;
}

void RemoveEveryRegistration()
{
    for (const ClassesPlace& place : {kUser, kMachine})
        for (const wchar_t* key : {kClsidKey, kTypeLibKey, kInterfaceKey})
            SHDeleteKeyW(place.root, Under(key).c_str());
}

// The class keys as machine-wide registration writes them, for the server at dll.
std::wstring ExpectedClassTree(const std::wstring& dll)
{
    return L".\n"
           L".\\InprocServer32\n"
           L".\\InprocServer32|@=" +
           dll +
           L"\n"
           L".\\InprocServer32|ThreadingModel=Apartment\n"
           L".|@=NtfObj\n";
}

// The user's class key, created if need be, that no one may open, write or delete while the
// object lives.
class LockedUserClassKey {
public:
    LockedUserClassKey()
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Under(kClsidKey).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        if (key)
            RegCloseKey(key);
        EXPECT_TRUE(SetKeyAccess(HKEY_CURRENT_USER, Under(kClsidKey), true));
        HKEY probe = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Under(kClsidKey).c_str(), 0, KEY_WRITE, &probe),
                  ERROR_ACCESS_DENIED);
    }
    ~LockedUserClassKey() { SetKeyAccess(HKEY_CURRENT_USER, Under(kClsidKey), false); }
    LockedUserClassKey(const LockedUserClassKey&) = delete;
    LockedUserClassKey& operator=(const LockedUserClassKey&) = delete;
};

DWORD Regsvr32With(const std::wstring& options, const std::wstring& dll)
{
    return RunProgram(L"regsvr32.exe /s " + options + L" \"" + dll + L"\"");
}

// The per-user registration through regsvr32, as a user without administrator rights runs it.
class UserRegsvr32 : public testing::Test {
protected:
    void SetUp() override
    {
        dll_ = BinFolder() + L"NtfObj.dll";
        RemoveEveryRegistration();
    }
    void TearDown() override { RemoveEveryRegistration(); }
    std::wstring dll_;
};

TEST_F(UserRegsvr32, RegistersTheClassForTheUserOnlyAndUnregistersIt)
{
    ASSERT_EQ(Regsvr32With(L"/n /i:user", dll_), 0u);
    EXPECT_EQ(KeyTree(HKEY_CURRENT_USER, Under(kClsidKey)), ExpectedClassTree(dll_));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Under(kClsidKey)))
        << "nothing of the class under the machine's classes";

    ASSERT_EQ(Regsvr32With(L"/u /n /i:User", dll_), 0u);
    for (const ClassesPlace& place : {kUser, kMachine})
        for (const wchar_t* key : {kClsidKey, kTypeLibKey, kInterfaceKey})
            EXPECT_FALSE(KeyExists(place.root, Under(key))) << key << " stays in " << place.name;
}

TEST_F(UserRegsvr32, ReportsAClassKeyThatCannotBeWrittenAsAFailure)
{
    {
        LockedUserClassKey lock;
        EXPECT_EQ(Regsvr32With(L"/n /i:user", dll_), 5u) << "regsvr32 /s: the function failed";
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Under(kClsidKey)));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Under(kClsidKey) + L"\\InprocServer32"));
}

using InstallExport = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);
using ServerExport = HRESULT(STDAPICALLTYPE*)();

template <typename F> F Export(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The built DLL loaded here, its registration exports called directly (no process to start).
class UserDllInstall : public testing::Test {
protected:
    void SetUp() override
    {
        dll_ = BinFolder() + L"NtfObj.dll";
        RemoveEveryRegistration();
        module_ = LoadLibraryW(dll_.c_str());
        ASSERT_NE(module_, nullptr);
        install_ = Export<InstallExport>(module_, "DllInstall");
        registerServer_ = Export<ServerExport>(module_, "DllRegisterServer");
        unregisterServer_ = Export<ServerExport>(module_, "DllUnregisterServer");
        ASSERT_NE(install_, nullptr);
        ASSERT_NE(registerServer_, nullptr);
        ASSERT_NE(unregisterServer_, nullptr);
        // What machine-wide registration writes, to compare with.
        ASSERT_EQ(registerServer_(), S_OK);
        machineTree_ = KeyTree(HKEY_LOCAL_MACHINE, Under(kClsidKey));
        ASSERT_EQ(unregisterServer_(), S_OK);
        ASSERT_EQ(machineTree_, ExpectedClassTree(dll_));
    }
    void TearDown() override
    {
        if (module_)
            FreeLibrary(module_);
        RemoveEveryRegistration();
    }

    std::wstring dll_, machineTree_;
    HMODULE module_ = nullptr;
    InstallExport install_ = nullptr;
    ServerExport registerServer_ = nullptr, unregisterServer_ = nullptr;
};

TEST_F(UserDllInstall, WritesWhatTheMachineGetsUnderTheUsersClassesAndLeavesTheMachinesAlone)
{
    ASSERT_EQ(registerServer_(), S_OK);
    for (const wchar_t* commandLine : {L"user", L"USER"}) {  // the second writes the same again
        EXPECT_EQ(install_(TRUE, commandLine), S_OK) << commandLine;
        EXPECT_EQ(KeyTree(HKEY_CURRENT_USER, Under(kClsidKey)), machineTree_) << commandLine;
    }
    EXPECT_EQ(install_(FALSE, L"uSeR"), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Under(kClsidKey)));
    EXPECT_EQ(KeyTree(HKEY_LOCAL_MACHINE, Under(kClsidKey)), machineTree_)
        << "the machine's registration stays";
}

TEST_F(UserDllInstall, AnyOtherCommandLineRegistersAndUnregistersForTheMachine)
{
    for (const wchar_t* commandLine : {static_cast<const wchar_t*>(nullptr), L"", L"users", L"use",
                                       L" user", L"/user", L"machine"}) {
        const std::wstring shown = commandLine ? L"\"" + std::wstring(commandLine) + L"\"" : L"null";
        EXPECT_EQ(install_(TRUE, commandLine), S_OK) << shown;
        EXPECT_EQ(KeyTree(HKEY_LOCAL_MACHINE, Under(kClsidKey)), machineTree_) << shown;
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Under(kTypeLibKey))) << shown;
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Under(kClsidKey))) << shown;
        EXPECT_EQ(install_(FALSE, commandLine), S_OK) << shown;
        for (const wchar_t* key : {kClsidKey, kTypeLibKey, kInterfaceKey})
            EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Under(key))) << shown << " " << key;
    }
}

TEST(UserCommandLine, OnlyUserInAnyCaseAsksForTheUser)
{
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"user", true},   {L"User", true},    {L"USER", true},    {L"uSeR", true},
        {nullptr, false},  {L"", false},       {L"use", false},    {L"users", false},
        {L" user", false}, {L"user ", false},  {L"/user", false},  {L"u", false},
    };
    for (const auto& [commandLine, forUser] : cases)
        EXPECT_EQ(InstallsForUser(commandLine), forUser)
            << (commandLine ? commandLine : L"(null)");
}

// The per-user type-library calls as the module's code makes them, recorded.
struct TypeLibraryCallRecord {
    bool present = true;    // false: a system without them (Windows XP)
    HRESULT answer = S_OK;  // what the per-user registration answers
    int registrations = 0, unregistrations = 0;
    GUID registeredLibrary = GUID_NULL, unregisteredLibrary = GUID_NULL;
    std::wstring registeredPath;
    WORD major = 0, minor = 0;
    LCID lcid = 0;
    SYSKIND syskind = SYS_WIN16;
};
TypeLibraryCallRecord record;

HRESULT STDAPICALLTYPE RecordRegistration(ITypeLib* library, OLECHAR* path, OLECHAR*)
{
    ++record.registrations;
    TLIBATTR* attributes = nullptr;
    if (library && SUCCEEDED(library->GetLibAttr(&attributes))) {
        record.registeredLibrary = attributes->guid;
        library->ReleaseTLibAttr(attributes);
    }
    record.registeredPath = path ? path : L"";
    return record.answer;
}

HRESULT STDAPICALLTYPE RecordUnregistration(REFGUID library, WORD major, WORD minor, LCID lcid,
                                            SYSKIND syskind)
{
    ++record.unregistrations;
    record.unregisteredLibrary = library;
    record.major = major;
    record.minor = minor;
    record.lcid = lcid;
    record.syskind = syskind;
    return S_OK;
}

UserTypeLibraryCalls RecordingCalls()
{
    if (!record.present)
        return {nullptr, nullptr};
    return {RecordRegistration, RecordUnregistration};
}

// The module's registration code linked into this program (the server is this program), with
// the per-user type-library calls recorded instead of made.
class UserTypeLibrary : public testing::Test {
protected:
    void SetUp() override
    {
        RemoveEveryRegistration();
        record = TypeLibraryCallRecord();
        userTypeLibraryCalls = RecordingCalls;
        serverDisabled = 0;
    }
    void TearDown() override
    {
        userTypeLibraryCalls = SystemUserTypeLibraryCalls;
        serverDisabled = 0;
        RemoveEveryRegistration();
    }
    static std::wstring ProgramShortPath()
    {
        wchar_t path[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, moduleShortPath, -1, path, MAX_PATH);
        return path;
    }
};

TEST_F(UserTypeLibrary, IsRegisteredAndUnregisteredThroughThePerUserCalls)
{
    struct Case {
        const char* what;
        bool present;
        HRESULT answer, registered;
    };
    const Case cases[] = {
        {"the per-user calls succeed", true, S_OK, S_OK},
        {"the per-user registration fails", true, TYPE_E_REGISTRYACCESS, SELFREG_E_TYPELIB},
        {"the system lacks the per-user calls", false, S_OK, SELFREG_E_TYPELIB},
    };
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        record = TypeLibraryCallRecord();
        record.present = c.present;
        record.answer = c.answer;
        serverDisabled = 0;

        EXPECT_EQ(DllInstall(TRUE, L"user"), c.registered);
        EXPECT_EQ(KeyTree(HKEY_CURRENT_USER, Under(kClsidKey)), ExpectedClassTree(program))
            << "the class keys are written whatever the type library does";
        EXPECT_EQ(record.registrations, c.present ? 1 : 0);
        if (c.present) {
            EXPECT_TRUE(IsEqualGUID(record.registeredLibrary, LIBID_COMOBJLib));
            EXPECT_EQ(record.registeredPath, ProgramShortPath());
        }
        for (const wchar_t* key : {kClsidKey, kTypeLibKey, kInterfaceKey})
            EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Under(key)))
                << key << ": the machine-wide call was made";

        EXPECT_EQ(DllInstall(FALSE, L"user"), S_OK);
        EXPECT_EQ(record.unregistrations, c.present ? 1 : 0);
        if (c.present) {
            EXPECT_TRUE(IsEqualGUID(record.unregisteredLibrary, LIBID_COMOBJLib));
            EXPECT_EQ(record.major, 1);
            EXPECT_EQ(record.minor, 0);
            EXPECT_EQ(record.lcid, 0x409u);
            EXPECT_EQ(record.syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
        }
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Under(kClsidKey)));
        EXPECT_EQ(static_cast<LONG>(serverDisabled), 1) << "unregistering switches dispatching off";
    }
}

TEST_F(UserTypeLibrary, AClassKeyThatCannotBeWrittenOrDeletedIsAFailureAndTouchesNothingElse)
{
    {
        LockedUserClassKey lock;
        EXPECT_EQ(DllInstall(TRUE, L"user"), SELFREG_E_CLASS);
        EXPECT_EQ(record.registrations, 0) << "the type library is not registered without its class";
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Under(kClsidKey)));
    }
    ASSERT_EQ(DllInstall(TRUE, L"user"), S_OK);
    // What the per-user call writes on Windows; it must stay while the class stays.
    HKEY library = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Under(kTypeLibKey).c_str(), 0, nullptr, 0,
                              KEY_WRITE, nullptr, &library, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(library);
    {
        LockedUserClassKey lock;
        EXPECT_EQ(DllInstall(FALSE, L"user"), SELFREG_E_CLASS);
        EXPECT_EQ(record.unregistrations, 0);
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Under(kTypeLibKey)));
        EXPECT_EQ(static_cast<LONG>(serverDisabled), 0) << "a failed unregistration switched dispatching off";
    }
    EXPECT_EQ(DllInstall(FALSE, L"user"), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Under(kClsidKey)));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Under(kTypeLibKey)));
}

}  // namespace
