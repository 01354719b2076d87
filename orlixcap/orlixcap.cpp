// orlixcap: the console capture tool. Reads the debug channel with the
// viewer's own reader (capture/DebugChannel) and writes each line in the
// viewer's log-line format to standard output or a file; until Ctrl+C, or
// for the lifetime of a program it starts (then only that program's and its
// children's lines, and the program's exit code).
#include "orlixcap/CommandLine.h"
#include "capture/ArrivalClock.h"
#include "capture/DebugChannel.h"
#include "capture/FileFollower.h"
#include "capture/ProcessNamesWin.h"
#include "rows/JsonLine.h"
#include "rows/MessageFilter.h"
#include "rows/RecordFormat.h"
#include "framework/Handles.h"
#include "framework/Text.h"
#include "framework/Utf16.h"
#include <windows.h>
#include <algorithm>
#include <cwchar>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace orlixcap;

namespace {

// How long the readers get to hand over what they have taken at the end.
constexpr ULONGLONG kFinishWaitMs = 5000;

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

orlix::JsonTime JsonNow()
{
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return { st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds };
}

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

    // Followed files: only what is appended from now on.
    orlix::FollowedFiles followed;
    const orlix::FollowNotes notes{ L"--- %1 was truncated: following it from its start ---",
                                    L"--- %1 is another file now: following it from its start ---",
                                    L"--- %1 does not exist: waiting for it ---" };
    for (const std::wstring& file : o.follow) {
        wchar_t full[MAX_PATH];
        DWORD n = ::GetFullPathNameW(file.c_str(), MAX_PATH, full, nullptr);
        followed.Add(shared, n > 0 && n < MAX_PATH ? full : file, 0, notes);
    }

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
    // same way, written in the log file's line format (or as JSON). Once
    // --wait-for has seen its line or --max-lines is reached, no more.
    std::deque<orlix::DebugLine> batch;
    std::wstring name;
    uint64_t lines = 0;
    bool waitMatched = false, failSeen = false, enough = false;
    auto drain = [&] {
        orlix::TakeQueuedLines(*shared, batch);
        for (orlix::DebugLine& line : batch) {
            if (enough || (!line.file && tree && !tree->Contains(line)))
                continue;
            if (!filter.Matches(line.text.c_str()))
                continue;
            // A followed file's line: its name for the process, no pID.
            if (line.file)
                name = *line.file;
            else
                orlix::NameLineProcess(names, line.pid,
                                       line.process ? line.process->get() : nullptr, name);
            const std::wstring_view shownName = orlix::CutUnits(name, orlix::kMaxNameUnits);
            const std::wstring_view text = orlix::CutUnits(line.text, orlix::kMaxTextUnits);
            const orlix::ArrivalTime now = orlix::ShownTime(clock.Now());
            out.Add(o.json ? orlix::FormatJsonLine(JsonNow(),
                                                   line.file ? std::nullopt
                                                             : std::optional<uint32_t>(line.pid),
                                                   shownName, text)
                    : line.file ? orlix::FormatLogLineWithoutPid(shownName, now, text)
                                : orlix::FormatLogLine(shownName, line.pid, now, text));
            if (!failSeen && o.failOn.Matches(text)) {
                failSeen = true;
                WriteText(err, L"orlixcap: --fail-on matched a line of " +
                                   std::wstring(shownName) + L" (pID " +
                                   std::to_wstring(line.pid) + L"): " + std::wstring(text) +
                                   L"\n");
            }
            waitMatched = waitMatched || o.waitFor.Matches(text);
            enough = waitMatched || (o.maxLines && ++lines >= o.maxLines);
        }
        batch.clear();
        out.Flush();
    };

    // Until the program ends (a Ctrl+C reaches the program too: it decides),
    // or, without a program, a stop is asked for; or until the time is up,
    // the lines are enough, or the awaited line came.
    double seconds = o.durationSeconds;
    if (seconds == 0 && o.waitFor.given)
        seconds = kDefaultWaitSeconds;
    const ULONGLONG deadline = seconds > 0 ? ::GetTickCount64() + ULONGLONG(seconds * 1000) : 0;
    bool programEnded = false;
    HANDLE wait[2] = { shared->debugWake.get(), process ? process.get() : stopRequest.get() };
    while (!enough) {
        DWORD timeout = INFINITE;
        if (deadline) {
            const ULONGLONG now = ::GetTickCount64();
            if (now >= deadline)
                break;
            timeout = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 0x7FFFFFFF));
        }
        DWORD r = ::WaitForMultipleObjects(2, wait, FALSE, timeout);
        if (r == WAIT_OBJECT_0) {
            drain();
        } else if (r == WAIT_OBJECT_0 + 1) {
            programEnded = static_cast<bool>(process);
            break;
        }
    }

    // The lines already taken reach the output, then the readers end (a
    // stream that never pauses is cut after a few seconds).
    followed.RemoveAll(1000);
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
    DWORD code = 0;
    if (programEnded)
        ::GetExitCodeProcess(process.get(), &code);
    if (failSeen && code == 0)
        return kExitFailLine;
    if (o.waitFor.given)
        return waitMatched ? kExitOk : kExitNotSeen;
    if (process && !programEnded)
        return kExitCutShort;
    return static_cast<int>(code);
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
