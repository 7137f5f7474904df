#include "support/slide_clock.h"

#include <windows.h>

#include "popup/slide_pacing.h"

namespace {
LONGLONG asked = 0;  // microseconds of waiting asked for so far

LONGLONG Now(void*)
{
    return asked;
}

void Wait(void*, DWORD milliseconds)
{
    asked += milliseconds * 1000LL;
    Sleep(milliseconds);
}
}  // namespace

void UseExactSlideClock()
{
    const SlideClock clock = {Now, Wait, nullptr};
    SetSlideClock(&clock);
}
