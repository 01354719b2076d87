#include "rows/TextMatch.h"
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
    m_required.clear();
    m_regex.reset();
    m_asciiRegex.reset();
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
        bool ascii = source.find(L"\\u") == std::wstring::npos;
        for (wchar_t c : source)
            ascii = ascii && c < 0x80;
        if (ascii) {
            try {
                m_asciiRegex = std::make_shared<const std::regex>(
                    std::string(source.begin(), source.end()), flags);
            } catch (const std::regex_error&) {
                m_asciiRegex.reset();
            }
        }
    }
    m_pattern = pattern;
    m_options = options;
    m_folded = m_pattern;
    if (options.regex)
        m_required = RequiredLiteral(m_pattern);
    if (!options.matchCase) {
        for (auto& c : m_folded)
            c = FoldCase(c);
        for (auto& c : m_required)
            c = FoldCase(c);
    }
    return true;
}

namespace {

// Where the folded pattern occurs in text, with whole-word bounds when asked.
template <class Unit>
bool FindIn(const Unit* text, size_t length, std::wstring_view pattern, bool fold, bool wholeWord)
{
    const size_t n = pattern.size();
    if (n == 0 || length < n)
        return false;
    const wchar_t* p = pattern.data();
    const wchar_t first = p[0];
    // Without case, a folded ASCII letter stands for two units; anything
    // past ASCII goes through the full fold.
    const wchar_t other = fold && first >= L'a' && first <= L'z' ? first - 32 : first;
    const size_t last = length - n;
    auto unit = [&](size_t i) {
        wchar_t c = static_cast<wchar_t>(text[i]);
        return fold ? FoldCase(c) : c;
    };
    for (size_t i = 0; i <= last; ++i) {
        const wchar_t c = static_cast<wchar_t>(text[i]);
        if (c != first && c != other && (!fold || c < 0x80 || FoldCase(c) != first))
            continue;
        size_t k = 1;
        while (k < n && unit(i + k) == p[k])
            ++k;
        if (k != n)
            continue;
        if (wholeWord) {
            // Words are bounded where a word unit meets a non-word unit.
            bool startOk = i == 0 || !IsWordUnit(static_cast<wchar_t>(text[i - 1])) ||
                           !IsWordUnit(p[0]);
            bool endOk = i + n == length || !IsWordUnit(static_cast<wchar_t>(text[i + n])) ||
                         !IsWordUnit(p[n - 1]);
            if (!startOk || !endOk)
                continue;
        }
        return true;
    }
    return false;
}

bool IsPlainAscii(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L' ' || c == L'_' || c == L'-' || c == L':' || c == L'=' || c == L',';
}

} // namespace

std::wstring RequiredLiteral(std::wstring_view pattern)
{
    std::wstring best, run;
    auto endRun = [&] {
        if (run.size() > best.size())
            best = run;
        run.clear();
    };
    int depth = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const wchar_t c = pattern[i];
        const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : 0;
        // A quantifier that allows none makes the unit before it optional.
        const bool optionalNext = next == L'?' || next == L'*' || next == L'{';
        if (c == L'|')
            return std::wstring();
        if (c == L'\\') {
            // An escaped punctuation mark is itself; \d, \b, \1... are not
            // plain text. Either way the run ends there.
            endRun();
            ++i;
            continue;
        }
        if (c == L'[') {
            endRun();
            // Up to the class's closing bracket (one right after "[" or
            // "[^" is a member).
            size_t j = i + 1;
            if (j < pattern.size() && pattern[j] == L'^')
                ++j;
            if (j < pattern.size() && pattern[j] == L']')
                ++j;
            for (; j < pattern.size() && pattern[j] != L']'; ++j)
                if (pattern[j] == L'\\')
                    ++j;
            i = j;
            continue;
        }
        if (c == L'{') {
            // A count ("{2,5}"): its digits are not text.
            endRun();
            while (i < pattern.size() && pattern[i] != L'}')
                ++i;
            continue;
        }
        if (c == L'(') {
            endRun();
            ++depth;
            continue;
        }
        if (c == L')') {
            endRun();
            if (depth > 0)
                --depth;
            continue;
        }
        if (depth > 0 || !IsPlainAscii(c)) {
            endRun();
            continue;
        }
        if (optionalNext) {
            endRun();
            continue;
        }
        run += c;
    }
    endRun();
    return best;
}

bool TextMatcher::Matches(std::wstring_view text) const
{
    if (m_pattern.empty())
        return false;
    const bool fold = !m_options.matchCase;
    if (!m_regex)
        return FindIn(text.data(), text.size(), m_folded, fold, m_options.wholeWord);
    if (!m_required.empty() && !FindIn(text.data(), text.size(), m_required, fold, false))
        return false;
    return std::regex_search(text.data(), text.data() + text.size(), *m_regex);
}

bool TextMatcher::MatchesLatin1(const unsigned char* text, size_t length,
                                std::wstring& scratch) const
{
    if (m_pattern.empty())
        return false;
    const bool fold = !m_options.matchCase;
    if (!m_regex)
        return FindIn(text, length, m_folded, fold, m_options.wholeWord);
    if (!m_required.empty() && !FindIn(text, length, m_required, fold, false))
        return false;
    if (m_asciiRegex) {
        bool ascii = true;
        for (size_t i = 0; i < length; ++i)
            ascii = ascii && text[i] < 0x80;
        if (ascii) {
            const char* p = reinterpret_cast<const char*>(text);
            return std::regex_search(p, p + length, *m_asciiRegex);
        }
    }
    scratch.assign(text, text + length);
    return std::regex_search(scratch.data(), scratch.data() + scratch.size(), *m_regex);
}

} // namespace orlix
