#include "rows/MessageFilter.h"

#include <algorithm>

namespace {

// Appended to the include list by a "*", so that the dialog and param.ini
// show the "*" again when the texts are read back.
constexpr std::wstring_view kWildcardMarker = L"*;";

std::wstring_view OrEmpty(const wchar_t* text)
{
    return text ? std::wstring_view(text) : std::wstring_view();
}

// A list text as SplitList needs it: ending in ";" unless it is empty.
std::wstring Terminated(std::wstring_view text)
{
    std::wstring out(text);
    if (!out.empty() && out.back() != L';')
        out += L';';
    return out;
}

bool AnyOccurs(const std::vector<std::wstring>& items, std::wstring_view text)
{
    return std::any_of(items.begin(), items.end(), [text](const std::wstring& item) {
        return text.find(item) != std::wstring_view::npos;
    });
}

std::wstring ListText(const std::vector<std::wstring>& items)
{
    std::wstring out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i)
            out += L';';
        out += items[i];
    }
    out += L';';
    return out;
}

// Writes `text` with its terminator when it fits; otherwise the empty text.
bool CopyWhole(const std::wstring& text, wchar_t* buffer, size_t units)
{
    if (!buffer || units == 0)
        return false;
    if (text.size() >= units) {
        buffer[0] = L'\0';
        return false;
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = L'\0';
    return true;
}

} // namespace

void SplitList(std::wstring_view text, wchar_t sep, std::vector<std::wstring>& out)
{
    out.clear();
    std::wstring_view rest = text;
    for (;;) {
        const size_t pos = rest.find(sep);
        if (pos == std::wstring_view::npos || pos == 0)
            return;
        out.emplace_back(rest.substr(0, pos));
        rest.remove_prefix(pos + 1);
    }
}

bool MessageFilter::Matches(const wchar_t* text)
{
    if (!m_bActive)
        return true;
    const std::wstring_view line = OrEmpty(text);
    if (!m_include.empty()) {
        if (!AnyOccurs(m_include, line))
            return false;
    } else if (m_exclude.empty()) {
        m_bActive = false;
        return true;
    }
    return !AnyOccurs(m_exclude, line);
}

void MessageFilter::SetFilters(const wchar_t* include, const wchar_t* exclude)
{
    // Each OK of the dialog and each start hands back the marker that an
    // earlier "*" left, so it is added only where it is not already last.
    auto switchOff = [this] {
        if (m_include.empty() || m_include.back() != kWildcardMarker)
            m_include.emplace_back(kWildcardMarker);
        m_exclude.clear();
        m_bActive = false;
    };

    const std::wstring includeText = Terminated(OrEmpty(include));
    m_exclude.clear();
    if (includeText.find(L'*') != std::wstring::npos) {
        switchOff();
        return;
    }
    SplitList(includeText, L';', m_include);

    const std::wstring excludeText = Terminated(OrEmpty(exclude));
    if (excludeText.find(L'*') != std::wstring::npos) {
        switchOff();
        return;
    }
    SplitList(excludeText, L';', m_exclude);
    // Two empty lists leave the flag alone: the next line switches it off.
    if (!m_include.empty() || !m_exclude.empty())
        m_bActive = true;
}

void MessageFilter::GetFilters(std::wstring& include, std::wstring& exclude) const
{
    include = ListText(m_include);
    exclude = ListText(m_exclude);
}

bool MessageFilter::GetFilters(wchar_t* include, size_t includeUnits,
                               wchar_t* exclude, size_t excludeUnits) const
{
    const bool includeFits = CopyWhole(ListText(m_include), include, includeUnits);
    const bool excludeFits = CopyWhole(ListText(m_exclude), exclude, excludeUnits);
    return includeFits && excludeFits;
}
