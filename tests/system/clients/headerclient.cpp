// A client built from nothing but the shipped DebugTrace.h (compiled both
// narrow and UNICODE). Each line read from stdin is one DT call:
//   "<text>"          DT("%s", text)
//   "!long N"         DT("%s", N characters)   (shows the 511-character cut)
//   "!pid"            prints this process's id
// After each call it prints "sent" so the test can pace itself.
#include "../../../tracedemo/DebugTrace.h"
#include <string>

static TCHAR kFmt[] = _T("%s");

static std::string ReadLine()
{
    std::string s;
    int c;
    while ((c = getchar()) != EOF && c != '\n')
        if (c != '\r')
            s += (char)c;
    if (c == EOF && s.empty())
        return "\x04";
    return s;
}

int main()
{
    setvbuf(stdout, NULL, _IONBF, 0);
    for (;;) {
        std::string line = ReadLine();
        if (line == "\x04")
            break;
        if (line == "!pid") {
            printf("%lu\n", GetCurrentProcessId());
            continue;
        }
        std::basic_string<TCHAR> text;
        if (line.rfind("!long ", 0) == 0) {
            int n = atoi(line.c_str() + 6);
            for (int i = 0; i < n; ++i)
                text += (TCHAR)('a' + i % 26);
        } else {
            // stdin carries UTF-8; a narrow build sends in the ANSI code page.
            std::wstring wide;
            int n = MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, NULL, 0);
            wide.resize(n > 0 ? n - 1 : 0);
            if (n > 1)
                MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, &wide[0], n);
#ifdef _UNICODE
            text = wide;
#else
            n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, NULL, 0, NULL, NULL);
            text.resize(n > 0 ? n - 1 : 0);
            if (n > 1)
                WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &text[0], n, NULL, NULL);
#endif
        }
        DT(kFmt, text.c_str());
        printf("sent\n");
    }
    return 0;
}
