// orlixcap: the console capture tool. Reads the debug channel with the
// viewer's own reader (capture/DebugChannel) and writes each line in the
// viewer's log-line format to standard output or a file; until Ctrl+C, or
// for the lifetime of a program it starts (then only that program's and its
// children's lines, and the program's exit code).
#include "capture/ArrivalClock.h"
#include "capture/DebugChannel.h"
#include "capture/ProcessNamesWin.h"
#include "rows/MessageFilter.h"
#include "rows/RecordFormat.h"
#include "framework/Handles.h"
#include "framework/Text.h"
#include "framework/Utf16.h"
#include <windows.h>
#include <cwchar>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// Exit codes besides the program's own (run mode).
constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;
constexpr int kExitBusy = 3;
constexpr int kExitChannel = 4;
constexpr int kExitOutput = 5;
constexpr int kExitStart = 6;

// How long the readers get to hand over what they have taken at the end.
constexpr ULONGLONG kFinishWaitMs = 5000;

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

struct Options {
    std::wstring output;
    bool append = false;
    bool utf16 = false;
    bool global = false;
    bool help = false;
    std::wstring include, exclude;
    bool filtered = false;
    std::vector<std::wstring> program;   // empty: capture until stopped
};


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

int UsageError(const std::wstring& why)
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

// Set by Ctrl+C, Ctrl+Break and the console's closing.
HANDLE g_stopRequest = nullptr;

BOOL WINAPI OnConsoleControl(DWORD type)
{
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        ::SetEvent(g_stopRequest);
        return TRUE;
    default:
        return FALSE;
    }
}

// Which lines belong to the started program's process tree: its own, and
// those of processes in its job (children inherit the job). The answer for
// a writer is kept with its process handle, which also keeps its id from
// being reused while it is kept.
class TreeMembership {
public:
    TreeMembership(HANDLE job, DWORD rootPid) : m_job(job), m_root(rootPid) {}

    bool Contains(const orlix::DebugLine& line)
    {
        if (line.pid == m_root)
            return true;
        if (!line.process)
            return false;
        auto it = m_known.find(line.pid);
        if (it != m_known.end() && it->second.first == line.process)
            return it->second.second;
        BOOL inJob = FALSE;
        bool member = ::IsProcessInJob(line.process->get(), m_job, &inJob) && inJob;
        m_known[line.pid] = { line.process, member };
        return member;
    }

private:
    HANDLE m_job;
    DWORD m_root;
    std::map<uint32_t, std::pair<std::shared_ptr<const fw::UniqueHandle>, bool>> m_known;
};

int Capture(const Options& o)
{
    HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    Output out;
    if (!out.Open(o)) {
        WriteText(err, L"orlixcap: " + orlix::OpenFileFailedText(o.output) + L"\n");
        return kExitOutput;
    }

    auto shared = std::make_shared<orlix::WorkerShared>();
    shared->debugWake.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));

    struct Source {
        std::unique_ptr<orlix::DebugChannel> channel = std::make_unique<orlix::DebugChannel>();
        orlix::WorkerIndex who;
        const wchar_t* prefix;
    };
    Source sources[2];
    sources[0].who = orlix::kDebugOutput;
    sources[0].prefix = orlix::kSessionChannel;
    sources[1].who = orlix::kGlobalDebugOutput;
    sources[1].prefix = orlix::kGlobalChannel;
    size_t sourceCount = o.global ? 2 : 1;
    for (size_t i = 0; i < sourceCount; ++i) {
        Source& src = sources[i];
        std::wstring which = i == 0 ? L"the debug channel" : L"the global debug channel";
        switch (src.channel->Open(src.prefix, false)) {
        case orlix::ChannelOpen::Ok:
            break;
        case orlix::ChannelOpen::Busy:
            WriteText(err, L"orlixcap: another reader (an Orlix window or another orlixcap) "
                           L"holds " + which + L"; close it and try again.\n");
            return kExitBusy;
        case orlix::ChannelOpen::Refused:
            WriteText(err, L"orlixcap: the system refused to create " + which +
                               L" (error " + std::to_wstring(src.channel->Error()) +
                               (i == 1 ? L"): reading it needs the privilege to create global "
                                         L"objects; run as an administrator.\n"
                                       : L").\n"));
            return kExitChannel;
        case orlix::ChannelOpen::Failed:
            WriteText(err, L"orlixcap: " + which + L" could not be opened (error " +
                               std::to_wstring(src.channel->Error()) + L").\n");
            return kExitChannel;
        }
    }

    fw::UniqueHandle stopRequest(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    g_stopRequest = stopRequest.get();
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);

    // The readers take lines until `finish`; each line a reader has already
    // taken is still queued before it ends.
    fw::UniqueHandle finish(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::vector<HANDLE> readersDone;
    for (size_t i = 0; i < sourceCount; ++i)
        if (orlix::StartReader(shared, sources[i].who, std::move(sources[i].channel),
                               finish.get()))
            readersDone.push_back(shared->workers[sources[i].who].done.get());

    // Run mode: the program in a job of its own, so its children are known.
    fw::UniqueHandle job, process;
    DWORD programPid = 0;
    if (!o.program.empty()) {
        std::wstring commandLine;
        for (const std::wstring& a : o.program) {
            if (!commandLine.empty())
                commandLine += L' ';
            commandLine += QuoteArgument(a);
        }
        job.reset(::CreateJobObjectW(nullptr, nullptr));
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        if (!job || !::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE,
                                      CREATE_SUSPENDED, nullptr, nullptr, &si, &pi)) {
            DWORD e = ::GetLastError();
            WriteText(err, L"orlixcap: cannot start '" + o.program[0] + L"' (error " +
                               std::to_wstring(e) + L").\n");
            ::SetEvent(finish.get());
            ::WaitForMultipleObjects(static_cast<DWORD>(readersDone.size()),
                                     readersDone.data(), TRUE, 5000);
            return kExitStart;
        }
        process.reset(pi.hProcess);
        fw::UniqueHandle thread(pi.hThread);
        programPid = pi.dwProcessId;
        ::AssignProcessToJobObject(job.get(), process.get());
        ::ResumeThread(thread.get());
    }
    std::unique_ptr<TreeMembership> tree;
    if (process)
        tree = std::make_unique<TreeMembership>(job.get(), programPid);
    else
        WriteText(err, L"orlixcap: capturing the debug output; Ctrl+C or Ctrl+Break stops.\n");

    MessageFilter filter;
    if (o.filtered)
        filter.SetFilters(o.include.c_str(), o.exclude.c_str());
    orlix::ProcessNameCache names(orlix::MakeSystemProcessSource());
    orlix::ArrivalClock clock;

    // The viewer's intake, but into the output: named, stamped and cut the
    // same way, written in the log file's line format.
    std::deque<orlix::DebugLine> batch;
    std::wstring name;
    auto drain = [&] {
        orlix::TakeQueuedLines(*shared, batch);
        for (orlix::DebugLine& line : batch) {
            if (tree && !tree->Contains(line))
                continue;
            if (!filter.Matches(line.text.c_str()))
                continue;
            orlix::NameLineProcess(names, line.pid, line.process ? line.process->get() : nullptr,
                                   name);
            out.Add(orlix::FormatLogLine(orlix::CutUnits(name, orlix::kMaxNameUnits), line.pid,
                                         orlix::ShownTime(clock.Now()),
                                         orlix::CutUnits(line.text, orlix::kMaxTextUnits)));
        }
        batch.clear();
        out.Flush();
    };

    // Until the program ends (a Ctrl+C reaches the program too: it decides)
    // or, without a program, a stop is asked for.
    HANDLE wait[2] = { shared->debugWake.get(), process ? process.get() : stopRequest.get() };
    for (;;) {
        DWORD r = ::WaitForMultipleObjects(2, wait, FALSE, INFINITE);
        if (r == WAIT_OBJECT_0) {
            drain();
            continue;
        }
        if (r == WAIT_OBJECT_0 + 1)
            break;
    }

    // The lines already taken reach the output, then the readers end (a
    // stream that never pauses is cut after a few seconds).
    ::SetEvent(finish.get());
    ULONGLONG finishing = ::GetTickCount64();
    for (;;) {
        drain();
        if (readersDone.empty() ||
            ::WaitForMultipleObjects(static_cast<DWORD>(readersDone.size()), readersDone.data(),
                                     TRUE, 0) != WAIT_TIMEOUT)
            break;
        if (::GetTickCount64() - finishing > kFinishWaitMs) {
            for (Source& src : sources)
                ::SetEvent(shared->workers[src.who].stop.get());
            if (::GetTickCount64() - finishing > 2 * kFinishWaitMs)
                break;
        }
        ::WaitForSingleObject(shared->debugWake.get(), 20);
    }
    drain();
    bool written = out.Close();
    if (!written) {
        WriteText(err, L"orlixcap: writing the output failed.\n");
        return kExitOutput;
    }
    if (process) {
        DWORD code = 0;
        ::GetExitCodeProcess(process.get(), &code);
        return static_cast<int>(code);
    }
    return kExitOk;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    Options o;
    int bad = ParseOptions(argc, argv, o);
    if (bad >= 0)
        return bad;
    if (o.help) {
        WriteText(::GetStdHandle(STD_OUTPUT_HANDLE), kHelp);
        return kExitOk;
    }
    return Capture(o);
}
