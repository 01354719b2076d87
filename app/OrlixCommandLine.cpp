#include "app/OrlixCommandLine.h"
#include "app/OrlixDoc.h"
#include "view/HistoryLimitDlg.h"
#include "i18n/Language.h"
#include "framework/AfxState.h"
#include "resources/resource.h"
#include <cwctype>

namespace {

// The switch's name without its "/" or "-", in lower case; empty for
// anything else.
std::wstring SwitchName(const std::wstring& arg)
{
    if (arg.size() < 2 || (arg[0] != L'/' && arg[0] != L'-'))
        return {};
    std::wstring name = arg.substr(1);
    for (wchar_t& c : name)
        c = static_cast<wchar_t>(std::towlower(c));
    return name;
}

bool TakesValue(const std::wstring& name)
{
    return name == L"view" || name == L"log" || name == L"capture" || name == L"limit";
}

std::wstring Translated(UINT id)
{
    LPCWSTR text = TranslateString(id);
    return text ? text : L"";
}

// The text `id` with %1 (or %s) replaced by `detail`.
std::wstring Formatted(UINT id, const std::wstring& detail)
{
    std::wstring text = Translated(id);
    for (const wchar_t* mark : { L"%1", L"%s" }) {
        size_t at = text.find(mark);
        if (at != std::wstring::npos)
            return text.replace(at, 2, detail);
    }
    return text + L"\n" + detail;
}

} // namespace

void COrlixCommandLineInfo::ParseArgument(LPCWSTR arg, bool last)
{
    const std::wstring given = arg ? arg : L"";
    const std::wstring name = SwitchName(given);
    bool taken = false;
    if (!m_pending.empty()) {
        const std::wstring pending = m_pending;
        m_pending.clear();
        // A switch where the value should be: the value is missing.
        if (!given.empty() && given[0] == L'/')
            MissingValue(pending);
        else
            taken = TakeValue(pending, given);
    }
    if (!taken) {
        if (name == L"?") {
            m_bShowSwitches = true;
        } else if (TakesValue(name)) {
            m_pending = name;
        } else {
            CCommandLineInfo::ParseArgument(arg, false);
        }
    }
    if (!last)
        return;
    if (!m_pending.empty())
        MissingValue(m_pending);
    m_pending.clear();
    FinishParse();
}

bool COrlixCommandLineInfo::TakeValue(const std::wstring& name, const std::wstring& value)
{
    if (name == L"view" || name == L"log") {
        if (value.empty()) {
            MissingValue(name);
        } else if (name == L"view") {
            m_viewPresets.push_back(value);
        } else {
            // Relative to where Orlix was started, as a shell user means it.
            wchar_t full[MAX_PATH * 4] = {};
            DWORD n = ::GetFullPathNameW(value.c_str(), MAX_PATH * 4, full, nullptr);
            m_logPath = n > 0 && n < MAX_PATH * 4 ? std::wstring(full, n) : value;
        }
    } else if (name == L"capture") {
        std::wstring v = value;
        for (wchar_t& c : v)
            c = static_cast<wchar_t>(std::towlower(c));
        if (v == L"off" || v == L"on")
            m_bCaptureOff = v == L"off";
        else
            m_problems.push_back({ IDS_SWITCH_BAD_CAPTURE, value });
    } else if (name == L"limit") {
        bool digits = !value.empty() && value.size() <= 9;
        for (wchar_t c : value)
            digits = digits && c >= L'0' && c <= L'9';
        const long long rows = digits ? std::stoll(value) : -1;
        if (rows < 0 || rows > CHistoryLimitDlg::kMaxLimit) {
            m_problems.push_back({ IDS_SWITCH_BAD_LIMIT, value });
        } else {
            m_bLimitGiven = true;
            m_historyLimit = static_cast<size_t>(rows);
        }
    }
    return true;
}

void COrlixCommandLineInfo::MissingValue(const std::wstring& name)
{
    if (name == L"view" || name == L"log")
        m_problems.push_back({ IDS_SWITCH_NEEDS_FILE, L"/" + name });
    else
        m_problems.push_back({ name == L"capture" ? UINT(IDS_SWITCH_BAD_CAPTURE)
                                                  : UINT(IDS_SWITCH_BAD_LIMIT), L"" });
}

void COrlixCommandLineInfo::ApplyTo(COrlixDoc& doc) const
{
    orlix::Capture& capture = doc.GetCapture();
    if (m_bLimitGiven) {
        capture.SetHistoryLimit(m_historyLimit);
        capture.TrimHistory();
    }
    if (m_bCaptureOff && capture.m_bCapture)
        doc.OnCapture();
    if (!m_logPath.empty())
        doc.StartLoggingTo(m_logPath);
}

void ShowCommandLineSwitches()
{
    std::wstring text = Translated(IDS_SWITCHES_USAGE) + L"\n";
    for (UINT id : { IDS_SWITCH_HELP_LOG, IDS_SWITCH_HELP_CAPTURE, IDS_SWITCH_HELP_LIMIT,
                     IDS_SWITCH_HELP_VIEW, IDS_SWITCH_HELP_PRINT, IDS_SWITCH_HELP_HELP })
        text += L"\n" + Translated(id);
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONINFORMATION);
}

// Said over the running window, in the chosen language, rather than passed
// over silently.
void ReportCommandLineProblems(const COrlixCommandLineInfo& info)
{
    std::wstring text;
    if (!info.m_unknown.empty()) {
        std::wstring list;
        for (const auto& a : info.m_unknown)
            list += (list.empty() ? L"" : L" ") + a;
        text = Formatted(IDS_UNKNOWN_ARGUMENT, list);
    }
    for (const auto& p : info.m_problems)
        text += (text.empty() ? L"" : L"\n\n") + Formatted(p.textId, p.detail);
    if (!text.empty())
        AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
}
