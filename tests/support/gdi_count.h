// Counting what a test leaves behind: live GDI objects of this process and windows of this
// thread. GetGuiResources reports nothing under Wine, so the GDI count reads the process's
// GDI handle table directly.
#pragma once

#include <vector>

// Entries of the process's GDI handle table.
constexpr int kGdiTableEntries = 65536;

// Live GDI objects of this process (stock objects included), or -1 when the table is absent.
int CountLiveGdiObjects();

// Live GDI objects of this process other than regions, or -1 when the table is absent. Wine's
// window manager keeps the update and visible regions of windows, and its DC cache, as GDI
// objects that come and go with repainting; the module makes no region.
int CountGdiObjectsButRegions();

// The object type held by every entry of the table (0 for a free entry: 5 bitmap, 0x10 brush,
// 0x0a font, 1 DC, 4 region...; all 0 when the table is absent), so that a level that
// does not come back can be told apart by kind.
std::vector<unsigned char> GdiEntryTypes();

// Top-level windows of the calling thread (children are destroyed with their parents).
int CountThreadWindows();
