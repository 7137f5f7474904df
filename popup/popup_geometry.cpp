#include "popup/popup_geometry.h"

#include "popup/dpi_scale.h"

PopupPlacement ComputePopupPlacement(const RECT& workArea, int width, bool tall)
{
    return ComputePopupPlacementForDpi(workArea, width, tall, kDesignDpi);
}

PopupPlacement ComputePopupPlacementForDpi(const RECT& workArea, int width, bool tall, UINT dpi)
{
    PopupPlacement p;
    width = ScaleForDpi(width, dpi);
    p.width = width;
    p.height = ScaleForDpi(tall ? 180 : 160, dpi);
    p.shownX = workArea.right - width;
    p.shownY = workArea.bottom - p.height;
    p.hiddenY = workArea.bottom;
    return p;
}

int ComputeSlidePositions(int startY, int targetY, int step, int* positions, int room)
{
    int count = 0;
    if (step <= 0)
        return 0;  // a slide that would never arrive
    int y = startY;
    if (y > targetY) {
        do {
            if (count < room)
                positions[count] = y;
            ++count;
            y -= step;
        } while (y > targetY);
    } else if (y < targetY) {
        do {
            if (count < room)
                positions[count] = y;
            ++count;
            y += step;
        } while (y < targetY);
    }
    return count;
}
