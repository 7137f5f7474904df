// Message handling of the popup window and of the modal dialog.
#pragma once
#include <windows.h>

LRESULT CALLBACK PopupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PromptDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The pointer at lParam's client point over the link strip: capture and the hand (the arrow on
// old NT), else release and the arrow. Shared by both procedures.
void TrackLinkHover(HWND window, LPARAM lParam);

// Opens the session's link, the address as the face shows it. Shared by both procedures.
void OpenSessionLink();

// Slides the popup out and destroys it; a close already under way is not started again.
void ClosePopup(HWND window);
// The same, as the auto-close timer closes it.
void ClosePopupAsTimer(HWND window);
