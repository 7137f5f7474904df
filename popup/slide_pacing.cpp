#include "popup/slide_pacing.h"

namespace {
// Vista and later; the headers declare it only for builds that target them.
const UINT kGetClientAreaAnimation = 0x1042;

LONGLONG RealNow(void*)
{
    static LONGLONG frequency = 0;
    LARGE_INTEGER value;
    if (!frequency) {
        QueryPerformanceFrequency(&value);
        frequency = value.QuadPart > 0 ? value.QuadPart : 1;
    }
    QueryPerformanceCounter(&value);
    // Split so that the product cannot overflow on a counter that has run for a long time.
    return value.QuadPart / frequency * 1000000 + value.QuadPart % frequency * 1000000 / frequency;
}

void RealWait(void*, DWORD milliseconds)
{
    Sleep(milliseconds);
}

const SlideClock kRealClock = {RealNow, RealWait, nullptr};
SlideClock activeClock = kRealClock;
}  // namespace

int NextSlideIndex(int current, LONGLONG elapsedMicroseconds, int count)
{
    const LONGLONG due = elapsedMicroseconds < 0 ? 0 : elapsedMicroseconds / kSlideStepMicroseconds;
    if (due >= count || current + 1 >= count)
        return count;
    if (due - current >= kSlideCatchUpSteps)
        return static_cast<int>(due);
    return current + 1;
}

DWORD SlideWaitMilliseconds(int next, LONGLONG elapsedMicroseconds)
{
    const LONGLONG left = next * kSlideStepMicroseconds - elapsedMicroseconds;
    return left > 0 ? static_cast<DWORD>((left + 999) / 1000) : 0;
}

bool RestBeforeWaiting(LONGLONG leftMicroseconds, DWORD pauseMilliseconds,
                       LONGLONG overrunMicroseconds)
{
    const LONGLONG likelyWait =
        pauseMilliseconds * 1000LL + (overrunMicroseconds > 0 ? overrunMicroseconds : 0);
    return 2 * leftMicroseconds < likelyWait;
}

bool SlideAnimationEnabled()
{
    BOOL animate = TRUE;
    if (!SystemParametersInfoA(kGetClientAreaAnimation, 0, &animate, 0))
        return true;
    return animate != FALSE;
}

void SetSlideClock(const SlideClock* clock)
{
    activeClock = clock ? *clock : kRealClock;
}

LONGLONG SlideClockNow()
{
    return activeClock.nowMicroseconds(activeClock.context);
}

void RunPacedSlide(int count, void (*move)(int index, void* context), void* context)
{
    if (count <= 0)
        return;
    const SlideClock clock = activeClock;
    const LONGLONG start = clock.nowMicroseconds(clock.context);
    const LONGLONG end = count * kSlideStepMicroseconds;
    LONGLONG overrun = 0;  // by how much the last wait outlasted its pause
    int index = 0;
    while (index < count) {
        move(index, context);
        LONGLONG elapsed = clock.nowMicroseconds(clock.context) - start;
        const DWORD pause = SlideWaitMilliseconds(index + 1, elapsed);
        if (pause) {
            if (RestBeforeWaiting(end - elapsed, pause, overrun))
                return;
            clock.wait(clock.context, pause);
            const LONGLONG waited = clock.nowMicroseconds(clock.context) - start;
            overrun = waited - elapsed - pause * 1000LL;
            elapsed = waited;
        }
        index = NextSlideIndex(index, elapsed, count);
    }
}
