#include "capture/FileFollower.h"
#include "rows/FollowText.h"
#include "rows/RecordFormat.h"
#include "framework/Text.h"
#include <windows.h>
#include <algorithm>
#include <optional>

namespace orlix {

struct FollowedFiles::File {
    std::wstring path;
    // Following from the end: the file's size when it was asked for, so
    // that lines written while the worker starts are not taken for old ones.
    uint64_t sizeAsked = 0;
    std::shared_ptr<const std::wstring> name;
    fw::WorkerSignals signals;
};

namespace {

// While lines come, the file is looked at this often; while it is idle,
// less often (a change notification of its folder wakes the worker sooner).
constexpr DWORD kBusyPollMs = 40;
constexpr DWORD kIdlePollMs = 200;
// A last line without its line end becomes a row after this long.
constexpr ULONGLONG kPartialLineMs = 1000;
constexpr size_t kReadBlock = 256 * 1024;

struct FileId {
    DWORD volume = 0, high = 0, low = 0;
    bool operator==(const FileId& o) const
    {
        return volume == o.volume && high == o.high && low == o.low;
    }
};

std::optional<FileId> IdOf(HANDLE h)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(h, &info))
        return std::nullopt;
    return FileId{ info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow };
}

HANDLE OpenShared(const std::wstring& path, DWORD access)
{
    return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::wstring Filled(const std::wstring& format, const std::wstring& path)
{
    std::wstring text = format;
    size_t at = text.find(L"%1");
    if (at != std::wstring::npos)
        text.replace(at, 2, path);
    return text;
}

// One followed file, on its worker's thread.
class Follower {
public:
    Follower(WorkerShared& s, FollowedFiles::File& f, size_t tail, FollowNotes notes)
        : m_s(s), m_f(f), m_tail(tail), m_notes(std::move(notes))
    {
    }
    void Run();

private:
    enum class Name { Same, Other, Gone };
    bool Open(bool fromTail);
    // Reads what was added; false when asked to stop.
    bool ReadNew(bool& got);
    bool Queue(std::vector<std::wstring>& lines);
    bool Note(const std::wstring& format);
    Name CheckName();
    bool Close();
    size_t ReadAt(uint64_t at, char* buffer, size_t count);

    WorkerShared& m_s;
    FollowedFiles::File& m_f;
    size_t m_tail;
    FollowNotes m_notes;
    HANDLE m_stop = m_f.signals.stop.get();
    fw::UniqueHandle m_file;
    FileId m_id;
    uint64_t m_pos = 0;
    std::unique_ptr<LineSplitter> m_split;
    std::vector<std::wstring> m_lines;
};

size_t Follower::ReadAt(uint64_t at, char* buffer, size_t count)
{
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(at);
    DWORD got = 0;
    if (!::SetFilePointerEx(m_file.get(), to, nullptr, FILE_BEGIN) ||
        !::ReadFile(m_file.get(), buffer, static_cast<DWORD>(count), &got, nullptr))
        return 0;
    return got;
}

bool Follower::Open(bool fromTail)
{
    m_file.reset(OpenShared(m_f.path, GENERIC_READ));
    if (!m_file)
        return false;
    std::optional<FileId> id = IdOf(m_file.get());
    m_id = id ? *id : FileId{};
    m_split.reset();
    m_pos = 0;
    LARGE_INTEGER size = {};
    ::GetFileSizeEx(m_file.get(), &size);
    if (!fromTail || size.QuadPart < 3)
        return true;
    char head[3];
    std::optional<DetectedEncoding> enc =
        DetectEncoding(std::string_view(head, ReadAt(0, head, 3)), true);
    const uint64_t end = m_tail ? static_cast<uint64_t>(size.QuadPart)
                                : std::min<uint64_t>(m_f.sizeAsked, size.QuadPart);
    m_pos = FindTailStart(end, enc->bomBytes, m_tail, enc->encoding == FileEncoding::Utf16Le ? 2 : 1,
                          [this](uint64_t at, char* b, size_t n) { return ReadAt(at, b, n); });
    m_split = std::make_unique<LineSplitter>(enc->encoding, m_s.decodeUtf8.load(), fw::WideFromAnsi);
    return true;
}

bool Follower::ReadNew(bool& got)
{
    got = false;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(m_file.get(), &size))
        return true;
    const uint64_t end = static_cast<uint64_t>(size.QuadPart);
    if (end < m_pos) {
        // Truncated: what was held is a line; the rest starts anew.
        if (m_split && m_split->Flush(m_lines) && !Queue(m_lines))
            return false;
        if (!Note(m_notes.truncated))
            return false;
        m_split.reset();
        m_pos = 0;
    }
    if (!m_split) {
        char head[3];
        const size_t n = ReadAt(0, head, std::min<uint64_t>(3, end));
        std::optional<DetectedEncoding> enc = DetectEncoding(std::string_view(head, n), false);
        if (!enc)
            return true;
        m_split = std::make_unique<LineSplitter>(enc->encoding, m_s.decodeUtf8.load(),
                                                 fw::WideFromAnsi);
        m_pos = enc->bomBytes;
    }
    std::string buffer;
    while (m_pos < end) {
        buffer.resize(static_cast<size_t>(std::min<uint64_t>(kReadBlock, end - m_pos)));
        const size_t n = ReadAt(m_pos, &buffer[0], buffer.size());
        if (n == 0)
            break;
        got = true;
        m_pos += n;
        m_split->Feed(std::string_view(buffer.data(), n), m_lines);
        if (!Queue(m_lines))
            return false;
    }
    return true;
}

bool Follower::Queue(std::vector<std::wstring>& lines)
{
    bool running = true;
    for (std::wstring& text : lines) {
        if (!running)
            break;
        DebugLine line;
        if (text.size() > kMaxTextUnits)
            text.resize(CutUnits(text, kMaxTextUnits).size());
        line.text = std::move(text);
        line.file = m_f.name;
        running = QueueLine(m_s, m_stop, std::move(line));
    }
    lines.clear();
    return running;
}

bool Follower::Note(const std::wstring& format)
{
    std::vector<std::wstring> note{ Filled(format, m_f.path) };
    return Queue(note);
}

Follower::Name Follower::CheckName()
{
    // A file deleted while held stays until the last handle goes: let go
    // of it at once, so its writer can make the name anew.
    FILE_STANDARD_INFO standard = {};
    if (::GetFileInformationByHandleEx(m_file.get(), FileStandardInfo, &standard,
                                       sizeof(standard)) &&
        standard.DeletePending)
        return Name::Gone;
    fw::UniqueHandle named(OpenShared(m_f.path, FILE_READ_ATTRIBUTES));
    if (!named)
        return Name::Gone;
    std::optional<FileId> id = IdOf(named.get());
    return !id || *id == m_id ? Name::Same : Name::Other;
}

// The old file's last lines (a partial one too) before it is let go.
bool Follower::Close()
{
    bool got = false;
    if (!ReadNew(got))
        return false;
    if (m_split && m_split->Flush(m_lines) && !Queue(m_lines))
        return false;
    m_file.reset();
    m_split.reset();
    return true;
}

void Follower::Run()
{
    std::wstring folder = m_f.path.substr(0, m_f.path.find_last_of(L"\\/") + 1);
    HANDLE change = ::FindFirstChangeNotificationW(
        folder.empty() ? L"." : folder.c_str(), FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
    bool first = true, lost = false;
    ULONGLONG partialSince = 0;
    for (;;) {
        bool got = false;
        if (!m_file) {
            if (Open(first)) {
                if (lost && !Note(m_notes.replaced))
                    break;
                lost = false;
            } else if (first && !Note(m_notes.waiting)) {
                break;
            }
            first = false;
        }
        if (m_file) {
            if (!ReadNew(got))
                break;
            const Name name = CheckName();
            if (name != Name::Same) {
                if (!Close())
                    break;
                lost = true;
                if (name == Name::Other)
                    continue;   // the new file at once
                if (!Note(m_notes.waiting))
                    break;
            }
            const ULONGLONG now = ::GetTickCount64();
            if (got || !m_split || !m_split->HasPartial())
                partialSince = now;
            else if (now - partialSince >= kPartialLineMs && m_split->Flush(m_lines) &&
                     !Queue(m_lines))
                break;
        }
        HANDLE wait[2] = { m_stop, change };
        const DWORD r = ::WaitForMultipleObjects(change != INVALID_HANDLE_VALUE ? 2 : 1, wait,
                                                 FALSE, got ? kBusyPollMs : kIdlePollMs);
        if (r == WAIT_OBJECT_0)
            break;
        if (r == WAIT_OBJECT_0 + 1)
            ::FindNextChangeNotification(change);
    }
    if (change != INVALID_HANDLE_VALUE)
        ::FindCloseChangeNotification(change);
}

} // namespace

FollowedFiles::~FollowedFiles()
{
    RemoveAll(0);
}

std::wstring FollowedFiles::NameOf(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool FollowedFiles::Add(const std::shared_ptr<WorkerShared>& shared, const std::wstring& path,
                        size_t tailLines, const FollowNotes& notes)
{
    auto file = std::make_shared<File>();
    file->path = path;
    file->name = std::make_shared<const std::wstring>(NameOf(path));
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        file->sizeAsked = (uint64_t{ data.nFileSizeHigh } << 32) | data.nFileSizeLow;
    WorkerShared* s = shared.get();
    File* f = file.get();
    auto keep = std::make_shared<std::pair<std::shared_ptr<WorkerShared>, std::shared_ptr<File>>>(
        shared, file);
    if (!fw::StartWorker(keep, file->signals, [s, f, tailLines, notes] {
            Follower(*s, *f, tailLines, notes).Run();
        }))
        return false;
    m_files.push_back(std::move(file));
    return true;
}

void FollowedFiles::Remove(size_t index, unsigned long waitMs)
{
    if (index >= m_files.size())
        return;
    const fw::WorkerSignals* one[] = { &m_files[index]->signals };
    fw::StopAndWait(one, waitMs);
    m_files.erase(m_files.begin() + static_cast<std::ptrdiff_t>(index));
}

void FollowedFiles::RemoveAll(unsigned long waitMs)
{
    std::vector<const fw::WorkerSignals*> all;
    for (const auto& f : m_files)
        all.push_back(&f->signals);
    fw::StopAndWait(all, waitMs);
    m_files.clear();
}

const std::wstring& FollowedFiles::Path(size_t index) const
{
    return m_files[index]->path;
}

std::wstring FollowedFiles::PathOf(std::wstring_view name) const
{
    for (const auto& f : m_files)
        if (*f->name == name)
            return f->path;
    return std::wstring();
}

} // namespace orlix
