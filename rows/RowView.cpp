#include "rows/RowView.h"
#include "rows/AnsiText.h"
#include <algorithm>

namespace orlix {

bool RowView::Shows(size_t row) const
{
    if (m_range && (row < m_range->first || row >= m_range->second))
        return false;
    if (!m_viewRules.Filters() && m_filterBox.Empty())
        return true;
    if (!m_filterBox.Empty() && m_rows.MatchText(row, m_filterBox, m_scratch) != MatchResult::Yes)
        return false;
    return !m_viewRules.Filters() ||
           m_viewRules.Shows(m_rows.Name(row), m_rows.Pid(row), m_rows.TextView(row, m_scratch));
}

bool RowView::Filtering() const
{
    return m_viewRules.Filters() || !m_filterBox.Empty() || m_range.has_value();
}

RowVerdict RowView::Appended(size_t storeRow)
{
    RowVerdict v;
    if (m_index.Active()) {
        v.shown = Shows(storeRow);
        if (v.shown)
            m_index.Append(storeRow);
    }
    if (m_timeline && v.shown)
        m_timeline->Add(storeRow, m_rows.Time(storeRow), m_rows.NameIndex(storeRow));
    if (!m_highlight.Empty() || m_viewRules.HasHighlights())
        m_ruleOfRow.resize(storeRow + 1, kUnknown);
    if (v.shown && m_viewRules.WatchesArrivals())
        v = m_viewRules.Evaluate(m_rows.Name(storeRow), m_rows.Pid(storeRow),
                                 m_rows.TextView(storeRow, m_scratch), true);
    return v;
}

void RowView::SetRules(std::vector<ViewRule> rules)
{
    m_viewRules.Set(std::move(rules));
    m_ruleOfRow.assign(m_highlight.Empty() && !m_viewRules.HasHighlights() ? 0 : m_rows.Size(),
                       kUnknown);
    StartRefilter();
}

void RowView::SetFilterBox(TextMatcher matcher)
{
    m_filterBox = std::move(matcher);
    StartRefilter();
}

void RowView::SetFoldRepeats(bool on)
{
    if (on == m_fold)
        return;
    m_fold = on;
    StartRefilter();
}

std::wstring RowView::MessageOf(size_t item) const
{
    return ShapeMessage(m_rows.Text(ToStore(item)), m_ansi, Repeats(item));
}

std::wstring RowView::ShapeMessage(std::wstring text, bool ansi, uint32_t repeats)
{
    if (ansi && HasEscape(text))
        text = StripAnsi(text);
    if (repeats > 1)
        text += L" \u00D7" + std::to_wstring(repeats);
    return text;
}

void RowView::StartRefilter()
{
    m_building.emplace();
    m_building->SetFolding(m_fold ? &m_rows : nullptr);
    m_building->Rebuild(0, nullptr, Indexing());
    m_buildNext = 0;
    if (m_timeline)
        m_timelineBuilding = std::make_unique<Timeline>();
}

bool RowView::RefilterSome(size_t rows)
{
    if (!m_building)
        return true;
    const bool indexing = Indexing();
    if (!indexing && !m_timelineBuilding) {
        m_index.Deactivate();
        m_building.reset();
        return true;
    }
    const size_t size = m_rows.Size();
    for (size_t n = 0; n < rows && m_buildNext < size; ++n, ++m_buildNext) {
        if (indexing && !Shows(m_buildNext))
            continue;
        if (indexing)
            m_building->Append(m_buildNext);
        if (m_timelineBuilding)
            m_timelineBuilding->Add(m_buildNext, m_rows.Time(m_buildNext),
                                    m_rows.NameIndex(m_buildNext));
    }
    if (m_buildNext < size)
        return false;
    if (indexing)
        m_index = std::move(*m_building);
    else
        m_index.Deactivate();
    m_building.reset();
    if (m_timelineBuilding)
        m_timeline = std::move(m_timelineBuilding);
    return true;
}

void RowView::KeepTimeline(bool on)
{
    if (on == (m_timeline != nullptr))
        return;
    m_timelineBuilding.reset();
    if (!on) {
        m_timeline.reset();
        return;
    }
    m_timeline = std::make_unique<Timeline>();
    StartRefilter();
}

void RowView::SetRowRange(std::optional<std::pair<size_t, size_t>> range)
{
    m_range = range;
    StartRefilter();
}

int RowView::RefilterPercent() const
{
    const size_t size = m_rows.Size();
    return !m_building || size == 0 ? 100 : static_cast<int>(m_buildNext * 100 / size);
}

void RowView::Cleared()
{
    m_index.Clear();
    m_range.reset();
    if (m_timeline)
        m_timeline->Clear();
    if (m_timelineBuilding)
        m_timelineBuilding->Clear();
    if (m_building) {
        m_building->Clear();
        m_buildNext = 0;
    }
    m_marks.Clear();
    m_ruleOfRow.clear();
}

void RowView::Dropped(size_t count)
{
    m_index.DropOldest(count);
    if (m_timeline)
        m_timeline->Dropped(count);
    if (m_timelineBuilding)
        m_timelineBuilding->Dropped(count);
    if (m_range) {
        m_range->first -= std::min(count, m_range->first);
        m_range->second -= std::min(count, m_range->second);
    }
    if (m_building) {
        m_building->DropOldest(count);
        m_buildNext = m_buildNext > count ? m_buildNext - count : 0;
    }
    m_marks.DropOldest(count);
    m_ruleOfRow.erase(m_ruleOfRow.begin(),
                      m_ruleOfRow.begin() + std::min(count, m_ruleOfRow.size()));
}

void RowView::SetHighlightRules(std::vector<HighlightRule> rules)
{
    m_highlight.Set(std::move(rules));
    m_ruleOfRow.assign(m_highlight.Empty() && !m_viewRules.HasHighlights() ? 0 : m_rows.Size(),
                       kUnknown);
}

// A quick filter's change to the view's rules, kept when it could be made.
template <class Change>
bool RowView::ChangeRules(Change change)
{
    std::vector<ViewRule> rules = m_viewRules.Rules();
    if (!change(rules))
        return false;
    SetRules(std::move(rules));
    return true;
}

bool RowView::HideProcess(uint32_t pid)
{
    return ChangeRules([pid](std::vector<ViewRule>& r) { return QuickHideProcess(r, pid); });
}

bool RowView::ShowOnlyProcess(uint32_t pid)
{
    return ChangeRules([pid](std::vector<ViewRule>& r) { return QuickShowOnlyProcess(r, pid); });
}

void RowView::ClearQuickFilter()
{
    ChangeRules([](std::vector<ViewRule>& r) {
        QuickClear(r);
        return true;
    });
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

std::optional<RowView::Colours> RowView::ColoursOf(size_t item) const
{
    if ((m_highlight.Empty() && !m_viewRules.HasHighlights()) || item >= Count())
        return std::nullopt;
    const size_t row = ToStore(item);
    if (m_ruleOfRow.size() < m_rows.Size())
        m_ruleOfRow.resize(m_rows.Size(), kUnknown);
    int8_t& rule = m_ruleOfRow[row];
    if (rule == kUnknown) {
        rule = static_cast<int8_t>(m_highlight.Match(m_rows.Name(row), m_rows.Text(row)));
        if (rule < 0 && m_viewRules.HasHighlights()) {
            const int v = m_viewRules.Evaluate(m_rows.Name(row), m_rows.Pid(row),
                                               m_rows.Text(row)).highlight;
            rule = static_cast<int8_t>(v >= 0 ? kViewRuleBase + v : kNone);
        }
    }
    if (rule < 0)
        return std::nullopt;
    if (rule >= kViewRuleBase) {
        const ViewRule& r = m_viewRules.Rules()[rule - kViewRuleBase];
        return Colours{ r.foreground, r.background };
    }
    const HighlightRule& r = m_highlight.Rules()[rule];
    return Colours{ r.foreground, r.background };
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
