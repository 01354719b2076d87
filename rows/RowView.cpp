#include "rows/RowView.h"
#include <algorithm>

namespace orlix {

void RowView::Appended(size_t storeRow)
{
    if (m_index.Active() && m_quick.Shows(m_rows.Pid(storeRow)))
        m_index.Append(storeRow);
    if (!m_highlight.Empty())
        m_ruleOfRow.resize(storeRow + 1, kUnknown);
}

void RowView::Cleared()
{
    m_index.Clear();
    m_marks.Clear();
    m_ruleOfRow.clear();
}

void RowView::Dropped(size_t count)
{
    m_index.DropOldest(count);
    m_marks.DropOldest(count);
    m_ruleOfRow.erase(m_ruleOfRow.begin(),
                      m_ruleOfRow.begin() + std::min(count, m_ruleOfRow.size()));
}

void RowView::SetHighlightRules(std::vector<HighlightRule> rules)
{
    m_highlight.Set(std::move(rules));
    m_ruleOfRow.assign(m_highlight.Empty() ? 0 : m_rows.Size(), kUnknown);
}

void RowView::Rebuild()
{
    m_index.Rebuild(m_rows.Size(), [&](size_t r) { return m_quick.Shows(m_rows.Pid(r)); },
                    m_quick.Active());
}

void RowView::HideProcess(uint32_t pid)
{
    m_quick.Hide(pid);
    Rebuild();
}

void RowView::ShowOnlyProcess(uint32_t pid)
{
    m_quick.ShowOnly(pid);
    Rebuild();
}

void RowView::ClearQuickFilter()
{
    m_quick.Clear();
    Rebuild();
}

bool RowView::ToggleBookmark(size_t item)
{
    return m_marks.Toggle(ToStore(item));
}

std::optional<size_t> RowView::NextBookmark(std::optional<size_t> from, bool forward) const
{
    const size_t size = m_rows.Size();
    size_t row = from ? ToStore(*from) : (forward ? (size ? size - 1 : 0) : 0);
    auto shown = [&](size_t r) { return ToItem(r).has_value(); };
    auto next = m_marks.Next(row, forward, shown);
    if (!from && next && !forward && *next == row && !m_marks.Has(row))
        next.reset();
    if (!next)
        return std::nullopt;
    return ToItem(*next);
}

const HighlightRule* RowView::HighlightOf(size_t item) const
{
    if (m_highlight.Empty() || item >= Count())
        return nullptr;
    const size_t row = ToStore(item);
    if (m_ruleOfRow.size() < m_rows.Size())
        m_ruleOfRow.resize(m_rows.Size(), kUnknown);
    int8_t& rule = m_ruleOfRow[row];
    if (rule == kUnknown)
        rule = static_cast<int8_t>(m_highlight.Match(m_rows.Name(row), m_rows.Text(row)));
    return rule >= 0 ? &m_highlight.Rules()[rule] : nullptr;
}

RowView::FindScan RowView::StartFind(std::optional<size_t> start, bool forward) const
{
    FindScan scan;
    scan.count = Count();
    scan.forward = forward;
    scan.hasStart = start.has_value() && *start < scan.count;
    scan.from = scan.hasStart ? *start : (forward ? (scan.count ? scan.count - 1 : 0) : 0);
    return scan;
}

RowView::ScanState RowView::FindSome(const TextMatcher& matcher, FindScan& scan, size_t rows,
                                     Found& found) const
{
    const size_t count = scan.count;
    if (matcher.Empty() || count == 0 || count > Count())
        return ScanState::NotFound;
    std::wstring scratch;
    for (size_t n = 0; n < rows && scan.step <= count; ++n, ++scan.step) {
        const size_t step = scan.step;
        const size_t item = scan.forward ? (scan.from + step) % count
                                         : (scan.from + count - step % count) % count;
        switch (m_rows.MatchText(ToStore(item), matcher, scratch)) {
        case MatchResult::Yes:
            found.item = item;
            found.wrapped = scan.hasStart && (scan.forward ? item <= scan.from : item >= scan.from);
            ++scan.step;
            return ScanState::Found;
        case MatchResult::TooComplex:
            return ScanState::TooComplex;
        case MatchResult::No:
            break;
        }
    }
    return scan.step > count ? ScanState::NotFound : ScanState::Running;
}

void RowView::ScanDropped(FindScan& scan, size_t goneItems)
{
    if (goneItems == 0)
        return;
    // Positions move down with the items; what went is not looked at again.
    scan.from = scan.from >= goneItems ? scan.from - goneItems : 0;
    scan.count = scan.count >= goneItems ? scan.count - goneItems : 0;
}

std::optional<RowView::Found> RowView::Find(const TextMatcher& matcher,
                                            std::optional<size_t> start, bool forward) const
{
    FindScan scan = StartFind(start, forward);
    Found found{};
    return FindSome(matcher, scan, SIZE_MAX, found) == ScanState::Found
               ? std::optional<Found>(found)
               : std::nullopt;
}

std::optional<RowView::Found> RowView::FindProcess(size_t item) const
{
    const size_t count = Count();
    if (item >= count)
        return std::nullopt;
    const uint32_t pid = m_rows.Pid(ToStore(item));
    for (size_t step = 1; step < count; ++step) {
        size_t i = (item + step) % count;
        if (m_rows.Pid(ToStore(i)) == pid)
            return Found{ i, i < item };
    }
    return std::nullopt;
}

} // namespace orlix
