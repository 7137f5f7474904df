// Median times of a paint, of Action until the popup is shown, of Invoke round trips, and
// what a shown popup costs in memory, GDI objects and windows. Prints Markdown table rows for
// docs/benchmarks.md. Options: --quick (a tenth of the runs), --only memory|paint|action|invoke.
#include <windows.h>
#include <commctrl.h>
#include <cstdio>
#include <cstring>

#include "module/module_state.h"
#include "tools/bench/bench.h"

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    BenchRuns runs;
    const char* only = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            runs.divisor = 10;
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: ntf_bench [--quick] [--only memory|paint|action|invoke]\n");
            return 2;
        }
    }
    // The module's code is linked in; it takes the program as its module (the same resources).
    ModuleProcessAttach(GetModuleHandleA(nullptr));
    // A host registers the extended combo box for the drop-down list.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_USEREX_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    // Memory first: its first popup is the first of the process.
    std::printf("| What | Median | Runs | Note |\n|---|---|---|---|\n");
    const struct {
        const char* name;
        void (*run)(const BenchRuns&);
    } groups[] = {{"memory", BenchMemory},
                  {"paint", BenchPaint},
                  {"action", BenchAction},
                  {"invoke", BenchInvoke}};
    for (const auto& group : groups)
        if (!only || std::strcmp(only, group.name) == 0)
            group.run(runs);
    return 0;
}
