// Running a program as a user would, with its output captured, for tests of the host programs.
#pragma once
#include <windows.h>
#include <string>

struct ChildRun {
    DWORD exitCode;
    std::string output;
};

// The folder of the running test program, where the build puts the DLL and the host programs.
std::wstring BinFolder();

// Runs commandLine to its end and returns its exit code and output. With popupAction, the first
// visible popup ("VorbelNotify") the program shows is handed to it; a program that shows none
// within 30 s fails the test.
ChildRun RunChild(const std::wstring& commandLine, void (*popupAction)(HWND) = nullptr);
