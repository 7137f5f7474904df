// The registration-free sample host, laid out in folders of its own as a user would copy it, in
// a prefix where the class is registered nowhere: with its manifest and NtfObj's assembly it
// creates the object and gets the popup's result code; without them it fails cleanly.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <cstring>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/child_process.h"

namespace {

const wchar_t kClassKey[] = L"CLSID\\{ABEC6103-F6AC-43A3-834F-FB03FBA339A2}";

// One layout: the files copied from the build folder, each to a path below the case's folder.
struct Layout {
    const char* name;
    std::vector<std::pair<const wchar_t*, const wchar_t*>> files;  // built file, copied as
};
void PrintTo(const Layout& layout, std::ostream* out)
{
    *out << layout.name;
}

class RegistrationFreeHost : public testing::TestWithParam<Layout> {
protected:
    void SetUp() override
    {
        // No registration anywhere: not for the machine, not for the user.
        SHDeleteKeyW(HKEY_CLASSES_ROOT, kClassKey);
        SHDeleteKeyW(HKEY_CURRENT_USER, (std::wstring(L"Software\\Classes\\") + kClassKey).c_str());
        HKEY key = nullptr;
        ASSERT_NE(RegOpenKeyExW(HKEY_CLASSES_ROOT, kClassKey, 0, KEY_READ, &key), ERROR_SUCCESS);

        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"NtfObj without registration " +
                  std::wstring(GetParam().name, GetParam().name + strlen(GetParam().name));
        CreateDirectoryW(folder_.c_str(), nullptr);
        CreateDirectoryW((folder_ + L"\\NtfObj").c_str(), nullptr);
        for (const auto& [built, copied] : GetParam().files) {
            const std::wstring target = folder_ + L"\\" + copied;
            ASSERT_TRUE(CopyFileW((BinFolder() + built).c_str(), target.c_str(), FALSE))
                << "cannot copy " << built;
            copies_.push_back(target);
        }
    }
    void TearDown() override
    {
        for (const std::wstring& copy : copies_) DeleteFileW(copy.c_str());
        RemoveDirectoryW((folder_ + L"\\NtfObj").c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    std::wstring Host() const { return L"\"" + folder_ + L"\\regfree_host.exe\""; }

    std::wstring folder_;
    std::vector<std::wstring> copies_;
};

void PressSecondButton(HWND popup)
{
    PostMessageA(GetDlgItem(popup, 0x8001), BM_CLICK, 0, 0);
}

using RegistrationFreeHostFinds = RegistrationFreeHost;
using RegistrationFreeHostMisses = RegistrationFreeHost;

TEST_P(RegistrationFreeHostFinds, TheObjectThroughTheManifestsAndGetsTheResult)
{
    const ChildRun run = RunChild(Host(), PressSecondButton);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("result 0x0200: button 1;"), std::string::npos) << run.output;
}

// Without NtfObj's assembly Windows refuses to start a program whose manifest names it (a
// side-by-side error); Wine starts it without the assembly, and creation then fails.
TEST_P(RegistrationFreeHostMisses, TheClassAndSaysSo)
{
    const ChildRun run = RunChild(Host());
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_NE(run.output.find("NtfObj cannot be created (0x"), std::string::npos) << run.output;
    EXPECT_EQ(FindWindowA("VorbelNotify", nullptr), nullptr);
}

const wchar_t kHost[] = L"example_regfree_host.exe";
const wchar_t kHostManifest[] = L"example_regfree_host.exe.manifest";

INSTANTIATE_TEST_SUITE_P(
    Layouts, RegistrationFreeHostFinds,
    testing::Values(Layout{"beside", {{kHost, L"regfree_host.exe"},
                                      {kHostManifest, L"regfree_host.exe.manifest"},
                                      {L"NtfObj.dll", L"NtfObj.dll"},
                                      {L"NtfObj.manifest", L"NtfObj.manifest"}}},
                    Layout{"in_a_folder", {{kHost, L"regfree_host.exe"},
                                           {kHostManifest, L"regfree_host.exe.manifest"},
                                           {L"NtfObj.dll", L"NtfObj\\NtfObj.dll"},
                                           {L"NtfObj.manifest", L"NtfObj\\NtfObj.manifest"}}}),
    [](const testing::TestParamInfo<Layout>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Layouts, RegistrationFreeHostMisses,
    testing::Values(Layout{"without_the_programs_manifest",
                           {{kHost, L"regfree_host.exe"},
                            {L"NtfObj.dll", L"NtfObj.dll"},
                            {L"NtfObj.manifest", L"NtfObj.manifest"}}},
                    Layout{"without_NtfObj_manifest", {{kHost, L"regfree_host.exe"},
                                                       {kHostManifest, L"regfree_host.exe.manifest"},
                                                       {L"NtfObj.dll", L"NtfObj.dll"}}}),
    [](const testing::TestParamInfo<Layout>& info) { return std::string(info.param.name); });

}  // namespace
