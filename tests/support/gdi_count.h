// Counting what a test leaves behind: live GDI objects of this process and windows of this
// thread. GetGuiResources reports nothing under Wine, so the GDI count reads the process's
// GDI handle table directly.
#pragma once

// Live GDI objects of this process (stock objects included), or -1 when the table is absent.
int CountLiveGdiObjects();

// Top-level windows of the calling thread (children are destroyed with their parents).
int CountThreadWindows();
