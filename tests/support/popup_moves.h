// Watching the popup move: the vertical positions it is asked to take, as its
// WM_WINDOWPOSCHANGING reports them, recorded by a hook on the calling thread.
#pragma once

#include <vector>

// Starts recording into `ys` (when not null) and calls `onMove` (when set) for every move of the
// session's popup. False when the hook cannot be set.
bool StartRecordingPopupMoves(std::vector<int>* ys, void (*onMove)(int y) = nullptr);

void StopRecordingPopupMoves();
