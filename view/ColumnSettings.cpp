#include "view/ColumnSettings.h"
#include <vector>

namespace orlix {

namespace {

// Comma-separated non-negative numbers, spaces around them allowed; false on
// anything else (an empty text is an empty list).
bool ParseList(std::wstring_view text, std::vector<int>& out)
{
    out.clear();
    size_t i = 0;
    auto skipSpaces = [&] {
        while (i < text.size() && text[i] == L' ')
            ++i;
    };
    skipSpaces();
    if (i == text.size())
        return true;
    for (;;) {
        skipSpaces();
        long long v = 0;
        size_t digits = 0;
        while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
            v = v * 10 + (text[i] - L'0');
            if (++digits > 6)
                return false;
            ++i;
        }
        if (digits == 0)
            return false;
        out.push_back(static_cast<int>(v));
        skipSpaces();
        if (i == text.size())
            return true;
        if (text[i] != L',')
            return false;
        ++i;
    }
}

template <typename T>
std::wstring JoinNumbers(const T& values)
{
    std::wstring s;
    for (auto v : values) {
        if (!s.empty())
            s += L',';
        s += std::to_wstring(v);
    }
    return s;
}

} // namespace

ColumnLayout DefaultColumnLayout()
{
    ColumnLayout l;
    for (size_t i = 0; i < kListColumnCount; ++i) {
        l.order[i] = static_cast<int>(i);
        l.width[i] = kListColumns[i].width;
        l.hidden[i] = false;
    }
    return l;
}

int ApplyColumnSettings(ColumnLayout& layout, std::wstring_view order, std::wstring_view widths,
                        std::wstring_view hidden)
{
    const int n = static_cast<int>(kListColumnCount);
    int taken = 0;
    std::vector<int> v;
    if (ParseList(order, v) && static_cast<int>(v.size()) == n) {
        std::array<bool, kListColumnCount> seen{};
        bool ok = true;
        for (int c : v) {
            if (c >= n || seen[c])
                ok = false;
            else
                seen[c] = true;
        }
        if (ok) {
            for (int i = 0; i < n; ++i)
                layout.order[i] = v[i];
            ++taken;
        }
    }
    if (ParseList(widths, v) && static_cast<int>(v.size()) == n) {
        bool ok = true;
        for (int w : v)
            ok = ok && w <= kMaxColumnWidth;
        if (ok) {
            for (int i = 0; i < n; ++i)
                layout.width[i] = v[i];
            ++taken;
        }
    }
    if (ParseList(hidden, v) && static_cast<int>(v.size()) < n) {
        std::array<bool, kListColumnCount> set{};
        bool ok = true;
        for (int c : v) {
            if (c >= n || c == kMessageColumn || set[c])
                ok = false;
            else
                set[c] = true;
        }
        if (ok) {
            layout.hidden = set;
            ++taken;
        }
    }
    return taken;
}

std::wstring OrderText(const ColumnLayout& layout)
{
    return JoinNumbers(layout.order);
}

std::wstring WidthsText(const ColumnLayout& layout)
{
    return JoinNumbers(layout.width);
}

std::wstring HiddenText(const ColumnLayout& layout)
{
    std::vector<int> h;
    for (size_t i = 0; i < kListColumnCount; ++i)
        if (layout.hidden[i])
            h.push_back(static_cast<int>(i));
    return JoinNumbers(h);
}

} // namespace orlix
