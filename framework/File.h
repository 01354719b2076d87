// A file with the framework's open flags; closes itself.
#pragma once
#include "framework/Handles.h"

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
    };
    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    ~CFile() { Close(); }
    BOOL Open(LPCWSTR path, UINT flags);
    // Writes all bytes or reports failure.
    BOOL Write(const void* data, DWORD bytes);
    BOOL SeekToEnd();
    BOOL SeekToBegin();
    // Closes the file; false when the last writes could not be completed.
    BOOL Close();
    bool IsOpen() const { return m_file.valid(); }
    static bool Exists(LPCWSTR path);

private:
    fw::UniqueHandle m_file;
};
