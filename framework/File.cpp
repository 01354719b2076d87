#include "framework/File.h"
#include "framework/Text.h"

BOOL CFile::Open(LPCWSTR path, UINT flags)
{
    Close();
    DWORD access = 0;
    switch (flags & 3) {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    default: access = GENERIC_READ | GENERIC_WRITE; break;
    }
    DWORD share = 0;
    switch (flags & 0x70) {
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: share = 0; break;
    }
    DWORD disposition = OPEN_EXISTING;
    if (flags & modeCreate)
        disposition = (flags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    if (disposition == CREATE_ALWAYS) {
        // A new file is created as such rather than truncated: some file
        // systems (ext4 under Wine) write a file out at its close once it
        // has been truncated to nothing, which stalls a long save.
        m_file.reset(::CreateFileW(path, access, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
        if (m_file.valid() || ::GetLastError() != ERROR_FILE_EXISTS)
            return m_file.valid();
    }
    m_file.reset(::CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
    return m_file.valid();
}

BOOL CFile::Write(const void* data, DWORD bytes)
{
    return fw::WriteAll(m_file.get(), data, bytes);
}

BOOL CFile::SeekToEnd()
{
    return ::SetFilePointer(m_file.get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER ||
           ::GetLastError() == NO_ERROR;
}

BOOL CFile::SeekToBegin()
{
    return ::SetFilePointer(m_file.get(), 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

BOOL CFile::Close()
{
    return m_file.close();
}

bool CFile::Exists(LPCWSTR path)
{
    DWORD a = ::GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}
