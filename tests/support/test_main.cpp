// Entry of every test program: the module's code is linked in statically, so it is given the
// program's own instance, which carries the same resources as the DLL.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <windows.h>
#include <commctrl.h>

#include "module/module_state.h"
#include "support/slide_clock.h"

int main(int argc, char** argv)
{
    // Unbuffered, so a test program that is ended while it hangs still shows how far it got.
    setvbuf(stdout, nullptr, _IONBF, 0);
    ModuleProcessAttach(GetModuleHandleA(nullptr));
    UseExactSlideClock();
    // The module expects its host to have registered the extended combo box.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_USEREX_CLASSES | ICC_STANDARD_CLASSES};
    if (!(argc > 1 && std::strcmp(argv[1], "--no-common-controls") == 0))
        InitCommonControlsEx(&controls);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
