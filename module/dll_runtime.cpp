// The two pieces of the C++ runtime that the module's code refers to, on the C runtime's heap,
// so that the DLL links without libstdc++: its operator delete would otherwise bring the
// library's exception machinery and, with the posix thread model, winpthread along.
// Linked into the DLL only; the test programs keep the full runtime.
#include <cstddef>
#include <cstdlib>

// TrayIcon's virtual destructor names the sized form in its vtable; the module never deletes
// through it, but the entry must resolve.
void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}
