// The message filter: list texts from the dialog and param.ini, the lines
// matched against them, and the texts handed back into fixed buffers.
//
// The input is a sequence of operations on one filter; after each the
// filter is compared with what its header promises.
#include "rows/MessageFilter.h"

#include "FuzzSupport.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using List = std::vector<std::wstring>;
const std::wstring kMarker = L"*;";

// Items that each end at `sep`, up to the first empty one; written without
// SplitList's search so the two can disagree.
List Items(std::wstring_view text, wchar_t sep)
{
    List items;
    std::wstring item;
    for (wchar_t c : text) {
        if (c != sep) {
            item += c;
            continue;
        }
        if (item.empty())
            break;
        items.push_back(item);
        item.clear();
    }
    return items;
}

bool Contains(std::wstring_view text, std::wstring_view item)
{
    if (item.size() > text.size())
        return false;
    for (size_t i = 0; i + item.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < item.size() && text[i + k] == item[k])
            ++k;
        if (k == item.size())
            return true;
    }
    return false;
}

bool AnyIn(const List& items, std::wstring_view text)
{
    for (const auto& item : items)
        if (Contains(text, item))
            return true;
    return false;
}

std::wstring Joined(const List& items)
{
    if (items.empty())
        return L";";
    std::wstring out;
    for (const auto& item : items)
        out += item + L';';
    return out;
}

void CheckSplit(std::wstring_view text, wchar_t sep)
{
    List out = { L"left over" };
    SplitList(text, sep, out);
    FUZZ_CHECK(out == Items(text, sep));
    // The items and their separators are where the text starts.
    size_t pos = 0;
    for (const auto& item : out) {
        FUZZ_CHECK(!item.empty());
        FUZZ_CHECK(item.find(sep) == std::wstring::npos);
        FUZZ_CHECK(text.substr(pos, item.size()) == item);
        pos += item.size();
        FUZZ_CHECK(pos < text.size() && text[pos] == sep);
        ++pos;
    }
    const std::wstring_view rest = text.substr(pos);
    FUZZ_CHECK(rest.find(sep) == std::wstring_view::npos || rest[0] == sep);
}

struct Model {
    List include, exclude;
    bool active = false;
};

void CheckState(const MessageFilter& f, const Model& m)
{
    FUZZ_CHECK(f.m_include == m.include);
    FUZZ_CHECK(f.m_exclude == m.exclude);
    FUZZ_CHECK(f.m_bActive == m.active);
}

void SetFilters(MessageFilter& f, Model& m, const wchar_t* inc, const wchar_t* exc)
{
    std::wstring incText = inc ? inc : L"";
    std::wstring excText = exc ? exc : L"";
    f.SetFilters(inc, exc);
    const bool star = incText.find(L'*') != std::wstring::npos
                   || excText.find(L'*') != std::wstring::npos;
    if (star) {
        FUZZ_CHECK(!f.m_include.empty() && f.m_include.back() == kMarker);
        // The marker is not repeated.
        FUZZ_CHECK(f.m_include.size() < 2 || f.m_include[f.m_include.size() - 2] != kMarker);
        FUZZ_CHECK(f.m_exclude.empty());
        FUZZ_CHECK(!f.m_bActive);
        m.include = f.m_include;
        m.exclude.clear();
        m.active = false;
        return;
    }
    if (!incText.empty() && incText.back() != L';')
        incText += L';';
    if (!excText.empty() && excText.back() != L';')
        excText += L';';
    m.include = Items(incText, L';');
    m.exclude = Items(excText, L';');
    if (!m.include.empty() || !m.exclude.empty())
        m.active = true;
    CheckState(f, m);
}

bool Matches(MessageFilter& f, Model& m, const wchar_t* text)
{
    const std::wstring_view line = text ? text : L"";
    bool expected;
    if (!m.active) {
        expected = true;
    } else if (!m.include.empty()) {
        expected = AnyIn(m.include, line) && !AnyIn(m.exclude, line);
    } else if (m.exclude.empty()) {
        m.active = false;
        expected = true;
    } else {
        expected = !AnyIn(m.exclude, line);
    }
    FUZZ_CHECK(f.Matches(text) == expected);
    CheckState(f, m);
    return expected;
}

// Into a caller buffer of exactly `units` units (none when null).
bool IntoBuffer(std::unique_ptr<wchar_t[]>& buffer, size_t units, bool null)
{
    if (null) {
        buffer.reset();
        return false;
    }
    buffer.reset(new wchar_t[units ? units : 0]);
    for (size_t i = 0; i < units; ++i)
        buffer[i] = static_cast<wchar_t>(0xBEEF);
    return true;
}

void CheckBuffer(const wchar_t* buffer, size_t units, const std::wstring& text, bool fits)
{
    if (!buffer || units == 0)
        return;
    if (fits) {
        FUZZ_CHECK(std::wstring_view(buffer, text.size()) == text);
        FUZZ_CHECK(buffer[text.size()] == L'\0');
        for (size_t i = text.size() + 1; i < units; ++i)
            FUZZ_CHECK(buffer[i] == static_cast<wchar_t>(0xBEEF));
    } else {
        FUZZ_CHECK(buffer[0] == L'\0');
    }
}

size_t PickUnits(FuzzedDataProvider& p, size_t textSize)
{
    switch (p.ConsumeIntegralInRange(0, 3)) {
    case 0: return p.ConsumeIntegralInRange<size_t>(0, 4);
    case 1: return textSize + 1 - p.ConsumeIntegralInRange<size_t>(0, textSize < 2 ? textSize : 2);
    case 2: return textSize + p.ConsumeIntegralInRange<size_t>(1, 3);
    default: return p.ConsumeIntegralInRange<size_t>(0, 2 * textSize + 8);
    }
}

void CheckGetFilters(FuzzedDataProvider& p, const MessageFilter& f, const Model& m)
{
    std::wstring inc = L"old", exc = L"old";
    f.GetFilters(inc, exc);
    FUZZ_CHECK(inc == Joined(m.include));
    FUZZ_CHECK(exc == Joined(m.exclude));

    // Handed back, the texts give the same lists again.
    MessageFilter again = f;
    Model am = m;
    SetFilters(again, am, inc.c_str(), exc.c_str());
    FUZZ_CHECK(again.m_include == f.m_include);
    FUZZ_CHECK(again.m_exclude == f.m_exclude);
    if (std::find(f.m_include.begin(), f.m_include.end(), kMarker) == f.m_include.end()) {
        MessageFilter fresh;
        Model fm;
        SetFilters(fresh, fm, inc.c_str(), exc.c_str());
        FUZZ_CHECK(fresh.m_include == f.m_include);
        FUZZ_CHECK(fresh.m_exclude == f.m_exclude);
    }

    // Fixed buffers: a text that does not fit is refused, never cut.
    const size_t incUnits = PickUnits(p, inc.size());
    const size_t excUnits = PickUnits(p, exc.size());
    std::unique_ptr<wchar_t[]> incBuf, excBuf;
    IntoBuffer(incBuf, incUnits, p.ConsumeIntegralInRange(0, 15) == 0);
    IntoBuffer(excBuf, excUnits, p.ConsumeIntegralInRange(0, 15) == 0);
    const bool incFits = incBuf && inc.size() < incUnits;
    const bool excFits = excBuf && exc.size() < excUnits;
    FUZZ_CHECK(f.GetFilters(incBuf.get(), incUnits, excBuf.get(), excUnits)
               == (incFits && excFits));
    CheckBuffer(incBuf.get(), incUnits, inc, incFits);
    CheckBuffer(excBuf.get(), excUnits, exc, excFits);
}

// Mostly list-like text: items over a small alphabet so that lines match.
std::wstring ListLike(FuzzedDataProvider& p)
{
    if (p.ConsumeBool())
        return fuzz::ConsumeCString(p, 64);
    static const wchar_t kAlphabet[] = { L'a', L'b', L';', L';', L'*', L'c', 0xD800, 0xDC00 };
    std::wstring s;
    const size_t n = p.ConsumeIntegralInRange<size_t>(0, 24);
    for (size_t i = 0; i < n; ++i)
        s += kAlphabet[p.ConsumeIntegralInRange<size_t>(0, 7)];
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider p(data, size);
    MessageFilter f;
    Model m;
    CheckState(f, m);
    for (int op = 0; op < 64 && p.remaining_bytes() > 0; ++op) {
        switch (p.ConsumeIntegralInRange(0, 4)) {
        case 0: {
            const std::wstring text = ListLike(p);
            const wchar_t sep = p.ConsumeBool() ? L';' : static_cast<wchar_t>(p.ConsumeIntegral<uint16_t>());
            CheckSplit(text, sep);
            break;
        }
        case 1: {
            const bool incNull = p.ConsumeIntegralInRange(0, 7) == 0;
            const bool excNull = p.ConsumeIntegralInRange(0, 7) == 0;
            const std::wstring inc = ListLike(p);
            const std::wstring exc = ListLike(p);
            SetFilters(f, m, incNull ? nullptr : inc.c_str(), excNull ? nullptr : exc.c_str());
            break;
        }
        case 2: {
            const bool null = p.ConsumeIntegralInRange(0, 15) == 0;
            const std::wstring line = ListLike(p);
            Matches(f, m, null ? nullptr : line.c_str());
            break;
        }
        case 3:
            CheckGetFilters(p, f, m);
            break;
        default: {
            // Copies behave as the original.
            MessageFilter copy;
            copy = f;
            CheckState(copy, m);
            break;
        }
        }
    }
    return 0;
}
