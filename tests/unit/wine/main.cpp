// Entry point of the in-process tests (a Unicode console program).
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

int wmain(int argc, wchar_t** argv)
{
    testing::InitGoogleTest(&argc, argv);
    INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_WIN95_CLASSES | ICC_COOL_CLASSES };
    ::InitCommonControlsEx(&icc);
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(2, 2), &wsa);
    int r = RUN_ALL_TESTS();
    ::WSACleanup();
    return r;
}
