// logwriter: a program that writes a log file the way programs do, driven
// one command per stdin line; each is answered "ok" or "fail ERROR" on
// stdout, so a test sees that the writer was never in trouble.
//   append PATH HEX            the bytes appended (the file made if needed)
//   lines PATH PREFIX N        N lines "PREFIXi\r\n" at full speed, one write each
//   rename FROM TO | delete PATH | truncate PATH
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

HANDLE OpenForAppend(const std::wstring& path)
{
    // As a log writer opens its file: others may read it, not write it.
    return ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool Append(const std::wstring& path, const std::string& bytes)
{
    HANDLE h = OpenForAppend(path);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    bool ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
              done == bytes.size();
    ::CloseHandle(h);
    return ok;
}

bool Lines(const std::wstring& path, const std::string& prefix, long n)
{
    HANDLE h = OpenForAppend(path);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    for (long i = 0; i < n && ok; ++i) {
        std::string line = prefix + std::to_string(i) + "\r\n";
        DWORD done = 0;
        ok = ::WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &done, nullptr) &&
             done == line.size();
    }
    ::CloseHandle(h);
    return ok;
}

std::string FromHex(const std::string& hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

std::wstring Wide(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

} // namespace

int main()
{
    char buf[1 << 16];
    while (std::fgets(buf, sizeof(buf), stdin)) {
        std::vector<std::string> a;
        std::string cur;
        for (const char* p = buf; *p && *p != '\n' && *p != '\r'; ++p) {
            if (*p == ' ') {
                a.push_back(cur);
                cur.clear();
            } else {
                cur += *p;
            }
        }
        a.push_back(cur);
        bool ok = false;
        if (a[0] == "append" && a.size() == 3)
            ok = Append(Wide(a[1]), FromHex(a[2]));
        else if (a[0] == "lines" && a.size() == 4)
            ok = Lines(Wide(a[1]), a[2], std::stol(a[3]));
        else if (a[0] == "rename" && a.size() == 3)
            ok = ::MoveFileExW(Wide(a[1]).c_str(), Wide(a[2]).c_str(), MOVEFILE_REPLACE_EXISTING);
        else if (a[0] == "delete" && a.size() == 2)
            ok = ::DeleteFileW(Wide(a[1]).c_str());
        else if (a[0] == "truncate" && a.size() == 2) {
            HANDLE h = ::CreateFileW(Wide(a[1]).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                     nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            ok = h != INVALID_HANDLE_VALUE && ::CloseHandle(h);
        }
        if (ok)
            std::printf("ok\n");
        else
            std::printf("fail %lu\n", ::GetLastError());
        std::fflush(stdout);
    }
    return 0;
}
