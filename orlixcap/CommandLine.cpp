#include "orlixcap/CommandLine.h"
#include "framework/Text.h"
#include "framework/Utf16.h"
#include <cwchar>
#include <string>

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
    L"  --duration SECONDS      stop after SECONDS (a decimal number)\n"
    L"  --max-lines N           stop after writing N lines\n"
    L"  --wait-for PATTERN      stop with exit code 0 as soon as a line matches\n"
    L"                          PATTERN, 1 when none does in time (--duration, or\n"
    L"                          60 seconds) or before PROGRAM ends\n"
    L"  --fail-on PATTERN       exit with code 7 when a line matches PATTERN, even\n"
    L"                          if PROGRAM succeeds; the first such line is named\n"
    L"                          on standard error\n"
    L"                          (PATTERN: a text the line contains, case counts,\n"
    L"                          or /REGEX/, a Perl regular expression)\n"
    L"  --format text|json      text: the log-line format (the default); json: one\n"
    L"                          JSON object a line (JSON Lines, UTF-8) with time,\n"
    L"                          pid, process and text\n"
    L"  -h, --help              this text\n"
    L"\n"
    L"exit codes:\n"
    L"  0   stopped by Ctrl+C, Ctrl+Break, --duration or --max-lines; all lines\n"
    L"      read were written (with --wait-for: a line matched)\n"
    L"  1   --wait-for: no line matched in time\n"
    L"  2   bad usage (unknown option, missing value)\n"
    L"  3   another reader (an Orlix window, another orlixcap) holds the debug channel\n"
    L"  4   the debug channel could not be opened (with --global: the privilege to\n"
    L"      create global objects is missing)\n"
    L"  5   the output file could not be opened or written\n"
    L"  6   PROGRAM could not be started\n"
    L"  7   --fail-on: a line matched (and PROGRAM, if any, exited with 0)\n"
    L"  8   --duration or --max-lines ended the capture before PROGRAM ended\n"
    L"      (PROGRAM runs on)\n"
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

// "/REGEX/" or a plain text, compiled; false with the reason in `why`.
static bool SetPattern(const std::wstring& value, LinePattern& p, std::wstring& why)
{
    const bool regex = value.size() >= 2 && value.front() == L'/' && value.back() == L'/';
    const std::wstring pattern = regex ? value.substr(1, value.size() - 2) : value;
    if (pattern.empty()) {
        why = L"needs a text or /REGEX/";
        return false;
    }
    orlix::MatchOptions options;
    options.matchCase = true;
    options.regex = regex;
    std::wstring error;
    if (!p.matcher.Set(pattern, options, &error)) {
        why = L"has a regular expression that does not compile: " + error;
        return false;
    }
    p.given = true;
    return true;
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
        } else if (a == L"--duration") {
            std::wstring v;
            wchar_t* end = nullptr;
            double seconds = value(v) ? std::wcstod(v.c_str(), &end) : 0;
            if (v.empty() || *end || !(seconds > 0 && seconds <= 1e7))
                return UsageError(L"option '--duration' needs a number of seconds above 0");
            o.durationSeconds = seconds;
        } else if (a == L"--max-lines") {
            std::wstring v;
            bool digits = value(v) && !v.empty() && v.size() <= 18;
            for (wchar_t c : v)
                digits = digits && c >= L'0' && c <= L'9';
            if (!digits || std::stoull(v) == 0)
                return UsageError(L"option '--max-lines' needs a number of lines above 0");
            o.maxLines = std::stoull(v);
        } else if (a == L"--wait-for" || a == L"--fail-on") {
            std::wstring v, why = L"needs a text or /REGEX/";
            if (!value(v) || !SetPattern(v, a == L"--wait-for" ? o.waitFor : o.failOn, why))
                return UsageError(L"option '" + a + L"' " + why);
        } else if (a == L"--format") {
            std::wstring v;
            if (!value(v) || (v != L"text" && v != L"json"))
                return UsageError(L"option '--format' needs 'text' or 'json'");
            o.json = v == L"json";
        } else {
            return UsageError(L"unknown option '" + a + L"'");
        }
    }
    if (o.append && o.output.empty() && !o.help)
        return UsageError(L"'--append' needs '-o FILE'");
    if (o.json && o.utf16 && !o.help)
        return UsageError(L"'--format json' writes UTF-8: leave out '--utf16'");
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
