#include "capture/TextMatch.h"
#include <cwctype>

namespace orlix {

wchar_t FoldCase(wchar_t c)
{
    if (c < 0x80)
        return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

bool IsWordUnit(wchar_t c)
{
    if (c < 0x80)
        return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
               c == L'_';
    return std::iswalnum(static_cast<wint_t>(c)) != 0;
}

void TextMatcher::Reset()
{
    m_pattern.clear();
    m_folded.clear();
    m_regex.reset();
    m_options = {};
}

bool TextMatcher::Set(std::wstring_view pattern, const MatchOptions& options)
{
    Reset();
    if (pattern.empty())
        return true;
    if (options.regex) {
        std::wstring source(pattern);
        if (options.wholeWord)
            source = L"\\b(?:" + source + L")\\b";
        auto flags = std::regex_constants::ECMAScript | std::regex_constants::optimize;
        if (!options.matchCase)
            flags |= std::regex_constants::icase;
        try {
            m_regex = std::make_shared<const std::wregex>(source, flags);
        } catch (const std::regex_error&) {
            return false;
        }
    }
    m_pattern = pattern;
    m_options = options;
    m_folded = m_pattern;
    if (!options.matchCase)
        for (auto& c : m_folded)
            c = FoldCase(c);
    return true;
}

bool TextMatcher::Matches(std::wstring_view text) const
{
    if (m_pattern.empty())
        return false;
    if (m_regex)
        return std::regex_search(text.data(), text.data() + text.size(), *m_regex);
    return PlainMatches(text);
}

bool TextMatcher::PlainMatches(std::wstring_view text) const
{
    const size_t n = m_folded.size();
    if (text.size() < n)
        return false;
    const wchar_t* p = m_folded.data();
    const wchar_t first = p[0];
    const size_t last = text.size() - n;
    const bool fold = !m_options.matchCase;
    for (size_t i = 0; i <= last; ++i) {
        wchar_t c = text[i];
        if ((fold ? FoldCase(c) : c) != first)
            continue;
        size_t k = 1;
        if (fold) {
            while (k < n && FoldCase(text[i + k]) == p[k])
                ++k;
        } else {
            while (k < n && text[i + k] == p[k])
                ++k;
        }
        if (k != n)
            continue;
        if (m_options.wholeWord) {
            // Words are bounded where a word unit meets a non-word unit.
            bool startOk = i == 0 || !IsWordUnit(text[i - 1]) || !IsWordUnit(p[0]);
            bool endOk = i + n == text.size() || !IsWordUnit(text[i + n]) || !IsWordUnit(p[n - 1]);
            if (!startOk || !endOk)
                continue;
        }
        return true;
    }
    return false;
}

} // namespace orlix
