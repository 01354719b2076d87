// Find (Ctrl+F, F3, Shift+F3) over one view's rows: the pattern and its
// options, kept in the settings file, and the search itself, which looks at
// a few milliseconds of rows at a time between the window's other work, so
// the window answers and lines keep coming however long it runs; its
// progress shows in the status bar and Esc stops it. A regular expression
// that runs on too long on a line stops the search with a message.
#pragma once
#include <windows.h>
#include "rows/RowView.h"
#include "rows/TextMatch.h"
#include "view/Slices.h"
#include <memory>
#include <optional>
#include <string>

class COrlixView;
class CFindDialog;

class CListFind {
public:
    explicit CListFind(COrlixView& view);
    ~CListFind();

    void Load();
    // Edit › Find: the (modeless) dialog.
    void ShowDialog();
    // Takes a new pattern (kept in the settings file); false when it is not
    // a valid regular expression: `error` then tells why.
    bool SetPattern(const std::wstring& text, const orlix::MatchOptions& options, bool forward,
                    std::wstring* error = nullptr);
    // Starts a search from the selection (forward or back; it wraps). False
    // when there is no pattern yet or nothing to search.
    bool FindNext(bool forward);
    bool Running() const { return m_scan.has_value(); }
    // Stops a running search, saying so in the status bar.
    void Cancel();
    // The view's rows changed under a running search.
    void RowsDropped(size_t goneItems);
    void RowsReset();
    // The next piece of a running search; Pieces() says which of the view's
    // messages bring it.
    void Continue();
    CSlices& Pieces() { return m_pieces; }

    const orlix::TextMatcher& Matcher() const { return m_find; }
    orlix::MatchOptions Options() const { return m_options; }
    bool Forward() const { return m_forward; }

private:
    void Finish(orlix::RowView::ScanState state, const orlix::RowView::Found& found);
    void ShowProgress();

    COrlixView& m_view;
    orlix::TextMatcher m_find;
    orlix::MatchOptions m_options;
    bool m_forward = true;
    std::unique_ptr<CFindDialog> m_dialog;
    std::optional<orlix::RowView::FindScan> m_scan;
    ULONGLONG m_started = 0;
    ULONGLONG m_shownAt = 0;
    size_t m_rowsPerCheck = 16;
    CSlices m_pieces{ 0x8000 + 0x44, 4 };   // WM_APP + 0x44, timer 4
};
