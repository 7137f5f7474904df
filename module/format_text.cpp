#include "module/format_text.h"

#include <cstdarg>
#include <cstdio>

void FormatText(char* buffer, size_t size, const char* format, ...)
{
    if (size == 0)
        return;
    va_list arguments;
    va_start(arguments, format);
    // _vsnprintf leaves the buffer unterminated when the output fills or exceeds the count;
    // bytes after a terminator it did write stay as they were, as with snprintf.
    const int written = _vsnprintf(buffer, size - 1, format, arguments);
    va_end(arguments);
    if (written < 0 || static_cast<size_t>(written) >= size - 1)
        buffer[size - 1] = 0;
}
