// The views' files: view rules saved to and loaded from preset files (with
// the recent ones), and the views kept in the settings file ([Views]).
#include "view/ViewSet.h"
#include "view/ViewSettings.h"
#include "settings/OptionsFile.h"
#include "framework/Dialog.h"
#include "framework/Digits.h"
#include "framework/Handles.h"
#include "print/Pagination.h"
#include "resources/resource.h"
#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

const wchar_t kSection[] = L"Views";
constexpr size_t kMaxRecent = 4;

std::wstring Key(const wchar_t* what, size_t view, size_t item = 0)
{
    std::wstring k = what + std::to_wstring(view + 1);
    if (item)
        k += L"_" + std::to_wstring(item);
    return k;
}

} // namespace

void CViewSet::OnSaveRules()
{
    COrlixView* v = Active();
    if (!v)
        return;
    const std::wstring filter = AfxLoadUIString(IDS_PRESET_FILTER);
    CFileDialog dlg(FALSE, L"orlixview", m_views[m_active].name.c_str(), OFN_HIDEREADONLY,
                    filter.c_str());
    if (dlg.DoModal() != IDOK)
        return;
    orlix::ViewPreset preset{ m_views[m_active].name, {} };
    for (const auto& h : v->Highlights().Rules())
        preset.rules.push_back(ViewRuleFromHighlight(h));
    for (const auto& r : v->Shown().Rules().Rules())
        preset.rules.push_back(r);
    const std::string bytes = orlix::FormatViewPreset(preset);
    const std::wstring path = dlg.GetPathName();
    fw::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD wrote = 0;
    const bool ok = file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                        &wrote, nullptr) && wrote == bytes.size() && file.close();
    if (!ok) {
        AfxMessageBox(orlix::OpenFileFailedText(path).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    AddRecent(path);
}

// A preset opens a view of its own with its rules (its name, or the file's).
void CViewSet::OnLoadRules(const std::wstring& path)
{
    std::string bytes;
    {
        fw::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size = {};
        if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > (1 << 20)) {
            AfxMessageBox(orlix::OpenFileFailedText(path).c_str(), MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        if (!bytes.empty() &&
            (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
             got != bytes.size())) {
            AfxMessageBox(orlix::OpenFileFailedText(path).c_str(), MB_OK | MB_ICONEXCLAMATION);
            return;
        }
    }
    std::wstring error;
    auto preset = orlix::ParseViewPreset(bytes, &error);
    if (!preset) {
        AfxMessageBox(orlix::FillInserts(AfxLoadUIString(IDS_PRESET_BAD), { path, error }).c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    std::wstring name = preset->name;
    if (name.empty()) {
        name = path.substr(path.find_last_of(L"\\/") + 1);
        name = name.substr(0, name.rfind(L'.'));
    }
    NewView(false, name, &preset->rules);
    AddRecent(path);
}

void CViewSet::AddRecent(const std::wstring& path)
{
    m_recent.erase(std::remove(m_recent.begin(), m_recent.end(), path), m_recent.end());
    m_recent.insert(m_recent.begin(), path);
    if (m_recent.size() > kMaxRecent)
        m_recent.resize(kMaxRecent);
    Save();
}

void CViewSet::UpdateRecentMenu(HMENU popup) const
{
    if (!popup || ::GetMenuState(popup, ID_PRESET_RECENT_FIRST, MF_BYCOMMAND) == static_cast<UINT>(-1))
        return;
    if (m_recent.empty())
        return;   // the one "(none)" item stays, greyed by its update
    while (::GetMenuItemCount(popup) > 0)
        ::DeleteMenu(popup, 0, MF_BYPOSITION);
    for (size_t i = 0; i < m_recent.size(); ++i) {
        std::wstring text = L"&" + std::to_wstring(i + 1) + L" " + m_recent[i];
        ::AppendMenuW(popup, MF_STRING, ID_PRESET_RECENT_FIRST + i, text.c_str());
    }
}

void CViewSet::Save() const
{
    bool worth = m_kept || m_views.size() > 1 || !m_recent.empty();
    for (const Entry& e : m_views)
        worth = worth || !e.view->Shown().Rules().Empty();
    if (!worth)
        return;
    m_kept = true;   // written once, the section follows every change after
    orlix::ClearOptionSection(kSection);
    orlix::WriteIntOption(kSection, L"Count", static_cast<int>(m_views.size()));
    orlix::WriteIntOption(kSection, L"Active", static_cast<int>(m_active));
    for (size_t i = 0; i < m_views.size(); ++i) {
        const COrlixView* v = m_views[i].view;
        orlix::WriteTextOption(kSection, Key(L"Name", i).c_str(), m_views[i].name);
        const auto& rules = v->Shown().Rules().Rules();
        orlix::WriteIntOption(kSection, Key(L"Rules", i).c_str(), static_cast<int>(rules.size()));
        for (size_t j = 0; j < rules.size(); ++j)
            orlix::WriteTextOption(kSection, Key(L"Rule", i, j + 1).c_str(),
                                   orlix::FormatViewRule(rules[j]));
        if (i == 0)
            continue;   // the first view's highlight rules are [Highlight]
        const auto& highlights = v->Highlights().Rules();
        orlix::WriteIntOption(kSection, Key(L"Highlights", i).c_str(),
                              static_cast<int>(highlights.size()));
        for (size_t j = 0; j < highlights.size(); ++j)
            orlix::WriteTextOption(kSection, Key(L"Highlight", i, j + 1).c_str(),
                                   orlix::FormatRule(highlights[j]));
    }
    for (size_t i = 0; i < m_recent.size(); ++i)
        orlix::WriteTextOption(kSection, Key(L"Recent", i).c_str(), m_recent[i]);
}

void CViewSet::Load()
{
    const int count = orlix::ReadIntOption(kSection, L"Count", 0, 0, static_cast<int>(CViewSet::kMaxViews));
    m_kept = count > 0;
    for (size_t i = 0; i < kMaxRecent; ++i) {
        std::wstring path = orlix::ReadTextOption(kSection, Key(L"Recent", i).c_str());
        if (!path.empty())
            m_recent.push_back(path);
    }
    auto readRules = [](size_t i) {
        std::vector<orlix::ViewRule> rules;
        const int n = orlix::ReadIntOption(kSection, Key(L"Rules", i).c_str(), 0, 0,
                                           static_cast<int>(orlix::ViewRuleSet::kMaxRules));
        for (int j = 1; j <= n; ++j)
            if (auto r = orlix::ParseViewRule(orlix::ReadTextOption(kSection, Key(L"Rule", i, j).c_str())))
                if (orlix::ViewRuleSet::CheckRule(*r) != orlix::ViewRuleSet::Check::TooComplex)
                    rules.push_back(*r);
        return rules;
    };
    for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
        std::wstring name = orlix::ReadTextOption(kSection, Key(L"Name", i).c_str());
        std::vector<orlix::ViewRule> rules = readRules(i);
        if (i == 0) {
            if (!name.empty())
                m_views[0].name = name;
            if (!rules.empty())
                m_views[0].view->SetViewRules(std::move(rules));
            continue;
        }
        COrlixView* view = MakeView();
        if (!view)
            break;
        if (!rules.empty())
            view->SetViewRules(std::move(rules));
        std::vector<orlix::HighlightRule> highlights;
        const int h = orlix::ReadIntOption(kSection, Key(L"Highlights", i).c_str(), 0, 0, 16);
        for (int j = 1; j <= h; ++j)
            if (auto r = orlix::ParseRule(orlix::ReadTextOption(kSection, Key(L"Highlight", i, j).c_str())))
                highlights.push_back(*r);
        if (!highlights.empty())
            view->ApplyHighlightRules(std::move(highlights));
        m_views.push_back({ view, name.empty() ? DefaultName() : name });
    }
    const int active = orlix::ReadIntOption(kSection, L"Active", 0, 0, static_cast<int>(CViewSet::kMaxViews));
    m_active = static_cast<size_t>(active) < m_views.size() ? static_cast<size_t>(active) : 0;
    if (m_views.size() > 1)
        ShowActive();
}
