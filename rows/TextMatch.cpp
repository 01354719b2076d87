// A regular expression may visit this many states on one line, at most,
// before it answers TooComplex: some 50 to 80 ms of a worst case, so the
// window answers within 100 ms even while one line holds it.
#define BOOST_REGEX_MAX_STATE_COUNT 5000000
#include "rows/TextMatch.h"
#include <boost/regex.hpp>
#include <cwctype>

namespace orlix {

struct TextMatcher::Compiled {
    boost::wregex wide;
    // The same expression over 8-bit units, for ASCII patterns: 8-bit text
    // is read many times faster, and on ASCII text both agree.
    std::unique_ptr<boost::regex> ascii;
};

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
    m_compiled.reset();
    m_options = {};
}

bool TextMatcher::Set(std::wstring_view pattern, const MatchOptions& options,
                      std::wstring* error)
{
    Reset();
    if (pattern.empty())
        return true;
    if (options.regex) {
        boost::regex::flag_type flags = boost::regex::perl;
        if (!options.matchCase)
            flags |= boost::regex::icase;
        auto compiled = std::make_shared<Compiled>();
        try {
            std::wstring source(pattern);
            // The pattern must stand on its own before words bound it:
            // "a)|(b" wrapped would compile, and mean something else.
            compiled->wide.assign(source, flags);
            if (options.wholeWord) {
                source = L"\\b(?:" + source + L")\\b";
                compiled->wide.assign(source, flags);
            }
            bool ascii = true;
            for (wchar_t c : source)
                ascii = ascii && c < 0x80;
            if (ascii)
                compiled->ascii = std::make_unique<boost::regex>(
                    std::string(source.begin(), source.end()), flags);
        } catch (const boost::regex_error& e) {
            if (error) {
                const std::string what = e.what();
                error->assign(what.begin(), what.end());
            }
            return false;
        } catch (const std::exception&) {
            if (error)
                error->clear();
            return false;
        }
        m_compiled = std::move(compiled);
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
size_t FindAt(const Unit* text, size_t length, std::wstring_view pattern, bool fold,
              bool wholeWord, size_t from = 0)
{
    const size_t n = pattern.size();
    if (n == 0 || length < n)
        return std::wstring_view::npos;
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
    for (size_t i = from; i <= last; ++i) {
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
        return i;
    }
    return std::wstring_view::npos;
}

template <class Unit>
bool FindIn(const Unit* text, size_t length, std::wstring_view pattern, bool fold, bool wholeWord)
{
    return FindAt(text, length, pattern, fold, wholeWord) != std::wstring_view::npos;
}

bool IsHexDigit(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

// Where the escape starting at pattern[at] (a backslash) ends.
size_t EscapeEnd(std::wstring_view p, size_t at)
{
    size_t i = at + 1;
    if (i >= p.size())
        return p.size();
    const wchar_t c = p[i++];
    auto braced = [&](wchar_t open, wchar_t close) {
        if (i < p.size() && p[i] == open) {
            size_t end = p.find(close, i);
            i = end == std::wstring_view::npos ? p.size() : end + 1;
            return true;
        }
        return false;
    };
    auto digits = [&](size_t most, bool hex) {
        for (size_t n = 0; n < most && i < p.size() &&
                           (hex ? IsHexDigit(p[i]) : (p[i] >= L'0' && p[i] <= L'9'));
             ++n)
            ++i;
    };
    switch (c) {
    case L'x':
        if (!braced(L'{', L'}'))
            digits(2, true);
        break;
    case L'u':
        digits(4, true);
        break;
    case L'c':
        if (i < p.size())
            ++i;
        break;
    case L'p': case L'P': case L'N': case L'g': case L'k':
        if (!braced(L'{', L'}') && !braced(L'<', L'>') && i < p.size())
            ++i;
        break;
    case L'Q': {
        // Quoted to \E: the quote is text, but taken no further here.
        size_t end = p.find(L"\\E", i);
        i = end == std::wstring_view::npos ? p.size() : end + 2;
        break;
    }
    default:
        if (c >= L'0' && c <= L'9')
            digits(3, false);
        break;
    }
    return i;
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
        // An alternative, or an inline option ("(?i)", "(?x)") that may
        // change what the letters mean: nothing is plainly required.
        if (c == L'|' || (c == L'(' && next == L'?'))
            return std::wstring();
        if (c == L'\\') {
            // An escaped punctuation mark is itself; \d, \b, \1, \x41...
            // are not plain text. Either way the run ends there, and the
            // whole escape is passed over (its digits are not text).
            endRun();
            i = EscapeEnd(pattern, i) - 1;
            continue;
        }
        if (c == L'[') {
            endRun();
            // Up to the class's closing bracket (one right after "[" or
            // "[^" is a member, as the engine reads it).
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

namespace {

template <class Regex, class Unit>
MatchResult Search(const Regex& re, const Unit* text, size_t length)
{
    try {
        return boost::regex_search(text, text + length, re, boost::match_any)
                   ? MatchResult::Yes
                   : MatchResult::No;
    } catch (const std::runtime_error&) {
        // The engine gave up: too many states for this line.
        return MatchResult::TooComplex;
    }
}

} // namespace

MatchResult TextMatcher::Match(std::wstring_view text) const
{
    if (m_pattern.empty())
        return MatchResult::No;
    const bool fold = !m_options.matchCase;
    if (!m_compiled)
        return FindIn(text.data(), text.size(), m_folded, fold, m_options.wholeWord)
                   ? MatchResult::Yes
                   : MatchResult::No;
    if (!m_required.empty() && !FindIn(text.data(), text.size(), m_required, fold, false))
        return MatchResult::No;
    return Search(m_compiled->wide, text.data(), text.size());
}

MatchResult TextMatcher::MatchLatin1(const unsigned char* text, size_t length,
                                     std::wstring& scratch) const
{
    if (m_pattern.empty())
        return MatchResult::No;
    const bool fold = !m_options.matchCase;
    if (!m_compiled)
        return FindIn(text, length, m_folded, fold, m_options.wholeWord) ? MatchResult::Yes
                                                                         : MatchResult::No;
    if (!m_required.empty() && !FindIn(text, length, m_required, fold, false))
        return MatchResult::No;
    if (m_compiled->ascii) {
        bool ascii = true;
        for (size_t i = 0; i < length && ascii; ++i)
            ascii = text[i] < 0x80;
        if (ascii)
            return Search(*m_compiled->ascii, reinterpret_cast<const char*>(text), length);
    }
    scratch.assign(text, text + length);
    return Search(m_compiled->wide, scratch.data(), scratch.size());
}

MatchResult TextMatcher::Find(std::wstring_view text, size_t from, size_t& start,
                              size_t& length) const
{
    if (m_pattern.empty() || from > text.size())
        return MatchResult::No;
    if (!m_compiled) {
        const size_t at = FindAt(text.data(), text.size(), m_folded, !m_options.matchCase,
                                 m_options.wholeWord, from);
        if (at == std::wstring_view::npos)
            return MatchResult::No;
        start = at;
        length = m_folded.size();
        return MatchResult::Yes;
    }
    try {
        boost::match_results<const wchar_t*> m;
        const wchar_t* begin = text.data();
        const auto flags = from > 0 ? boost::match_prev_avail : boost::match_default;
        if (!boost::regex_search(begin + from, begin + text.size(), m, m_compiled->wide, flags))
            return MatchResult::No;
        start = static_cast<size_t>(m[0].first - begin);
        length = static_cast<size_t>(m[0].second - m[0].first);
        return MatchResult::Yes;
    } catch (const std::runtime_error&) {
        return MatchResult::TooComplex;
    }
}

bool TextMatcher::HoldsUpUnderStrain() const
{
    if (!m_compiled)
        return true;
    // A run of each of the first few characters the pattern names, then one
    // it does not expect: long enough for a pattern that backtracks without
    // end to give up (a few milliseconds each), short enough to stay cheap.
    std::wstring seen;
    for (wchar_t c : m_pattern)
        if (IsWordUnit(c) && c < 0x80 && seen.find(c) == std::wstring::npos && seen.size() < 4)
            seen += c;
    if (seen.empty())
        seen = L"a";
    seen += L' ';
    for (wchar_t c : seen) {
        std::wstring probe(256, c);
        probe += L'\x01';
        if (Search(m_compiled->wide, probe.data(), probe.size()) == MatchResult::TooComplex)
            return false;
    }
    return true;
}

} // namespace orlix
