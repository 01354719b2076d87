// Holds a file open with no sharing until stdin ends, so that nobody else can
// open it (a way to make a write fail under Wine, where root ignores modes).
// With --denied-event NAME it holds instead a named event whose access list
// grants nothing: another program creating or opening that name is refused
// (access denied), as a user without the privilege to create global objects
// is refused "Global\\" names.
#include <windows.h>
#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    HANDLE h = INVALID_HANDLE_VALUE;
    if (argc == 3 && wcscmp(argv[1], L"--denied-event") == 0) {
        SECURITY_DESCRIPTOR sd;
        ACL acl;
        ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        ::InitializeAcl(&acl, sizeof(acl), ACL_REVISION);
        ::SetSecurityDescriptorDacl(&sd, TRUE, &acl, FALSE);
        SECURITY_ATTRIBUTES sa = { sizeof(sa), &sd, FALSE };
        h = ::CreateEventW(&sa, FALSE, FALSE, argv[2]);
        if (!h)
            h = INVALID_HANDLE_VALUE;
    } else {
        h = ::CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    }
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
