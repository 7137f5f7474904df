// ntfshow: its command line, what it says about a result, and the program itself run against
// the DLL beside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ntfshow_options.h"
#include "support/child_process.h"

namespace {

ShowOptions Parse(std::vector<std::wstring> args)
{
    ShowOptions o;
    std::wstring error;
    EXPECT_TRUE(ParseShowOptions(args, &o, &error)) << std::string(error.begin(), error.end());
    return o;
}

TEST(NtfshowOptions, RejectsBadArgumentsWithAMessage)
{
    const std::vector<std::vector<std::wstring>> bad = {
        {},              // nothing to show
        {L"--heading"},  // value missing
        {L"--heading", L"h", L"--bogus"},
        {L"--heading", L"h", L"--check-mask", L"65536"},  // masks are 16 bits
        {L"--heading", L"h", L"--delay", L"-5"},
        {L"--heading", L"h", L"--delay", L"12x"},
        {L"--heading", L"h", L"--colors", L"1,2,3,4"},
        {L"--heading", L"h", L"--colors", L"1,2,3,4,0x1000000"},
        {L"--heading", L"h", L"--icon", L"smile"},
        {L"--heading", L"h", L"--buttons", L"A", L"--list", L"B|OK"},
        {L"--heading", L"h", L"--tray-tip", L"t"},
    };
    for (const auto& args : bad) {
        ShowOptions o;
        std::wstring error;
        EXPECT_FALSE(ParseShowOptions(args, &o, &error)) << args.size();
        EXPECT_FALSE(error.empty());
    }
}

TEST(NtfshowOptions, TurnsOptionsIntoStyleBitsAndValues)
{
    ShowOptions o = Parse({L"--heading", L"H", L"--body", L"B", L"--close-box", L"--wait",
                           L"--flat", L"--icon", L"error", L"--delay", L"0x2710", L"--check-mask",
                           L"5", L"--colors", L"0xF8D6BF,0xFFFFFF,1,2,0x0000FF"});
    EXPECT_EQ(StyleForOptions(o), 0x0008 | 0x1000 | 0x8000 | 0x0010);
    EXPECT_EQ(o.delayMs, 10000u);
    EXPECT_EQ(o.checkMask, 5);
    EXPECT_EQ(o.colors[0], 0xF8D6BFu);
    EXPECT_EQ(o.colors[4], 0xFFu);
    EXPECT_EQ(
        StyleForOptions(Parse({L"--body", L"x", L"--dialog", L"--sticky", L"--icon", L"info"})),
        0x0001 | 0x4000 | 0x0080);
    EXPECT_TRUE(Parse({L"--help"}).help);
}

TEST(NtfshowOptions, DescribesResultsByTheNotificationsKind)
{
    struct Case {
        std::vector<std::wstring> args;
        unsigned short code;
        const wchar_t* text;
    } cases[] = {
        {{L"--body", L"x"}, 0x0000, L"no box ticked"},
        {{L"--body", L"x"}, 0x0005, L"boxes ticked: 0, 2"},
        {{L"--body", L"x", L"--buttons", L"A|B"},
         0x0201,
         L"boxes ticked: 0; button 1 (pressed, or the default when the timer closed it)"},
        {{L"--body", L"x", L"--list", L"R|G|OK"}, 2, L"list entry 2 chosen"},
        {{L"--body", L"x", L"--list", L"OK"}, 0xFFFF, L"the list had nothing selected"},
        {{L"--body", L"x", L"--close-box"}, 1000, L"closed by the close box or the timer"},
        {{L"--body", L"x", L"--close-box", L"--list", L"R|OK"},
         1001,
         L"closed by a click on the body, a button or the list's confirm button"},
        {{L"--balloon-text", L"t"},
         1001,
         L"the balloon was clicked (or its popup was closed by a click)"},
        {{L"--tray-tip", L"t"}, 1, L"the tray session was aborted"},
    };
    for (const Case& c : cases) EXPECT_EQ(DescribeResult(c.code, Parse(c.args)), c.text) << c.code;
}

void TimeOut(HWND popup)
{
    PostMessageA(popup, WM_TIMER, 1000, 0);
}

// Runs ntfshow.exe from this program's folder, where the build puts NtfObj.dll too; with
// closeShownPopup the popup it shows is closed by its timer as soon as it is there.
ChildRun RunNtfshow(const std::wstring& arguments, bool closeShownPopup = false)
{
    return RunChild(L"\"" + BinFolder() + L"ntfshow.exe\" " + arguments,
                    closeShownPopup ? TimeOut : nullptr);
}

TEST(NtfshowProgram, HelpListsTheOptions)
{
    ChildRun run = RunNtfshow(L"--help");
    EXPECT_EQ(run.exitCode, 0u);
    for (const char* option :
         {"--heading", "--checks", "--list", "--close-box", "--dialog", "--wait", "--colors",
          "--icon", "--flat", "--tray-tip", "--balloon-text", "--registered"})
        EXPECT_NE(run.output.find(option), std::string::npos) << option;
}

TEST(NtfshowProgram, BadArgumentsShowNothingAndExitWithTheirStatus)
{
    ChildRun run = RunNtfshow(L"--heading x --delay soon");
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(kExitBadArguments));
    EXPECT_NE(run.output.find("--delay"), std::string::npos);
    EXPECT_EQ(FindWindowA("VorbelNotify", nullptr), nullptr);
}

TEST(NtfshowProgram, WaitedPopupReportsItsCodeAsExitStatus)
{
    // Closed by its 1 ms timer: the first box was pre-checked.
    ChildRun run = RunNtfshow(
        L"--heading \x6807\x9898 --body body --checks A|B --check-mask 1 --wait --delay 1");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.output.find("result 1 (0x0001): boxes ticked: 0"), std::string::npos)
        << run.output;

    run = RunNtfshow(L"--body b --close-box --wait --delay 1");
    EXPECT_EQ(run.exitCode, 1000u);
    EXPECT_NE(run.output.find("closed by the close box or the timer"), std::string::npos)
        << run.output;
}

TEST(NtfshowProgram, BalloonWhereBalloonsAreNotUsedWaitsForItsPopup)
{
    // Wine reports Windows 7 by default: the balloon is shown as a popup with a close box,
    // which its timer closes here.
    ChildRun run =
        RunNtfshow(L"--balloon-title Update --balloon-text Ready --balloon-timeout 10000", true);
    EXPECT_EQ(run.exitCode, 1000u);
    EXPECT_NE(run.output.find("result 1000 (0x03E8): the balloon timed out"), std::string::npos)
        << run.output;
}

}  // namespace
