/* Starts threads one after another, one while another runs, and two back to back, printing
 * after each kind. Under qemu-i386 7.2 with Wine's 32-bit loader the process ends during the
 * third kind without a word; natively, and in 64-bit Wine, all three finish.
 *   i686-w64-mingw32-gcc -O2 -o thread_pair.exe thread_pair.c
 *   tools/wine-prefix.sh run build/i686/wineprefix thread_pair.exe */
#include <windows.h>
#include <process.h>
#include <stdio.h>

static volatile LONG finished;

static unsigned __stdcall Leaf(void* sleepMs)
{
    Sleep((DWORD)(UINT_PTR)sleepMs);
    InterlockedIncrement(&finished);
    return 0;
}

static HANDLE Start(DWORD sleepMs)
{
    return (HANDLE)_beginthreadex(NULL, 0, Leaf, (void*)(UINT_PTR)sleepMs, 0, NULL);
}

static void Join(HANDLE thread)
{
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

int main(void)
{
    int i;
    setvbuf(stdout, NULL, _IONBF, 0);
    for (i = 0; i < 30; ++i)
        Join(Start(0));
    printf("one after another: %ld threads\n", finished);
    for (i = 0; i < 30; ++i) {
        HANDLE running = Start(200);
        Sleep(100);
        Join(Start(0));
        Join(running);
    }
    printf("one while another runs: %ld threads\n", finished);
    for (i = 0; i < 30; ++i) {
        HANDLE first = Start(0), second = Start(0);
        Join(first);
        Join(second);
    }
    printf("two back to back: %ld threads\n", finished);
    return 0;
}
