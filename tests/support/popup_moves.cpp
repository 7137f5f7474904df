#include "support/popup_moves.h"

#include <windows.h>

#include "popup/notify_session.h"

namespace {
HHOOK hook;
std::vector<int>* recorded;
void (*notify)(int y);

LRESULT CALLBACK RecordMove(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_WINDOWPOSCHANGING &&
        m->hwnd == NotifySession.popupWindow) {
        const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(m->lParam);
        if (!(pos->flags & SWP_NOMOVE)) {
            if (recorded)
                recorded->push_back(pos->y);
            if (notify)
                notify(pos->y);
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}
}  // namespace

bool StartRecordingPopupMoves(std::vector<int>* ys, void (*onMove)(int y))
{
    recorded = ys;
    notify = onMove;
    hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordMove, nullptr, GetCurrentThreadId());
    return hook != nullptr;
}

void StopRecordingPopupMoves()
{
    if (hook)
        UnhookWindowsHookEx(hook);
    hook = nullptr;
    recorded = nullptr;
    notify = nullptr;
}
