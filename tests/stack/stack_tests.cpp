// Popups of several programs on one screen: where a new one rests given the others, the order
// in which they appeared, the pace of a move, and real host processes (this program and
// ntfshow, or the program NTF_STACK_HOST names) stacking, closing gaps, hanging and being
// killed, with animations off, at 144 DPI and with a changed work area.
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "input/user_input.h"
#include "popup/dpi_scale.h"
#include "popup/notify_session.h"
#include "popup/popup_rules.h"
#include "popup/show_notification.h"
#include "popup/slide_pacing.h"
#include "popup/stack_geometry.h"
#include "support/child_process.h"
#include "support/popup_moves.h"
#include "support/slide_clock.h"

namespace {

std::vector<int> Box(const RECT& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

TEST(StackGeometry, RestsAboveThePopupsShownBeforeAsFarAsTheWorkAreaAllows)
{
    const RECT screen = {0, 0, 1024, 748};
    const RECT offset = {100, 30, 900, 600};
    struct Case {
        const char* what;
        RECT area;
        UINT dpi;
        bool tall;
        std::vector<RECT> earlier;
        int shownY, hiddenY;  // expected
    } cases[] = {
        {"alone", screen, 96, false, {}, 588, 748},
        {"above one at the corner", screen, 96, false, {{744, 588, 1024, 748}}, 420, 580},
        {"above two", screen, 96, false, {{744, 588, 1024, 748}, {744, 420, 1024, 580}}, 252, 412},
        {"tall one above one", screen, 96, true, {{744, 588, 1024, 748}}, 400, 580},
        {"above a tall one", screen, 96, false, {{744, 568, 1024, 748}}, 400, 560},
        {"above the highest, even over a hole", screen, 96, false, {{744, 252, 1024, 412}}, 84, 244},
        {"above a popup moving down: the place it leaves", screen, 96, false,
         {{744, 420, 1024, 748}}, 252, 412},
        {"exactly the room left", screen, 96, false, {{744, 168, 1024, 748}}, 0, 160},
        {"no room: the corner", screen, 96, false, {{744, 167, 1024, 748}}, 588, 748},
        {"four fit, the fifth takes the corner", screen, 96, false,
         {{744, 588, 1024, 748}, {744, 420, 1024, 580}, {744, 252, 1024, 412}, {744, 84, 1024, 244}},
         588, 748},
        {"a wider popup in the column", screen, 96, false, {{604, 508, 1024, 748}}, 340, 500},
        {"beside the column", screen, 96, false, {{0, 588, 280, 748}, {464, 0, 744, 748}}, 588, 748},
        {"below and above the work area", screen, 96, false,
         {{744, 748, 1024, 908}, {744, -200, 1024, 0}}, 588, 748},
        {"a work area off the origin", offset, 96, false, {{620, 440, 900, 600}}, 272, 432},
        {"no room under its top", offset, 96, false, {{620, 180, 900, 600}}, 440, 600},
        {"144 DPI: scaled sizes and gap", screen, 144, false, {{604, 508, 1024, 748}}, 256, 496},
        {"144 DPI: two tall ones leave no room", screen, 144, false,
         {{604, 478, 1024, 748}, {604, 196, 1024, 466}}, 508, 748},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const PopupPlacement corner = ComputePopupPlacementForDpi(k.area, 280, k.tall, k.dpi);
        const PopupPlacement p =
            ComputeStackedPlacement(corner, k.area, ScaleForDpi(kStackGap, k.dpi),
                                    k.earlier.data(), static_cast<int>(k.earlier.size()));
        EXPECT_EQ(p.shownX, corner.shownX);
        EXPECT_EQ(p.width, corner.width);
        EXPECT_EQ(p.height, corner.height);
        EXPECT_EQ(p.shownY, k.shownY);
        EXPECT_EQ(p.hiddenY, k.hiddenY);
    }
}

TEST(StackGeometry, OrdersPopupsByWhenTheyAppearedAcrossTheTicksWrap)
{
    struct Case {
        DWORD order, id, otherOrder, otherId;
        bool before;
    } cases[] = {
        {100, 5, 200, 1, true},          {200, 1, 100, 5, false},
        {100, 1, 100, 2, true},          {100, 2, 100, 1, false},
        {100, 1, 100, 1, false},         {0xFFFFFFF0u, 9, 0x10, 1, true},
        {0x10, 1, 0xFFFFFFF0u, 9, false},
    };
    for (const Case& k : cases)
        EXPECT_EQ(AppearedBefore(k.order, k.id, k.otherOrder, k.otherId), k.before)
            << k.order << " " << k.id << " / " << k.otherOrder << " " << k.otherId;
}

TEST(StackGeometry, MovesAtTheSlidesPaceAndArrivesExactly)
{
    struct Case {
        int from, to, step;
        LONGLONG elapsed;
        int y;
    } cases[] = {
        {420, 588, 3, 0, 420},      {420, 588, 3, 2999, 420},   {420, 588, 3, 3000, 423},
        {420, 588, 3, 30000, 450},  {420, 588, 3, 165000, 585}, {420, 588, 3, 168000, 588},
        {420, 588, 3, 1000000000, 588}, {588, 420, 3, 3000, 585}, {588, 420, 3, 200000, 420},
        {256, 508, 5, 12000, 276},  {420, 588, 0, 0, 588},      {420, 588, 3, -5000, 420},
        {420, 420, 3, 0, 420},
    };
    for (const Case& k : cases)
        EXPECT_EQ(StackMoveY(k.from, k.to, k.step, k.elapsed), k.y)
            << k.from << " -> " << k.to << " after " << k.elapsed;
}

// Safety limits, not measured times: a 32-bit host under emulation takes a minute to start.
const DWORD kAppearLimitMs = 240000;
const DWORD kMoveLimitMs = 60000;

UINT Dpi()
{
    return DpiForWindow(nullptr);
}

int S(int value)
{
    return ScaleForDpi(value, Dpi());
}

RECT WorkArea()
{
    RECT r = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

RECT RectOf(HWND window)
{
    RECT r = {0, 0, 0, 0};
    GetWindowRect(window, &r);
    return r;
}

// A popup of height designHeight (at 96 DPI) at the lower right of area, and one directly
// above the popup at below.
RECT Corner(int designHeight, const RECT& area = WorkArea())
{
    return {area.right - S(280), area.bottom - S(designHeight), area.right, area.bottom};
}

RECT Above(const RECT& below, int designHeight)
{
    const int bottom = below.top - S(kStackGap);
    return {below.right - S(280), bottom - S(designHeight), below.right, bottom};
}

bool Overlap(HWND a, HWND b)
{
    RECT ra = RectOf(a), rb = RectOf(b), both;
    return IntersectRect(&both, &ra, &rb) != FALSE;
}

// The second host program: ntfshow beside this program, or the one NTF_STACK_HOST names (a
// Windows path), a 32-bit build say.
std::wstring HostProgram()
{
    if (const char* path = std::getenv("NTF_STACK_HOST"))
        if (*path)
            return std::wstring(path, path + std::strlen(path));
    return BinFolder() + L"ntfshow.exe";
}

// Another program showing one notification, waiting in its own loop until it is closed.
class Host {
public:
    ~Host() { Kill(); }

    bool Start(const std::wstring& extraArgs = L"")
    {
        std::wstring line = L"\"" + HostProgram() +
                            L"\" --heading Other --body \"another program\" --sticky --close-box "
                            L"--wait " +
                            extraArgs;
        std::vector<wchar_t> buffer(line.begin(), line.end());
        buffer.push_back(L'\0');
        STARTUPINFOW start = {};
        start.cb = sizeof start;
        return CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &start, &process_) != FALSE;
    }

    // Its popup once shown (this program's messages run meanwhile), or null.
    HWND WaitForPopup()
    {
        input::PumpUntil([&] { return Popup() != nullptr; }, kAppearLimitMs);
        return Popup();
    }

    HWND Popup() const
    {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, "VorbelNotify", nullptr)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (pid == process_.dwProcessId && IsWindowVisible(window))
                return window;
        }
        return nullptr;
    }

    // The program stops running its messages, as a hung program does; and runs them again.
    bool Hang() { return SuspendThread(process_.hThread) != static_cast<DWORD>(-1); }
    bool Resume() { return ResumeThread(process_.hThread) != static_cast<DWORD>(-1); }

    void Kill()
    {
        if (!process_.hProcess)
            return;
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 30000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        process_ = PROCESS_INFORMATION{};
    }

private:
    PROCESS_INFORMATION process_ = {};
};

std::vector<int> moves;  // the vertical positions this program's popup is moved to

class StackHostsTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitialNotifySession(&NotifySession);
        // Moves in the stack follow the clock between the popup's ticks: the real one here.
        SetSlideClock(nullptr);
        moves.clear();
        ASSERT_TRUE(StartRecordingPopupMoves(&moves));
        input::PointerTo(input::kPointerAway);
    }
    void TearDown() override
    {
        StopRecordingPopupMoves();
        if (IsWindow(NotifySession.popupWindow))
            DestroyWindow(NotifySession.popupWindow);
        input::Pump();
        input::PointerTo(input::kPointerAway);
        UseExactSlideClock();
    }

    // This program's notification: sticky, with a close button.
    HWND ShowOwn(const char* checks = "")
    {
        std::strcpy(NotifySession.checkList, checks);
        if (ShowNotification(NS_STICKY | NS_CLOSEBOX, "Own\nthis program", 1, nullptr, nullptr,
                             20000) != 1)
            return nullptr;
        return NotifySession.popupWindow;
    }

    // A click on the close button of a popup, this program's or another's.
    static void ClickCloseBox(HWND popup)
    {
        input::ClickAt(input::ControlMiddle(popup, kCloseButtonId),
                       GetDlgItem(popup, kCloseButtonId));
        EXPECT_TRUE(input::PumpUntil([&] { return !IsWindowVisible(popup); }, kMoveLimitMs));
        // The user's hand moves on: a pointer resting where a popup comes down holds it there.
        input::PointerTo(input::kPointerAway);
    }

    static bool RestsAt(HWND popup, const RECT& place)
    {
        return input::PumpUntil([&] { return Box(RectOf(popup)) == Box(place); }, kMoveLimitMs);
    }
};

TEST_F(StackHostsTest, EachRestsAboveTheEarlierOneAndTheGapsClose)
{
    HWND own = ShowOwn();
    ASSERT_NE(own, nullptr);
    const RECT corner = Corner(160), above = Above(corner, 160);
    EXPECT_EQ(Box(RectOf(own)), Box(corner));

    // The other program's popup rests directly above this one: same right edge, no overlap.
    Host other;
    ASSERT_TRUE(other.Start());
    HWND theirs = other.WaitForPopup();
    ASSERT_NE(theirs, nullptr);
    EXPECT_TRUE(RestsAt(theirs, above)) << Box(RectOf(theirs))[1];
    EXPECT_FALSE(Overlap(own, theirs));

    // The lower one closes: the other program brings its popup down to the corner.
    ClickCloseBox(own);
    EXPECT_TRUE(RestsAt(theirs, corner)) << Box(RectOf(theirs))[1];

    // A new popup of this program rests above the other's.
    own = ShowOwn();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(Box(RectOf(own)), Box(above));

    // The other program is killed with its popup shown: this one comes down to the corner,
    // through the slide's positions, downwards only.
    moves.clear();
    other.Kill();
    EXPECT_TRUE(RestsAt(own, corner));
    ASSERT_GT(moves.size(), 1u);
    for (size_t i = 0; i < moves.size(); ++i) {
        EXPECT_GT(moves[i], above.top);
        EXPECT_TRUE((moves[i] - above.top) % S(3) == 0 || moves[i] == corner.top) << moves[i];
        if (i) {
            EXPECT_GE(moves[i], moves[i - 1]);
        }
    }
    EXPECT_EQ(moves.back(), corner.top);
    ClickCloseBox(own);
}

TEST_F(StackHostsTest, AHungProgramsPopupKeepsItsPlaceAndStallsNoOne)
{
    HWND own = ShowOwn();
    ASSERT_NE(own, nullptr);
    const RECT corner = Corner(160), above = Above(corner, 160), higher = Above(above, 160);
    Host other;
    ASSERT_TRUE(other.Start());
    HWND theirs = other.WaitForPopup();
    ASSERT_NE(theirs, nullptr);
    ASSERT_TRUE(RestsAt(theirs, above));

    // The other program stops running its messages. This one closes its popup and shows the
    // next without waiting for it; the hung popup cannot come down, so the new one rests above.
    ASSERT_TRUE(other.Hang());
    ClickCloseBox(own);
    own = ShowOwn();
    ASSERT_NE(own, nullptr);
    // (At 144 DPI a third popup has no room: the corner.)
    EXPECT_EQ(Box(RectOf(own)), Box(higher.top >= WorkArea().top ? higher : corner));
    EXPECT_EQ(Box(RectOf(theirs)), Box(above));

    // It runs again: its popup comes down to the corner and this one follows, above it.
    ASSERT_TRUE(other.Resume());
    EXPECT_TRUE(RestsAt(theirs, corner));
    EXPECT_TRUE(RestsAt(own, above)) << Box(RectOf(own))[1];
    EXPECT_FALSE(Overlap(own, theirs));
    ClickCloseBox(own);
}

// Animations switched off for this program, as the user's setting does.
class AnimationsOff {
public:
    AnimationsOff()
    {
        SystemParametersInfoA(0x1042 /* SPI_GETCLIENTAREAANIMATION */, 0, &saved_, 0);
        SystemParametersInfoA(0x1043 /* SPI_SETCLIENTAREAANIMATION */, 0,
                              reinterpret_cast<void*>(static_cast<INT_PTR>(FALSE)), 0);
    }
    ~AnimationsOff()
    {
        SystemParametersInfoA(0x1043, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(saved_)), 0);
    }

private:
    BOOL saved_ = TRUE;
};

TEST_F(StackHostsTest, WithAnimationsOffPopupsTakeTheirPlacesAtOnce)
{
    AnimationsOff off;
    const RECT corner = Corner(180), above = Above(corner, 160);
    Host other;
    ASSERT_TRUE(other.Start(L"--checks \"a|b\""));
    HWND theirs = other.WaitForPopup();
    ASSERT_NE(theirs, nullptr);
    ASSERT_TRUE(RestsAt(theirs, corner));

    moves.clear();
    HWND own = ShowOwn();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(Box(RectOf(own)), Box(above));
    EXPECT_EQ(moves, std::vector<int>(moves.size(), static_cast<int>(above.top)));

    moves.clear();
    ClickCloseBox(theirs);
    EXPECT_TRUE(RestsAt(own, Corner(160)));
    EXPECT_EQ(moves, std::vector<int>{Corner(160).top});
    ClickCloseBox(own);
}

TEST_F(StackHostsTest, AtHighDensityAPopupWithoutRoomRestsAtTheCornerUntilRoomFrees)
{
    if (Dpi() != 144)
        GTEST_SKIP() << "a case for 144 DPI (run_at_dpi.sh)";
    // Two tall popups of other programs fill the work area: 270 + 12 + 270 px, and 240 more
    // with a gap do not fit.
    Host first, second;
    ASSERT_TRUE(first.Start(L"--checks \"a|b\""));
    HWND lowest = first.WaitForPopup();
    ASSERT_NE(lowest, nullptr);
    const RECT corner = Corner(180), above = Above(corner, 180);
    ASSERT_TRUE(RestsAt(lowest, corner));
    ASSERT_TRUE(second.Start(L"--checks \"a|b\""));
    HWND middle = second.WaitForPopup();
    ASSERT_NE(middle, nullptr);
    EXPECT_TRUE(RestsAt(middle, above)) << Box(RectOf(middle))[1];

    // The third has no room left above them: it rests at the corner, as a popup alone does.
    HWND own = ShowOwn();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(Box(RectOf(own)), Box(Corner(160)));

    // The lowest program ends: the middle popup comes down, and this one takes the room freed
    // above it.
    first.Kill();
    EXPECT_TRUE(RestsAt(middle, corner));
    EXPECT_TRUE(RestsAt(own, Above(corner, 160))) << Box(RectOf(own))[1];
    ClickCloseBox(own);
}

// The work area as this program sees it, put back afterwards.
class WorkAreaChange {
public:
    WorkAreaChange() : saved_(WorkArea()) {}
    ~WorkAreaChange() { Set(saved_); }
    static void Set(RECT area) { SystemParametersInfoA(SPI_SETWORKAREA, 0, &area, SPIF_SENDCHANGE); }

private:
    RECT saved_;
};

TEST_F(StackHostsTest, AChangedWorkAreaPlacesThePopupAgainInTheStack)
{
    const RECT area = WorkArea(), corner = Corner(160), above = Above(corner, 160);
    Host other;
    ASSERT_TRUE(other.Start());
    HWND theirs = other.WaitForPopup();
    ASSERT_NE(theirs, nullptr);
    ASSERT_TRUE(RestsAt(theirs, corner));
    HWND own = ShowOwn();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(Box(RectOf(own)), Box(above));

    WorkAreaChange change;
    // Narrower: still above the other popup, at the new right edge.
    RECT narrower = area;
    narrower.right -= 24;
    WorkAreaChange::Set(narrower);
    RECT moved = above;
    OffsetRect(&moved, -24, 0);
    EXPECT_TRUE(RestsAt(own, moved)) << Box(RectOf(own))[0] << "," << Box(RectOf(own))[1];
    // No room above it any more: the corner of the new work area.
    RECT low = narrower;
    low.top = above.top + 1;
    WorkAreaChange::Set(low);
    EXPECT_TRUE(RestsAt(own, Corner(160, low))) << Box(RectOf(own))[1];
    // As it was: above the other again.
    WorkAreaChange::Set(area);
    EXPECT_TRUE(RestsAt(own, above)) << Box(RectOf(own))[1];
    ClickCloseBox(own);
}

}  // namespace
