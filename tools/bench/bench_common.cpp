#include "tools/bench/bench.h"

#include <algorithm>
#include <cstdio>

#include "automation/class_factory.h"

double NowMs()
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void PrintRow(const std::string& what, const std::string& median, int runs, const std::string& note)
{
    std::printf("| %s | %s | %d | %s |\n", what.c_str(), median.c_str(), runs, note.c_str());
}

std::string Ms(double value, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f ms", decimals, value);
    return text;
}

std::string Ns(double milliseconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f ns", milliseconds * 1e6);
    return text;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

IAxObj* MakeNtfObj()
{
    IClassFactory* factory = nullptr;
    if (FAILED(
            DllGetClassObject(CLSID_NtfObj, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
        return nullptr;
    IAxObj* object = nullptr;
    factory->CreateInstance(nullptr, IID_IAxObj, reinterpret_cast<void**>(&object));
    factory->Release();
    return object;
}
