// The unpacked release archive as a user has it: every packaged file carries the project's
// version, and each packaged ntfshow shows a notification through the DLL beside it, first
// without registration and then through the server that the matching regsvr32 registered.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "support/child_process.h"

namespace {

// The archive's folder, given as a path of the build machine (Wine's Z: drive).
std::wstring Packaged(const wchar_t* relative)
{
    std::wstring path = L"Z:";
    for (const char* c = NTF_PACKAGE_FOLDER; *c; ++c)
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return path + L"\\" + relative;
}

std::wstring Widen(const char* text)
{
    return std::wstring(text, text + std::strlen(text));
}

struct FileVersion {
    WORD numbers[4];
    std::wstring fileVersion, productVersion;
};

// The version resource of a packaged file, numbers and texts, in the language it declares.
bool ReadFileVersion(const std::wstring& path, FileVersion* out)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return false;
    std::string data(size, '\0');
    if (!GetFileVersionInfoW(path.c_str(), 0, size, &data[0]))
        return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(&data[0], L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
        return false;
    out->numbers[0] = HIWORD(fixed->dwFileVersionMS);
    out->numbers[1] = LOWORD(fixed->dwFileVersionMS);
    out->numbers[2] = HIWORD(fixed->dwFileVersionLS);
    out->numbers[3] = LOWORD(fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS) << path;
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS) << path;
    WORD* translation = nullptr;
    if (!VerQueryValueW(&data[0], L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
        length < 4)
        return false;
    wchar_t block[64];
    for (auto [name, text] : {std::pair{L"FileVersion", &out->fileVersion},
                              {L"ProductVersion", &out->productVersion}}) {
        swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1],
                 name);
        wchar_t* value = nullptr;
        *text = VerQueryValueW(&data[0], block, reinterpret_cast<void**>(&value), &length) && value
                    ? value
                    : L"";
    }
    return true;
}

TEST(PackageVersion, EveryPackagedFileAndNtfshowSayTheProjectVersion)
{
    // The project's version, major.minor.patch.tweak with absent parts 0.
    WORD expected[4] = {};
    unsigned parts[4] = {};
    const int given =
        std::sscanf(NTF_PROJECT_VERSION, "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]);
    ASSERT_GE(given, 2);
    for (int i = 0; i < 4; ++i) expected[i] = static_cast<WORD>(parts[i]);
    const std::wstring text = Widen(NTF_PROJECT_VERSION);

    for (const wchar_t* file :
         {L"x86\\NtfObj.dll", L"x64\\NtfObj.dll", L"x86\\ntfshow.exe", L"x64\\ntfshow.exe"}) {
        FileVersion version = {};
        ASSERT_TRUE(ReadFileVersion(Packaged(file), &version))
            << "no version resource in " << Packaged(file);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(version.numbers[i], expected[i]) << file << " part " << i;
        EXPECT_EQ(version.fileVersion, text) << file;
        EXPECT_EQ(version.productVersion, text) << file;
    }

    ChildRun run = RunChild(L"\"" + Packaged(L"x64\\ntfshow.exe") + L"\" --version");
    EXPECT_EQ(run.exitCode, 0u);
    while (!run.output.empty() && (run.output.back() == '\n' || run.output.back() == '\r'))
        run.output.pop_back();
    EXPECT_EQ(run.output, "ntfshow " NTF_PROJECT_VERSION);
}

std::string ReadWholeFile(const std::wstring& path)
{
    std::string text;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
    CloseHandle(file);
    return text;
}

// The value of attribute in the first <element ...> of xml at or after from; "<none>" if absent.
std::string Attribute(const std::string& xml, const char* element, const char* attribute,
                      size_t from = 0)
{
    const size_t start = xml.find(std::string("<") + element + " ", from);
    if (start == std::string::npos)
        return "<none>";
    const std::string tag = xml.substr(start, xml.find('>', start) - start);
    const std::string key = std::string(" ") + attribute + "=\"";
    const size_t at = tag.find(key);
    if (at == std::string::npos)
        return "<none>";
    const size_t value = at + key.size();
    return tag.substr(value, tag.find('"', value) - value);
}

// The library identifier of a packaged DLL's type library, in registry form.
std::string TypeLibraryId(const std::wstring& dll)
{
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLibEx(dll.c_str(), REGKIND_NONE, &library)))
        return "<no type library>";
    TLIBATTR* attributes = nullptr;
    wchar_t text[64] = {};
    if (SUCCEEDED(library->GetLibAttr(&attributes))) {
        StringFromGUID2(attributes->guid, text, 64);
        library->ReleaseTLibAttr(attributes);
    }
    library->Release();
    return std::string(text, text + lstrlenW(text));
}

// Registration-free activation goes by the manifests: each DLL's names the project's version
// (all four parts: a program's dependency must match it exactly), its architecture and the
// DLL's own type library; the sample host's dependency names the same version.
TEST(PackageVersion, TheAssemblyManifestsSayTheProjectVersion)
{
    unsigned parts[4] = {};
    ASSERT_GE(std::sscanf(NTF_PROJECT_VERSION, "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2],
                          &parts[3]),
              2);
    char version[64];
    std::snprintf(version, sizeof version, "%u.%u.%u.%u", parts[0], parts[1], parts[2], parts[3]);

    for (auto [folder, architecture] : {std::pair{L"x86", "x86"}, {L"x64", "amd64"}}) {
        const std::wstring base = Packaged(folder);
        const std::string manifest = ReadWholeFile(base + L"\\NtfObj.manifest");
        ASSERT_FALSE(manifest.empty()) << "no NtfObj.manifest in " << architecture;
        EXPECT_EQ(Attribute(manifest, "assemblyIdentity", "type"), "win32");
        EXPECT_EQ(Attribute(manifest, "assemblyIdentity", "name"), "NtfObj");
        EXPECT_EQ(Attribute(manifest, "assemblyIdentity", "version"), version) << architecture;
        EXPECT_EQ(Attribute(manifest, "assemblyIdentity", "processorArchitecture"), architecture);
        EXPECT_EQ(Attribute(manifest, "file", "name"), "NtfObj.dll");
        EXPECT_EQ(Attribute(manifest, "comClass", "clsid"), "{ABEC6103-F6AC-43A3-834F-FB03FBA339A2}");
        EXPECT_EQ(Attribute(manifest, "comClass", "threadingModel"), "Apartment");
        const std::string library = TypeLibraryId(base + L"\\NtfObj.dll");
        EXPECT_EQ(Attribute(manifest, "comClass", "tlbid"), library) << architecture;
        EXPECT_EQ(Attribute(manifest, "typelib", "tlbid"), library) << architecture;
    }

    const std::string host = ReadWholeFile(Packaged(L"examples\\regfree_host.exe.manifest"));
    const size_t dependency = host.find("<dependentAssembly>");
    ASSERT_NE(dependency, std::string::npos) << "the sample host's manifest names no dependency";
    EXPECT_EQ(Attribute(host, "assemblyIdentity", "name", dependency), "NtfObj");
    EXPECT_EQ(Attribute(host, "assemblyIdentity", "version", dependency), version);
}

// One architecture of the archive: its folder, the regsvr32 of that architecture and the
// registry view its registration lands in.
struct Arch {
    const wchar_t* folder;
    const wchar_t* regsvr32;
    REGSAM view;
};

std::wstring InprocServer(REGSAM view)
{
    wchar_t value[MAX_PATH * 2] = {};
    DWORD size = sizeof value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT,
                      L"CLSID\\{ABEC6103-F6AC-43A3-834F-FB03FBA339A2}\\InprocServer32", 0,
                      KEY_READ | view, &key) != ERROR_SUCCESS)
        return L"<missing>";
    const LONG status =
        RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? value : L"<missing>";
}

class PackagedHost : public testing::TestWithParam<Arch> {
protected:
    std::wstring Dll() const
    {
        return Packaged((std::wstring(GetParam().folder) + L"\\NtfObj.dll").c_str());
    }
    ChildRun Ntfshow(const std::wstring& arguments) const
    {
        return RunChild(L"\"" +
                        Packaged((std::wstring(GetParam().folder) + L"\\ntfshow.exe").c_str()) +
                        L"\" " + arguments);
    }
    DWORD Regsvr32(const wchar_t* options) const
    {
        return RunChild(std::wstring(GetParam().regsvr32) + L" /s " + options + L"\"" + Dll() +
                        L"\"")
            .exitCode;
    }
};

// A waited popup closed by its 1 ms timer reports its pre-checked box: the code went from the
// DLL through ntfshow to its exit status.
const wchar_t kShowAndWait[] =
    L"--heading Package --body body --checks A|B --check-mask 2 --wait --delay 1";

TEST_P(PackagedHost, ShowsThroughTheDllBesideItWithoutRegistration)
{
    Regsvr32(L"/u ");
    ChildRun run = Ntfshow(kShowAndWait);
    EXPECT_EQ(run.exitCode, 2u) << run.output;
    EXPECT_NE(run.output.find("result 2 (0x0002): boxes ticked: 1"), std::string::npos)
        << run.output;
}

TEST_P(PackagedHost, ShowsThroughTheServerItsRegsvr32Registered)
{
    // Not registered: CoCreateInstance finds no server.
    ASSERT_EQ(Regsvr32(L"/u "), 0u);
    EXPECT_EQ(InprocServer(GetParam().view), L"<missing>");
    ChildRun run = Ntfshow(std::wstring(L"--registered ") + kShowAndWait);
    EXPECT_EQ(run.exitCode, 0x10002u) << run.output;

    ASSERT_EQ(Regsvr32(L""), 0u);
    EXPECT_EQ(lstrcmpiW(InprocServer(GetParam().view).c_str(), Dll().c_str()), 0)
        << InprocServer(GetParam().view).c_str();
    run = Ntfshow(std::wstring(L"--registered ") + kShowAndWait);
    EXPECT_EQ(run.exitCode, 2u) << run.output;
    EXPECT_NE(run.output.find("result 2 (0x0002): boxes ticked: 1"), std::string::npos)
        << run.output;

    // Leaves the prefix without this registration, as it found it.
    EXPECT_EQ(Regsvr32(L"/u "), 0u);
    EXPECT_EQ(InprocServer(GetParam().view), L"<missing>");
}

// x86 runs only where the machine runs 32-bit programs (its ctest entry says when it skips).
INSTANTIATE_TEST_SUITE_P(
    Archive, PackagedHost,
    // The 64-bit system folder is "sysnative" to a 32-bit program.
    testing::Values(Arch{L"x64",
                         sizeof(void*) == 8 ? L"C:\\windows\\system32\\regsvr32.exe"
                                            : L"C:\\windows\\sysnative\\regsvr32.exe",
                         KEY_WOW64_64KEY},
                    Arch{L"x86", L"C:\\windows\\syswow64\\regsvr32.exe", KEY_WOW64_32KEY}),
    [](const testing::TestParamInfo<Arch>& info) {
        return std::string(info.param.folder[1] == L'6' ? "x64" : "x86");
    });

}  // namespace
