// Counting what a test leaves behind: live GDI objects of this process and windows of this
// thread. GetGuiResources reports nothing under Wine, so the GDI count reads the process's
// GDI handle table directly.
#pragma once

// Entries of the process's GDI handle table.
constexpr int kGdiTableEntries = 65536;

// The object type held by entry `index` of the table (0 for a free entry: 5 bitmap, 0x10 brush,
// 0x0a font, 1 DC, 4 region...), or -1 when the table is absent.
int GdiEntryType(int index);

// Live GDI objects of this process (stock objects included), or -1 when the table is absent.
int CountLiveGdiObjects();

// Top-level windows of the calling thread (children are destroyed with their parents).
int CountThreadWindows();
