#include "support/child_process.h"

#include <gtest/gtest.h>
#include <vector>

#include "support/emulation.h"

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring exe(path);
    return exe.substr(0, exe.find_last_of(L"\\/") + 1);
}

static HWND WaitForVisiblePopup()
{
    for (DWORD i = 0; i < SafetyLimitMs(600); ++i) {
        HWND popup = FindWindowA("VorbelNotify", nullptr);
        if (popup && IsWindowVisible(popup))
            return popup;
        Sleep(50);
    }
    return nullptr;
}

ChildRun RunChild(const std::wstring& commandLine, void (*popupAction)(HWND))
{
    ChildRun run = {0xFFFFFFFF, ""};
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        ADD_FAILURE() << "no pipe";
        return run;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = writeEnd;
    start.hStdError = writeEnd;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &start, &process);
    CloseHandle(writeEnd);
    if (!started) {
        ADD_FAILURE() << "cannot start the program";
        CloseHandle(readEnd);
        return run;
    }
    if (popupAction) {
        HWND popup = WaitForVisiblePopup();
        EXPECT_NE(popup, nullptr) << "the program showed no popup";
        if (popup)
            popupAction(popup);
    }
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
        run.output.append(buffer, got);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, SafetyLimitMs(60000)), WAIT_OBJECT_0);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(readEnd);
    return run;
}
