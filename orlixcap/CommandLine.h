// orlixcap's command line and where its lines go: the options, the help
// text, the exit codes, the console or file output in UTF-8 or UTF-16.
#pragma once
#include <windows.h>
#include "framework/Handles.h"
#include "framework/Text.h"
#include "framework/Utf16.h"
#include "rows/TextMatch.h"
#include <cstdint>
#include <string>
#include <vector>

namespace orlixcap {

// Exit codes besides the program's own (run mode).
constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;
constexpr int kExitBusy = 3;
constexpr int kExitChannel = 4;
constexpr int kExitOutput = 5;
constexpr int kExitStart = 6;
constexpr int kExitNotSeen = 1;     // --wait-for: no line matched in time
constexpr int kExitFailLine = 7;    // --fail-on: a line matched
constexpr int kExitCutShort = 8;    // --duration, --max-lines ended a run early
// How long --wait-for waits without --duration.
constexpr double kDefaultWaitSeconds = 60;

// --wait-for and --fail-on: a text the line contains (with case), or
// /REGEX/, a regular expression found anywhere in the line.
struct LinePattern {
    bool given = false;
    orlix::TextMatcher matcher;
    bool Matches(std::wstring_view text) const { return given && matcher.Matches(text); }
};

struct Options {
    std::wstring output;
    bool append = false;
    bool utf16 = false;
    bool global = false;
    bool help = false;
    std::wstring include, exclude;
    bool filtered = false;
    std::vector<std::wstring> program;   // empty: capture until stopped
    double durationSeconds = 0;          // 0: no limit
    uint64_t maxLines = 0;               // 0: no limit
    LinePattern waitFor, failOn;
    bool json = false;                   // --format json
    std::vector<std::wstring> follow;    // files whose new lines join the output
};

// Text to the console (as text) or to a file or pipe (as UTF-8).
void WriteText(HANDLE h, const std::wstring& text);
// Parses the command line: -1 when the options are good, else the exit code
// (the reason written to standard error).
int ParseOptions(int argc, wchar_t** argv, Options& o);
// The help text.
extern const wchar_t kHelp[];
// One argument quoted so that the program's own command-line parsing gives
// it back unchanged.
std::wstring QuoteArgument(const std::wstring& arg);

class Output {
public:
    bool Open(const Options& o)
    {
        m_utf16 = o.utf16;
        if (o.output.empty()) {
            m_file = ::GetStdHandle(STD_OUTPUT_HANDLE);
            DWORD mode = 0;
            m_console = ::GetFileType(m_file) == FILE_TYPE_CHAR && ::GetConsoleMode(m_file, &mode);
            return true;
        }
        m_owned.reset(::CreateFileW(o.output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    o.append ? OPEN_ALWAYS : CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!m_owned)
            return false;
        m_file = m_owned.get();
        LARGE_INTEGER size = {}, zero = {};
        if (!::GetFileSizeEx(m_file, &size) ||
            !::SetFilePointerEx(m_file, zero, nullptr, FILE_END))
            return false;
        if (m_utf16 && size.QuadPart == 0)
            m_bytes.append(reinterpret_cast<const char*>(fw::kUtf16LeBom),
                           sizeof(fw::kUtf16LeBom));
        return true;
    }

    void Add(const std::wstring& line)
    {
        if (m_console)
            m_text += line;
        else if (m_utf16)
            m_bytes.append(reinterpret_cast<const char*>(line.data()),
                           line.size() * sizeof(wchar_t));
        else
            m_bytes += fw::Utf8FromWide(line);
        if (m_bytes.size() + m_text.size() >= (1u << 16))
            Flush();
    }

    bool Flush()
    {
        if (m_console && !m_text.empty()) {
            DWORD written = 0;
            ::WriteConsoleW(m_file, m_text.data(), static_cast<DWORD>(m_text.size()), &written,
                            nullptr);
            m_text.clear();
        }
        if (!m_bytes.empty()) {
            if (!fw::WriteAll(m_file, m_bytes.data(), m_bytes.size()))
                m_failed = true;
            m_bytes.clear();
        }
        return !m_failed;
    }

    bool Close()
    {
        bool ok = Flush();
        if (m_owned)
            ok = m_owned.close() && ok;
        return ok;
    }

    bool Failed() const { return m_failed; }

private:
    fw::UniqueHandle m_owned;
    HANDLE m_file = nullptr;
    bool m_console = false;
    bool m_utf16 = false;
    bool m_failed = false;
    std::string m_bytes;
    std::wstring m_text;
};

} // namespace orlixcap
