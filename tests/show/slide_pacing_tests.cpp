// The slide paced by the clock, driven through a simulated clock and wait: the positions the
// real popup is asked to take follow the simulated time, whatever the waits last.
#include <gtest/gtest.h>
#include <cstring>
#include <vector>

#include "popup/notify_session.h"
#include "popup/popup_geometry.h"
#include "popup/show_notification.h"
#include "popup/slide_pacing.h"
#include "support/popup_moves.h"
#include "support/slide_clock.h"

namespace {

// Simulated time: the first waits last what `first` says, every later one `every`, or, when
// that is 0, exactly what was asked for.
struct SimulatedClock {
    LONGLONG now = 0;
    std::vector<LONGLONG> first;  // microseconds
    LONGLONG every = 0;
    size_t waits = 0;

    static LONGLONG Now(void* self) { return static_cast<SimulatedClock*>(self)->now; }
    static void Wait(void* self, DWORD milliseconds)
    {
        SimulatedClock& c = *static_cast<SimulatedClock*>(self);
        if (c.waits < c.first.size())
            c.now += c.first[c.waits];
        else
            c.now += c.every ? c.every : milliseconds * 1000LL;
        ++c.waits;
    }
};

SimulatedClock* simulated;

// Each move of the popup: where to, and when on the simulated clock.
struct Move {
    int y;
    LONGLONG at;
};
std::vector<Move> moves;

void RecordMove(int y)
{
    moves.push_back({y, simulated->now});
}

std::vector<int> Ys(size_t from = 0)
{
    std::vector<int> ys;
    for (size_t i = from; i < moves.size(); ++i) ys.push_back(moves[i].y);
    return ys;
}

RECT WorkArea()
{
    RECT r;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

class SlidePacing : public testing::Test {
protected:
    SimulatedClock clock;
    void SetUp() override
    {
        InitialNotifySession(&NotifySession);
        simulated = &clock;
        const SlideClock seam = {SimulatedClock::Now, SimulatedClock::Wait, &clock};
        SetSlideClock(&seam);
        moves.clear();
        ASSERT_TRUE(StartRecordingPopupMoves(nullptr, RecordMove));
    }
    void TearDown() override
    {
        UseExactSlideClock();
        StopRecordingPopupMoves();
        if (IsWindow(NotifySession.popupWindow))
            DestroyWindow(NotifySession.popupWindow);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    void Show() { ASSERT_EQ(ShowNotification(0, "title\nbody", 1, nullptr, nullptr, 20000), 1); }
};

TEST_F(SlidePacing, ExactThreeMillisecondWaitsTakeEveryDesignedPosition)
{
    struct Case {
        const char* checks;
        int height;
    } cases[] = {{"", 160}, {"a|b", 180}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.height);
        std::strcpy(NotifySession.checkList, k.checks);
        clock.now = 0;
        moves.clear();
        Show();
        const RECT area = WorkArea();
        const int steps = ComputeSlidePositions(area.bottom, area.bottom - k.height, 3, nullptr, 0);
        std::vector<int> expected(static_cast<size_t>(steps));
        ComputeSlidePositions(area.bottom, area.bottom - k.height, 3, expected.data(), steps);
        expected.push_back(area.bottom - k.height);
        // After the placement and the start of the slide.
        ASSERT_GE(moves.size(), 2u);
        EXPECT_EQ(Ys(2), expected);
        EXPECT_EQ(clock.now, steps * 3000LL);  // the designed duration, no more
        DestroyWindow(NotifySession.popupWindow);
    }
}

TEST_F(SlidePacing, TimerTickWaitsSkipToWhereTheClockIs)
{
    clock.every = 15600;  // a Sleep(3) lasts one timer tick
    Show();
    const RECT area = WorkArea();
    const int hidden = area.bottom, shown = area.bottom - 160;
    // After the placement: each move is to where 3 px per 3 ms put the popup at that moment.
    std::vector<int> ys = Ys(1);
    ASSERT_EQ(ys.size(), 13u);  // the start, 11 steps and the rest
    for (size_t i = 1; i + 1 < moves.size(); ++i)
        EXPECT_EQ(moves[i].y, hidden - static_cast<int>(moves[i].at / 3000) * 3) << i;
    EXPECT_EQ(ys, (std::vector<int>{hidden, hidden, hidden - 15, hidden - 30, hidden - 45,
                                    hidden - 60, hidden - 78, hidden - 93, hidden - 108,
                                    hidden - 123, hidden - 138, hidden - 156, shown}));
    // At 156 ms a further tick would end at 171.6 ms; resting at once is nearer the designed
    // 162 ms, so the slide ends there.
    EXPECT_EQ(clock.now, 10 * 15600LL);
    EXPECT_EQ(clock.waits, 10u);

    // Out again: from the resting place down by the clock, then hidden.
    moves.clear();
    clock.now = 0;
    SlideOutPopup();
    EXPECT_EQ(Ys(), (std::vector<int>{shown, shown, shown + 15, shown + 30, shown + 45, shown + 60,
                                      shown + 78, shown + 93, shown + 108, shown + 123, shown + 138,
                                      shown + 156}));
    EXPECT_EQ(clock.now, 10 * 15600LL);
    EXPECT_FALSE(IsWindowVisible(NotifySession.popupWindow));
}

TEST(SlideEnd, RestsEarlyOnlyWhereTheNextWaitWouldOverrunTheEndByMore)
{
    struct Case {
        LONGLONG left;
        DWORD pause;
        LONGLONG overrun;
        bool rest;
    } cases[] = {
        {3000, 3, 0, false},      // exact waits: the last one ends on time
        {3000, 3, 900, false},    // a small overrun: still nearer to wait
        {3000, 3, 3100, true},    // waiting would end 3.1 ms late, resting 3 ms early
        {6000, 3, 12600, true},   // a timer tick: 156 ms instead of 171.6 ms
        {9000, 3, 12600, false},  // 9 ms early against 6.6 ms late: wait
        {100000, 3, 40000, false},
        {3000, 3, -500, false},  // a wait that returned early counts as exact
    };
    for (const Case& c : cases)
        EXPECT_EQ(RestBeforeWaiting(c.left, c.pause, c.overrun), c.rest)
            << c.left << " " << c.pause << " " << c.overrun;
}

TEST_F(SlidePacing, AShortHoldUpIsMadeUpStepByStepALongOneSkips)
{
    // A first wait of the given length, then exact ones. Hold-ups below four steps keep every
    // position (taken without waiting until the slide is on time again); longer ones jump.
    struct Case {
        LONGLONG firstWait;
        std::vector<int> firstOffsets;  // the slide's first positions, px above hiddenY
        size_t waits;
    } cases[] = {
        {3000, {0, 3, 6, 9, 12}, 54},
        {11000, {0, 3, 6, 9, 12}, 52},  // 2 positions taken without a wait
        {12000, {0, 12, 15, 18}, 51},   // four steps behind: straight to the clock
        {40000, {0, 39, 42, 45}, 42},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.firstWait);
        clock = SimulatedClock();
        clock.first = {k.firstWait};
        moves.clear();
        Show();
        const int hidden = WorkArea().bottom;
        std::vector<int> ys = Ys(2);  // after the placement and the start
        ASSERT_GT(ys.size(), k.firstOffsets.size());
        for (size_t i = 0; i < k.firstOffsets.size(); ++i)
            EXPECT_EQ(ys[i], hidden - k.firstOffsets[i]) << i;
        EXPECT_EQ(ys.back(), hidden - 160);
        EXPECT_EQ(ys[ys.size() - 2], hidden - 159);
        EXPECT_EQ(clock.waits, k.waits);
        EXPECT_EQ(clock.now, 162000);  // on time in the end
        DestroyWindow(NotifySession.popupWindow);
    }
}

TEST_F(SlidePacing, TheRealClockKeepsToTheGridAndRestsInPlace)
{
    // How many positions a loaded machine skips is its own affair; the path is not.
    SetSlideClock(nullptr);
    Show();
    const RECT area = WorkArea();
    std::vector<int> ys = Ys(2);
    ASSERT_GE(ys.size(), 2u);
    EXPECT_EQ(ys.front(), area.bottom);
    EXPECT_EQ(ys.back(), area.bottom - 160);
    for (size_t i = 1; i + 1 < ys.size(); ++i) {
        EXPECT_LT(ys[i], ys[i - 1]) << i;
        EXPECT_EQ((area.bottom - ys[i]) % 3, 0) << i;
        EXPECT_GT(ys[i], area.bottom - 160) << i;
    }
}

// Switches the user's animation setting for one test and puts it back.
class AnimationSetting {
public:
    explicit AnimationSetting(BOOL on)
    {
        SystemParametersInfoA(0x1042 /* SPI_GETCLIENTAREAANIMATION */, 0, &saved_, 0);
        EXPECT_TRUE(SystemParametersInfoA(0x1043 /* SPI_SETCLIENTAREAANIMATION */, 0,
                                          reinterpret_cast<void*>(static_cast<INT_PTR>(on)), 0));
    }
    ~AnimationSetting()
    {
        SystemParametersInfoA(0x1043, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(saved_)), 0);
    }

private:
    BOOL saved_ = TRUE;
};

TEST_F(SlidePacing, WithAnimationsOffThePopupAppearsAndGoesWithoutSliding)
{
    const RECT area = WorkArea();
    for (BOOL on : {FALSE, TRUE}) {
        SCOPED_TRACE(on);
        AnimationSetting setting(on);
        EXPECT_EQ(SlideAnimationEnabled(), on != FALSE);
        moves.clear();
        Show();
        HWND popup = NotifySession.popupWindow;
        RECT r;
        GetWindowRect(popup, &r);
        EXPECT_EQ(r.top, area.bottom - 160);
        EXPECT_EQ(r.bottom, area.bottom);
        EXPECT_TRUE(IsWindowVisible(popup));
        if (!on) {
            // Placed, shown at the target and put to rest: never anywhere else.
            EXPECT_EQ(Ys(), std::vector<int>(3, area.bottom - 160));
            EXPECT_EQ(clock.waits, 0u);
        } else {
            EXPECT_EQ(moves.size(), 57u);  // 54 steps between the placements and the rest
        }
        moves.clear();
        SlideOutPopup();
        EXPECT_EQ(moves.size(), on ? 55u : 0u);
        EXPECT_FALSE(IsWindowVisible(popup));
        DestroyWindow(popup);
    }
}

TEST(SlidePaceRules, NextPositionAndWait)
{
    // Index after `current` at an elapsed time, for a 54-position slide.
    struct Case {
        int current;
        LONGLONG elapsed;
        int next;
    } cases[] = {
        {0, 3000, 1},     {0, 2999, 1},    {0, 5999, 1},    {0, 11999, 1},
        {0, 12000, 4},    {10, 30000, 11}, {10, 42000, 14}, {52, 158000, 53},
        {53, 161999, 54}, {5, 162000, 54}, {0, 999999, 54},
    };
    for (const Case& k : cases)
        EXPECT_EQ(NextSlideIndex(k.current, k.elapsed, 54), k.next)
            << k.current << " " << k.elapsed;
    EXPECT_EQ(NextSlideIndex(0, 0, 1), 1);  // a single position: done once taken
    EXPECT_EQ(SlideWaitMilliseconds(1, 0), 3u);
    EXPECT_EQ(SlideWaitMilliseconds(1, 400), 3u);  // 2.6 ms rounded up
    EXPECT_EQ(SlideWaitMilliseconds(2, 3100), 3u);
    EXPECT_EQ(SlideWaitMilliseconds(2, 6000), 0u);
    EXPECT_EQ(SlideWaitMilliseconds(2, 9000), 0u);
}

}  // namespace
