#include "popup/window_procs.h"

#include "module/internal_names.h"
#include "popup/link_browser.h"
#include "popup/dpi_scale.h"
#include "popup/face_colors.h"
#include "popup/notify_session.h"
#include "popup/option_controls.h"
#include "popup/paint.h"
#include "popup/popup_accessible.h"
#include "popup/popup_rules.h"

namespace {
const int kCompactDialogHeight = 176;

// Marks, in the dialog's own user word, that OK or Cancel has ended its session.
void MarkSessionEnded(HWND dialog)
{
    SetWindowLongPtrA(dialog, DWLP_USER, 1);
}

bool SessionEnded(HWND dialog)
{
    return GetWindowLongPtrA(dialog, DWLP_USER) != 0;
}

void OnInitDialog(HWND dialog)
{
    NotifySessionRecord& s = NotifySession;
    SetForegroundWindow(dialog);
    CreateOptionControls(dialog);
    if (s.checkCount == 0) {
        // Without check boxes the dialog shrinks and the OK button moves up into the face.
        // Sizes and the button's place scale with the display's density.
        const UINT dpi = DpiForWindow(dialog);
        s.popupHeight = ScaleForDpi(kCompactDialogHeight, dpi);
        SetWindowPos(dialog, nullptr, 0, 0, ScaleForDpi(s.popupWidth, dpi), s.popupHeight,
                     SWP_NOMOVE | SWP_NOZORDER);
        SetWindowPos(GetDlgItem(dialog, IDOK), nullptr, ScaleForDpi(s.popupWidth / 2, dpi),
                     ScaleForDpi(kCompactDialogHeight - 58, dpi), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
}
}  // namespace

INT_PTR CALLBACK PromptDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    NotifySessionRecord& s = NotifySession;
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return 1;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(dialog, &paint);
        PaintNotification(dialog, dc);
        EndPaint(dialog, &paint);
        return 1;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id != IDOK && id != IDCANCEL)
            return 0;
        s.resultCode = CheckedBoxBits(dialog);
        ResetSession(kPopupClass);
        MarkSessionEnded(dialog);
        EndDialog(dialog, id);
        return 1;
    }
    case WM_DESTROY:
        // Destroyed without OK or Cancel (with its owner, or from outside): the session ends as
        // Cancel would end it, so its lists do not come back in the next notification.
        if (!SessionEnded(dialog)) {
            s.resultCode = CheckedBoxBits(dialog);
            ResetSession(kPopupClass);
            MarkSessionEnded(dialog);
        }
        return 0;
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<INT_PTR>(FaceBackgroundBrush());
    case WM_MOUSEMOVE:
        // The dialog follows the link strip whether or not a link is drawn there.
        TrackLinkHover(dialog, lParam);
        return 0;
    case WM_LBUTTONDOWN:
        if (s.linkHover == 1 && s.linkClickable == 1)
            OpenSessionLink();
        return 0;
    case WM_GETOBJECT: {
        // Screen readers read the dialog as they read the popup.
        LRESULT answer = 0;
        if (!AnswerAccessibleObject(dialog, wParam, lParam, &answer))
            return 0;
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, answer);
        return 1;
    }
    case kAccessibleLinkAction:
        if (s.linkShown && s.linkClickable == 1)
            OpenSessionLink();
        return 1;
    default:
        return 0;
    }
}
