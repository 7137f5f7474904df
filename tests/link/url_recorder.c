/* A stand-in for the user's default browser, as the shell starts it for a web address: it
   appends what it was given (its command line after the program name) as one UTF-8 line to
   url_recorder.log beside itself, and ends. */
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

int main(void)
{
    wchar_t path[MAX_PATH];
    char line[4096];
    const wchar_t* arguments = GetCommandLineW();
    wchar_t* slash;
    FILE* log;
    int length;

    /* Past the program name, quoted or not, and the blanks after it. */
    if (*arguments == L'"') {
        ++arguments;
        while (*arguments && *arguments != L'"') ++arguments;
        if (*arguments)
            ++arguments;
    } else {
        while (*arguments && *arguments != L' ' && *arguments != L'\t') ++arguments;
    }
    while (*arguments == L' ' || *arguments == L'\t') ++arguments;

    GetModuleFileNameW(NULL, path, MAX_PATH);
    slash = wcsrchr(path, L'\\');
    if (!slash)
        return 1;
    wcscpy(slash + 1, L"url_recorder.log");
    length = WideCharToMultiByte(CP_UTF8, 0, arguments, -1, line, sizeof line, NULL, NULL);
    if (length <= 0)
        return 1;
    log = _wfopen(path, L"ab");
    if (!log)
        return 1;
    fprintf(log, "%s\n", line);
    fclose(log);
    return 0;
}
