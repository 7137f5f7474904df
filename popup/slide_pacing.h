// The slide's pace: each position is taken when the clock says the designed speed (one 3-px
// step per 3 ms) reaches it, so a wait that lasts a whole timer tick skips positions instead of
// stretching the slide. The clock and the wait can be replaced, so that a slide can be driven
// through simulated time.
#pragma once
#include <windows.h>

// Designed pace: one position every kSlideStepMicroseconds.
const LONGLONG kSlideStepMicroseconds = 3000;

// A slide behind the clock by fewer positions than this takes them one after the other without
// waiting: a short hold-up of the thread is made up without a visible jump. From this lag on it
// jumps to where the clock is. A timer tick (15.6 ms) always reaches it.
const int kSlideCatchUpSteps = 4;

// The position the slide takes after position current, given the time since it took position 0;
// count when the designed duration (count steps) has passed or no position is left.
int NextSlideIndex(int current, LONGLONG elapsedMicroseconds, int count);

// Whole milliseconds to wait, rounded up, until position next is due; 0 when it is due already.
DWORD SlideWaitMilliseconds(int next, LONGLONG elapsedMicroseconds);

// Whether the slide should rest now rather than wait once more: true when the time left to the
// designed end is nearer than the end of the coming wait is likely to be (the pause asked for
// plus what the last wait overran it by). With waits that last what they are asked, never: the
// slide then ends exactly on time. Where a wait lasts a whole timer tick, this saves most of the
// last tick.
bool RestBeforeWaiting(LONGLONG leftMicroseconds, DWORD pauseMilliseconds,
                       LONGLONG overrunMicroseconds);

// Whether the user lets windows animate (SPI_GETCLIENTAREAANIMATION; systems that do not know
// the setting animate).
bool SlideAnimationEnabled();

struct SlideClock {
    LONGLONG (*nowMicroseconds)(void* context);  // monotonic
    void (*wait)(void* context, DWORD milliseconds);
    void* context;
};

// Replaces the clock and the wait of every later slide; nullptr restores the monotonic clock
// (QueryPerformanceCounter) and Sleep.
void SetSlideClock(const SlideClock* clock);

// The slide clock's present reading, in microseconds: the time base of every paced move.
LONGLONG SlideClockNow();

// Runs a slide over count positions: move(index, context) is called for position 0 at once and
// for each later position when it is due, ending when the designed duration has passed, or
// shortly before it where the next wait would overrun the end by more (RestBeforeWaiting).
void RunPacedSlide(int count, void (*move)(int index, void* context), void* context);
