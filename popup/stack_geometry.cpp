#include "popup/stack_geometry.h"

#include "popup/slide_pacing.h"

PopupPlacement ComputeStackedPlacement(const PopupPlacement& corner, const RECT& workArea, int gap,
                                       const RECT* earlier, int count)
{
    const int left = corner.shownX, right = corner.shownX + corner.width;
    int floor = workArea.bottom;
    for (int i = 0; i < count; ++i) {
        const RECT& r = earlier[i];
        const bool inColumn = r.left < right && r.right > left;
        const bool inWorkArea = r.top < workArea.bottom && r.bottom > workArea.top;
        if (inColumn && inWorkArea && r.top - gap < floor)
            floor = r.top - gap;
    }
    if (floor == workArea.bottom || floor - corner.height < workArea.top)
        return corner;
    PopupPlacement p = corner;
    p.shownY = floor - corner.height;
    p.hiddenY = floor;
    return p;
}

bool AppearedBefore(DWORD order, DWORD id, DWORD otherOrder, DWORD otherId)
{
    const LONG ahead = static_cast<LONG>(otherOrder - order);
    if (ahead != 0)
        return ahead > 0;
    return id < otherId;
}

int StackMoveY(int fromY, int toY, int step, LONGLONG elapsedMicroseconds)
{
    if (step <= 0 || fromY == toY)
        return toY;
    const LONGLONG steps = elapsedMicroseconds > 0 ? elapsedMicroseconds / kSlideStepMicroseconds : 0;
    const LONGLONG span = toY > fromY ? LONGLONG(toY) - fromY : LONGLONG(fromY) - toY;
    const LONGLONG distance = steps * step;
    if (distance >= span)
        return toY;
    return static_cast<int>(toY > fromY ? fromY + distance : fromY - distance);
}
