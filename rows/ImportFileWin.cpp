#include "rows/ImportList.h"
#include "framework/Handles.h"

namespace orlix {

namespace {
const DWORD kMaxImportBytes = 512u << 20;
} // namespace

bool ReadImportFile(const std::wstring& path, std::vector<unsigned char>& out)
{
    fw::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxImportBytes)
        return false;
    out.resize(static_cast<size_t>(size.QuadPart));
    DWORD done = 0;
    size_t at = 0;
    while (at < out.size()) {
        if (!::ReadFile(file.get(), out.data() + at, static_cast<DWORD>(out.size() - at), &done,
                        nullptr) || done == 0)
            return false;
        at += done;
    }
    return true;
}

} // namespace orlix
