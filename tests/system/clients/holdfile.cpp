// Holds a file open with no sharing until stdin ends, so that nobody else can
// open it (a way to make a write fail under Wine, where root ignores modes).
#include <windows.h>
#include <cstdio>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    HANDLE h = ::CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        printf("error %lu\n", ::GetLastError());
        return 1;
    }
    printf("held\n");
    fflush(stdout);
    char buf[64];
    while (fgets(buf, sizeof(buf), stdin)) {
    }
    ::CloseHandle(h);
    return 0;
}
