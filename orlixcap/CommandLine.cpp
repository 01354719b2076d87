#include "orlixcap/CommandLine.h"
#include "framework/Text.h"
#include "framework/Utf16.h"

namespace orlixcap {

extern const wchar_t kHelp[];
const wchar_t kHelp[] =
    L"orlixcap - writes the lines programs send to the debug output (OutputDebugString)\n"
    L"in the log-line format of Orlix: process, pID, time and text, separated by\n"
    L"two tabs each.\n"
    L"\n"
    L"usage: orlixcap [options]                   capture until Ctrl+C or Ctrl+Break\n"
    L"       orlixcap [options] -- PROGRAM ARGS   run PROGRAM, capture the lines of it\n"
    L"                                            and of its child processes until it\n"
    L"                                            ends, and exit with its exit code\n"
    L"\n"
    L"options:\n"
    L"  -o FILE, --output FILE  write to FILE (replaced) instead of standard output\n"
    L"  --append                add to the end of FILE instead of replacing it\n"
    L"  --utf16                 write UTF-16 (little-endian, byte-order mark at the\n"
    L"                          start of a file) instead of UTF-8\n"
    L"  --include LIST          only lines that contain one of the items of LIST\n"
    L"  --exclude LIST          no lines that contain one of the items of LIST\n"
    L"                          (LIST as in the viewer's filter: \"item;item;\";\n"
    L"                          \"*\" in either list switches filtering off)\n"
    L"  --global                also read the global channel that services write to\n"
    L"                          (needs the privilege to create global objects)\n"
    L"  --follow FILE           also write the lines appended to FILE from now on\n"
    L"                          (its name for the process, no pID); repeatable. A\n"
    L"                          file that is renamed, truncated or replaced is\n"
    L"                          followed on from the start of the new file\n"
    L"  -h, --help              this text\n"
    L"\n"
    L"exit codes:\n"
    L"  0   stopped by Ctrl+C or Ctrl+Break; all lines read were written\n"
    L"  2   bad usage (unknown option, missing value)\n"
    L"  3   another reader (an Orlix window, another orlixcap) holds the debug channel\n"
    L"  4   the debug channel could not be opened (with --global: the privilege to\n"
    L"      create global objects is missing)\n"
    L"  5   the output file could not be opened or written\n"
    L"  6   PROGRAM could not be started\n"
    L"  otherwise, with PROGRAM: PROGRAM's own exit code\n";

void WriteText(HANDLE h, const std::wstring& text)
{
    DWORD mode = 0;
    if (::GetFileType(h) == FILE_TYPE_CHAR && ::GetConsoleMode(h, &mode)) {
        DWORD written = 0;
        ::WriteConsoleW(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    std::string bytes = fw::Utf8FromWide(text);
    fw::WriteAll(h, bytes.data(), bytes.size());
}

static int UsageError(const std::wstring& why)
{
    WriteText(::GetStdHandle(STD_ERROR_HANDLE),
              L"orlixcap: " + why + L"\nTry 'orlixcap --help' for more information.\n");
    return kExitUsage;
}

// Returns -1 when the options are good, else the exit code.
int ParseOptions(int argc, wchar_t** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        auto value = [&](std::wstring& into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        if (a == L"--") {
            for (++i; i < argc; ++i)
                o.program.emplace_back(argv[i]);
            if (o.program.empty())
                return UsageError(L"'--' must be followed by the program to run");
            break;
        } else if (a == L"-h" || a == L"--help" || a == L"/?") {
            o.help = true;
        } else if (a == L"-o" || a == L"--output") {
            if (!value(o.output) || o.output.empty())
                return UsageError(L"option '" + a + L"' needs a file name");
        } else if (a == L"--append") {
            o.append = true;
        } else if (a == L"--utf16") {
            o.utf16 = true;
        } else if (a == L"--global") {
            o.global = true;
        } else if (a == L"--follow") {
            std::wstring file;
            if (!value(file) || file.empty())
                return UsageError(L"option '--follow' needs a file name");
            o.follow.push_back(file);
        } else if (a == L"--include") {
            if (!value(o.include))
                return UsageError(L"option '--include' needs a list");
            o.filtered = true;
        } else if (a == L"--exclude") {
            if (!value(o.exclude))
                return UsageError(L"option '--exclude' needs a list");
            o.filtered = true;
        } else {
            return UsageError(L"unknown option '" + a + L"'");
        }
    }
    if (o.append && o.output.empty() && !o.help)
        return UsageError(L"'--append' needs '-o FILE'");
    return -1;
}

// One argument quoted so that the program's own command-line parsing gives
// it back unchanged.
std::wstring QuoteArgument(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"')
            out.append(backslashes * 2 + 1, L'\\');
        else
            out.append(backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    out += L'"';
    return out;
}

// Where the lines go, in the chosen encoding; collects them and writes in
// blocks.
} // namespace orlixcap
