// What one view shows of the rows of a capture: which stored rows (its
// quick filters by process and the index they need), which are bookmarked,
// and how they are coloured (highlight rules); finding among them. Follows
// the store when rows are appended, cleared or dropped from the front.
// Platform-free.
#pragma once
#include "rows/DisplayIndex.h"
#include "rows/HighlightRules.h"
#include "rows/RowStore.h"
#include "rows/ViewRules.h"
#include "rows/Timeline.h"
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

namespace orlix {

class RowView {
public:
    explicit RowView(const RowStore& rows) : m_rows(rows) {}

    const RowStore& Store() const { return m_rows; }
    // Items (shown rows) and the stored row of each.
    size_t Count() const { return m_index.Count(m_rows.Size()); }
    size_t ToStore(size_t item) const { return m_index.ToStore(item); }
    std::optional<size_t> ToItem(size_t storeRow) const
    {
        return m_index.ToItem(storeRow, m_rows.Size());
    }
    // How many items show the `count` oldest rows (before they are dropped,
    // or after: the index is the same until Dropped).
    size_t ItemsAmongOldest(size_t count) const
    {
        return m_index.Active() ? m_index.ItemsGone(count) : count;
    }

    // Display choices. Folding repeats: a row that is the same line as the
    // previous shown row of its process is counted in that row's item
    // (turning it on or off refilters). ANSI colours: escape sequences leave
    // the message, their SGR colours paint it.
    void SetFoldRepeats(bool on);
    bool FoldsRepeats() const { return m_fold; }
    void SetAnsiColours(bool on) { m_ansi = on; }
    bool AnsiColours() const { return m_ansi; }
    // How many rows an item stands for (1 unless repeats fold into it).
    uint32_t Repeats(size_t item) const { return m_index.Active() ? m_index.Repeats(item) : 1; }
    // The message of an item as this view shows, copies and saves it:
    // without escape sequences when ANSI colours are on, and " ×N" after it
    // when N rows fold into it. The text as stored when neither applies.
    std::wstring MessageOf(size_t item) const;
    static std::wstring ShapeMessage(std::wstring text, bool ansi, uint32_t repeats);
    bool ReshapesMessages() const { return m_fold || m_ansi; }

    // The store changed: a new last row (what the view's rules say of it,
    // when it is shown), all gone, its `count` oldest gone (called once the
    // store has dropped them).
    RowVerdict Appended(size_t storeRow);
    void Cleared();
    void Dropped(size_t count);

    // The view's own rules and its filter box (plain text or a regular
    // expression, over the message text). Changing either starts a refilter:
    // the list keeps the rows it shows until RefilterSome has been through
    // the whole store, a piece at a time.
    const ViewRuleSet& Rules() const { return m_viewRules; }
    void SetRules(std::vector<ViewRule> rules);
    const TextMatcher& FilterBox() const { return m_filterBox; }
    void SetFilterBox(TextMatcher matcher);
    bool Refiltering() const { return m_building.has_value(); }
    // Looks at up to `rows` more rows; true once the new index is in place.
    bool RefilterSome(size_t rows);
    // How far a refilter got, 0..100.
    int RefilterPercent() const;
    bool Shows(size_t storeRow) const;
    // Whether rules, the filter box or a time range narrow the rows shown.
    bool Filtering() const;

    // The timeline of the rows shown, kept while on (turning it on works it
    // out with a refilter); null while off.
    void KeepTimeline(bool on);
    const Timeline* Traffic() const { return m_timeline.get(); }
    // Only stored rows first..last-1 shown (a span of time), or all again;
    // starts a refilter.
    void SetRowRange(std::optional<std::pair<size_t, size_t>> range);
    const std::optional<std::pair<size_t, size_t>>& RowRange() const { return m_range; }

    // Quick filters: rules of the view (QuickHideProcess...); false when the
    // rules are full.
    bool HideProcess(uint32_t pid);
    bool ShowOnlyProcess(uint32_t pid);
    void ClearQuickFilter();

    // Bookmarks, by stored row.
    bool ToggleBookmark(size_t item);
    bool Bookmarked(size_t item) const { return m_marks.Has(ToStore(item)); }
    bool HasBookmarks() const { return !m_marks.Empty(); }
    // The item of the next bookmark after item `from` (before it, backwards;
    // none: from the end it would come from), wrapping; none when no shown
    // row is bookmarked.
    std::optional<size_t> NextBookmark(std::optional<size_t> from, bool forward) const;

    const HighlightRules& Highlights() const { return m_highlight; }
    void SetHighlightRules(std::vector<HighlightRule> rules);
    // The colours of an item (the highlight rules first, then the view's
    // highlight rules), if any: worked out once per row and rule set, then
    // kept beside the rows (painting never matches again).
    struct Colours {
        uint32_t foreground, background;
    };
    std::optional<Colours> ColoursOf(size_t item) const;

    // The next item whose text the matcher finds, from `start` on (after it,
    // or before it backwards; every other item once, then `start` itself);
    // none: not found. `wrapped` tells whether it passed the end.
    struct Found {
        size_t item;
        bool wrapped;
    };
    std::optional<Found> Find(const TextMatcher& matcher, std::optional<size_t> start,
                              bool forward) const;
    // The same a piece at a time: a search, looked at `rows` items further by
    // each FindSome, which says whether it is still running.
    struct FindScan {
        size_t from = 0;       // the item it starts after (before, backwards)
        bool hasStart = false;
        bool forward = true;
        size_t count = 0;      // items when it started
        size_t step = 1;       // the next step to look at, 1..count
        size_t Done() const { return step > count ? count : step - 1; }
    };
    enum class ScanState { Running, Found, NotFound, TooComplex };
    FindScan StartFind(std::optional<size_t> start, bool forward) const;
    ScanState FindSome(const TextMatcher& matcher, FindScan& scan, size_t rows,
                       Found& found) const;
    // A running search after the `goneItems` first items went.
    static void ScanDropped(FindScan& scan, size_t goneItems);
    // The next item of the same process as `item`, forwards, wrapping.
    std::optional<Found> FindProcess(size_t item) const;

private:
    template <class Change>
    bool ChangeRules(Change change);
    bool Indexing() const { return Filtering() || m_fold; }
    void StartRefilter();
    const RowStore& m_rows;
    DisplayIndex m_index;
    ViewRuleSet m_viewRules;
    TextMatcher m_filterBox;
    // A refilter under way: the new index and the next stored row it takes.
    std::optional<DisplayIndex> m_building;
    size_t m_buildNext = 0;
    std::unique_ptr<Timeline> m_timeline, m_timelineBuilding;
    std::optional<std::pair<size_t, size_t>> m_range;
    bool m_fold = false, m_ansi = false;
    BookmarkSet m_marks;
    HighlightRules m_highlight;
    // Per stored row: the rule that colours it (highlight rule i, or view
    // rule j as kViewRuleBase + j), kNone, or kUnknown (not yet worked out).
    static constexpr int kViewRuleBase = 32;
    static constexpr int8_t kUnknown = -2, kNone = -1;
    mutable std::deque<int8_t> m_ruleOfRow;
    mutable std::wstring m_scratch;   // a row's text widened, while it is looked at
};

} // namespace orlix
