// Check boxes, button row, drop-down list with confirm button, and the close button.
#pragma once
#include <windows.h>

void CreateOptionControls(HWND parent);
void CreateCheckBoxes(HWND parent);
void CreateButtonRow(HWND parent);
void CreateComboBox(HWND parent);
int CreateCloseButton(HWND parent);
void DrawCloseButton(HWND parent, const DRAWITEMSTRUCT* item);

// Frees the close-button images of the popup that is going away.
void ReleaseCloseBitmaps();

// Walks a "|"-separated list in place: each separator found becomes a zero byte and make is
// called for every item, empty ones included; a trailing separator adds no item. The first
// separator is found with firstSearch, every later one with laterSearch. Returns the items made.
template <typename Make>
int WalkOptionList(char* list, char* (*firstSearch)(char*), char* (*laterSearch)(char*), Make make)
{
    int made = 0;
    char* item = list;
    char* separator = firstSearch(item);
    while (*item) {
        char* next = nullptr;
        if (separator) {
            *separator = '\0';
            next = separator + 1;
        }
        if (!make(made, item))
            break;
        ++made;
        if (!separator)
            break;
        item = next;
        separator = laterSearch(item);
    }
    return made;
}
