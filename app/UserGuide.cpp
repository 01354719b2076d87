#include "app/UserGuide.h"
#include "i18n/Language.h"
#include "resources/resource.h"
#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <string>

namespace {

bool FileExists(const std::wstring& path)
{
    const DWORD a = ::GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// Some program is set to open files of this kind (not just the system's
// "Open with" choice).
bool HasOpener(LPCWSTR extension)
{
    wchar_t command[2048];
    DWORD units = ARRAYSIZE(command);
    return SUCCEEDED(::AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN | ASSOCF_NOTRUNCATE,
                                         ASSOCSTR_COMMAND, extension, nullptr, command,
                                         &units)) &&
           command[0] != 0;
}

// The shell's own error boxes stay away: a failure is answered here.
bool ShellOpen(HWND owner, LPCWSTR program, const std::wstring& file)
{
    SHELLEXECUTEINFOW sei = { sizeof(sei) };
    sei.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    sei.hwnd = owner;
    sei.lpVerb = nullptr;
    std::wstring quoted = L"\"" + file + L"\"";
    sei.lpFile = program ? program : file.c_str();
    sei.lpParameters = program ? quoted.c_str() : nullptr;
    sei.nShow = SW_SHOWNORMAL;
    return ::ShellExecuteExW(&sei) != FALSE;
}

} // namespace

bool OpenUserGuide(HWND owner)
{
    // Shell handlers may be COM objects: the thread needs COM while it asks.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED |
                                                      COINIT_DISABLE_OLE1DDE);
    const std::wstring folder = GetModuleDirectory();
    const std::wstring html = folder + L"UserGuide.html";
    const std::wstring text = folder + L"UserGuide.txt";
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    bool opened = FileExists(html) && HasOpener(L".html") && ShellOpen(owner, nullptr, html);
    if (!opened && FileExists(text))
        opened = ShellOpen(owner, nullptr, text) || ShellOpen(owner, L"notepad.exe", text);
    if (SUCCEEDED(com))
        ::CoUninitialize();
    if (opened)
        return true;
    std::wstring message;
    if (LPCWSTR format = TranslateString(IDS_GUIDE_NOT_OPENED))
        message = format;
    const size_t at = message.find(L"%1");
    if (at != std::wstring::npos)
        message.replace(at, 2, FileExists(text) ? text : html);
    ::MessageBoxW(owner, message.c_str(), L"Orlix", MB_OK | MB_ICONEXCLAMATION);
    return false;
}
