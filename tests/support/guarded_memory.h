// Memory that ends at a page nobody may read, so that a read or write one byte past the end of
// a buffer, a terminator or an argument array faults at once instead of passing unseen.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// `size` bytes whose last one is the last readable byte before an inaccessible page.
class GuardedBytes {
public:
    explicit GuardedBytes(size_t size);
    ~GuardedBytes();
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;
    BYTE* data() const { return data_; }
    // The last `count` elements of type T before the guard page.
    template <class T> T* last(size_t count) const { return reinterpret_cast<T*>(end_) - count; }

private:
    BYTE* base_;
    BYTE* data_;
    BYTE* end_;
};

// A zero-terminated byte string whose terminator is the last readable byte.
class GuardedText {
public:
    explicit GuardedText(const std::string& text);
    char* get() const { return reinterpret_cast<char*>(bytes_.data()); }

private:
    GuardedBytes bytes_;
};
