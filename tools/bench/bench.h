// Shared pieces of ntf_bench: the clock, medians, the table it prints, and the four groups of
// measurements. Every figure is a median over repeated runs taken after warm-up runs.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "NtfObj.h"

// Milliseconds from the performance counter.
double NowMs();

double Median(std::vector<double> values);

// How many runs each group takes; --quick divides them for a fast look.
struct BenchRuns {
    int divisor = 1;
    int Of(int runs) const { return runs / divisor > 3 ? runs / divisor : 3; }
};

// One row of the Markdown table the program prints.
void PrintRow(const std::string& what, const std::string& median, int runs,
              const std::string& note);
std::string Ms(double value, int decimals = 1);
std::string Ns(double milliseconds);

// Dispatches everything queued for this thread.
void PumpMessages();

// An NtfObj made by the module's own class factory (count 1), or null.
IAxObj* MakeNtfObj();

void BenchPaint(const BenchRuns& runs);
void BenchAction(const BenchRuns& runs);
void BenchInvoke(const BenchRuns& runs);
void BenchMemory(const BenchRuns& runs);
