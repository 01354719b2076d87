#include "output/DocumentsFolder.h"
#include "framework/Handles.h"
#include <shlobj.h>

bool GetPersonalFolderPath(wchar_t* buffer, size_t capacity, size_t* length)
{
    fw::ComPtr<IMalloc> malloc;
    if (FAILED(::SHGetMalloc(malloc.put())) || !malloc)
        return false;
    LPITEMIDLIST pidl = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &pidl)) || !pidl)
        return false;
    bool ok = false;
    wchar_t path[MAX_PATH] = {};
    if (::SHGetPathFromIDListW(pidl, path)) {
        size_t n = wcslen(path);
        if (length)
            *length = n;
        if (n < capacity) {
            lstrcpynW(buffer, path, static_cast<int>(capacity));
            ok = true;
        }
    }
    malloc->Free(pidl);
    return ok;
}
