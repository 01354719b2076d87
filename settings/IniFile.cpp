#include "settings/IniFile.h"

#include "framework/Handles.h"
#include "framework/Text.h"

#include <windows.h>

#include <atomic>
#include <climits>
#include <cwchar>
#include <exception>
#include <stdexcept>
#include <utility>

namespace {

const wchar_t kNoError[] = L"No error";
const wchar_t kNotExist[] = L"File not exist!";
const wchar_t kCannotOpen[] = L"Unable to open ini File!";
const wchar_t kCannotRead[] = L"Unable to read file!";
const wchar_t kCannotWrite[] = L"Unable to write file!";

// Reads the whole file. False on a read fault, with `bytes` holding what
// came before it.
bool ReadAll(HANDLE file, std::string& bytes)
{
    char chunk[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, chunk, sizeof chunk, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        bytes.append(chunk, got);
    }
}

// A name beside the target that no other file has: the new text is written
// there first and then takes the target's place.
fw::UniqueHandle CreateSibling(const std::wstring& target, DWORD attributes,
                               std::wstring& name)
{
    static std::atomic<unsigned> s_counter{ 0 };
    for (int attempt = 0; attempt < 32; ++attempt) {
        wchar_t suffix[40];
        std::swprintf(suffix, 40, L".~%lx-%x.tmp", ::GetCurrentProcessId(), s_counter++);
        name = target + suffix;
        fw::UniqueHandle file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_NEW, attributes, nullptr));
        if (file || ::GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return fw::UniqueHandle();
}

// Temporary files of saves that never finished (the program ended between
// write and rename) are removed; one younger than a minute may be another
// instance's save in progress and stays.
void RemoveStaleSiblings(const std::wstring& target)
{
    const size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
    WIN32_FIND_DATAW fd;
    fw::UniqueFind find(::FindFirstFileW((target + L".~*.tmp").c_str(), &fd));
    if (!find)
        return;
    FILETIME nowFt;
    ::GetSystemTimeAsFileTime(&nowFt);
    const auto ticks = [](const FILETIME& ft) {
        return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    };
    const unsigned long long minute = 60ull * 10000000ull;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (ticks(nowFt) - ticks(fd.ftLastWriteTime) >= minute)
            ::DeleteFileW((folder + fd.cFileName).c_str());
    } while (::FindNextFileW(find.get(), &fd));
}

// Writes the bytes over the target itself: for a folder where no file can
// be created or renamed, while the target may still be written.
bool WriteInPlace(const std::wstring& target, const std::string& bytes)
{
    fw::UniqueHandle file(::CreateFileW(target.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && fw::WriteAll(file.get(), bytes.data(), bytes.size()) &&
           ::SetEndOfFile(file.get()) && ::FlushFileBuffers(file.get());
}

} // namespace

IniFile::IniFile(std::wstring path) : m_strLastError(kNoError), m_strPath(std::move(path)) {}

IniFile::~IniFile()
{
    RemoveAll();
}

void IniFile::SetPath(std::wstring path)
{
    m_strPath = std::move(path);
}

IniSection* IniFile::GetSection(std::wstring_view name)
{
    return m_document.GetSection(name);
}

void IniFile::RemoveAll()
{
    m_document.RemoveAll();
    m_rawLines.clear();
}

int IniFile::Load()
{
    if (::GetFileAttributesW(m_strPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        m_strLastError = kNotExist;
        return 0;
    }
    fw::UniqueHandle file(::CreateFileW(m_strPath.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        m_strLastError = kCannotOpen;
        return 0;
    }
    try {
        std::string bytes;
        const bool whole = ReadAll(file.get(), bytes);
        if (!whole) {
            // Only whole lines count as read.
            const size_t lastLf = bytes.rfind('\n');
            bytes.resize(lastLf == std::string::npos ? 0 : lastLf + 1);
            m_strLastError = kCannotRead;
        }
        m_document.Parse(DecodeIniBytes(bytes, fw::WideFromAnsi));
        std::vector<IniRawLine> raw = FindUndecodableLines(bytes, fw::WideFromAnsi,
                                                           fw::AnsiFromWide);
        m_rawLines.insert(m_rawLines.end(), raw.begin(), raw.end());
    } catch (const std::exception&) {
        m_strLastError = kCannotRead;
    }
    return 1;
}

int IniFile::Save()
{
    // An existing file that can't be written (read-only, locked, a folder)
    // is found out here, before anything is created beside it. The read-only
    // attribute is tested by itself: the rename would not honour it, and an
    // administrator's open for writing may succeed regardless.
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    const DWORD existing = ::GetFileAttributesW(m_strPath.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES) {
        if (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
            m_strLastError = kCannotOpen;
            return 0;
        }
        fw::UniqueHandle probe(::CreateFileW(m_strPath.c_str(), GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                             nullptr));
        if (!probe) {
            m_strLastError = kCannotOpen;
            return 0;
        }
        const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE
                         | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        if (existing & kept)
            attributes = existing & kept;
    }

    RemoveStaleSiblings(m_strPath);
    std::string bytes;
    try {
        bytes = EncodeIniDocument(m_document, m_rawLines);
    } catch (const std::exception&) {
        m_strLastError = kCannotWrite;
        return 0;
    }
    std::wstring tempName;
    fw::UniqueHandle temp = CreateSibling(m_strPath, attributes, tempName);
    const bool created = static_cast<bool>(temp);
    if (created) {
        bool written = fw::WriteAll(temp.get(), bytes.data(), bytes.size()) &&
                       ::FlushFileBuffers(temp.get());
        temp.reset();
        if (written && ::MoveFileExW(tempName.c_str(), m_strPath.c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return 1;
        ::DeleteFileW(tempName.c_str());
    }
    // No file can be made or renamed beside it (a folder that lets us write
    // the existing file but not replace it, or the file held open by a
    // program that shares writing but not deleting): write it in place.
    if (existing != INVALID_FILE_ATTRIBUTES && WriteInPlace(m_strPath, bytes))
        return 1;
    m_strLastError = created ? kCannotWrite : kCannotOpen;
    return 0;
}
