// Formatting into a fixed buffer without the C++ runtime's printf.
#pragma once
#include <cstddef>

// snprintf's contract on the C runtime's _vsnprintf: at most size - 1 bytes of output, always
// terminated when size is not 0. The module links msvcrt's formatter only, not MinGW's.
void FormatText(char* buffer, size_t size, const char* format, ...);
