// The decisions of the popup and the dialog as plain arithmetic: how long the popup stays,
// and which 16-bit result code its closing reports.
#pragma once
#include <windows.h>

#include "NtfObj.h"
#include "module/internal_names.h"  // the close timer that the delay below is set on

enum : int {
    kCheckBoxFirstId = 0x7000,
    kRowButtonFirstId = 0x8000,
    kComboBoxId = 0x9000,
    kConfirmButtonId = 0x9100,
    kCloseButtonId = 0x9200,
};

// Check boxes beyond the fourth are shown but never reported.
enum { kReportedCheckBoxes = 4 };

enum : WORD {
    kResultClosedByBoxOrTimer = NTF_RESULT_CLOSED_BY_BOX_OR_TIMER,
    kResultClosedOtherwise = NTF_RESULT_CLOSED_OTHERWISE,
};
static_assert(kResultClosedByBoxOrTimer == 1000 && kResultClosedOtherwise == 1001, "close codes");

// 0 means the default of 10 s; 20 s is the longest a popup stays (every value from 20000 on,
// so every negative one too).
inline DWORD BoundCloseDelay(DWORD requestedMs)
{
    if (requestedMs == 0)
        return 10000;
    if (requestedMs >= 20000)
        return 20000;
    return requestedMs;
}

// What the popup knew when it closed.
struct PopupOutcome {
    WORD checkBits;  // bit i: check box i (i < 4) exists and is checked
    int hasButtonList;
    int pressedButton;
    int hasComboList;
    WORD comboSelection;
    int closeBoxShown;
    int closeBoxClicked;
    int timedOut;
};

// Each rule applies on top of the ones before it: check boxes, the button row's bit
// pressedButton + 8, the combo selection replacing both, then the close-mode codes.
inline WORD PopupResultCode(const PopupOutcome& outcome)
{
    WORD code = outcome.checkBits;
    if (outcome.hasButtonList) {
        if (outcome.pressedButton >= 0 && outcome.pressedButton < 8)
            code = static_cast<WORD>(code | (1u << (outcome.pressedButton + 8)));
    }
    if (outcome.hasComboList)
        code = outcome.comboSelection;
    if (outcome.closeBoxShown)
        code = (outcome.closeBoxClicked || outcome.timedOut) ? kResultClosedByBoxOrTimer
                                                             : kResultClosedOtherwise;
    return code;
}

// Bits of the checked boxes 0x7000..0x7003 among parent's children.
inline WORD CheckedBoxBits(HWND parent)
{
    WORD bits = 0;
    for (int i = 0; i < kReportedCheckBoxes; ++i) {
        HWND box = GetDlgItem(parent, kCheckBoxFirstId + i);
        if (box && SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED)
            bits = static_cast<WORD>(bits | (1u << i));
    }
    return bits;
}
