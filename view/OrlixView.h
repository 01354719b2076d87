// The list view: shows the rows of its document's capture, as the capture
// tells it they come, are cleared or are dropped. What it shows is its own:
// which rows (quick filters), their colours (highlight rules), bookmarks,
// find, the Time column's mode, the columns; so several views can show one
// capture, each in its own way.
#pragma once
#include "capture/Capture.h"
#include "rows/RowView.h"
#include "rows/TextMatch.h"
#include "rows/TimeModes.h"
#include "view/ListColumns.h"
#include "view/ListFiles.h"
#include "view/ListFind.h"
#include "view/ListRefilter.h"
#include "view/ListRefresh.h"
#include "framework/DocView.h"
#include "print/RowSource.h"
#include "framework/Handles.h"
#include <memory>
#include <string>

namespace orlix {
// What a view's document is: the owner of a capture.
class ICaptureOwner {
public:
    virtual Capture& GetCapture() = 0;

protected:
    ~ICaptureOwner() = default;
};
} // namespace orlix

class COrlixView : public CListView, public orlix::ICaptureObserver {
public:
    COrlixView();
    ~COrlixView() override;

    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnInitialUpdate() override;
    bool OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    bool OnNotifyReflect(NMHDR* pNMHDR, LRESULT* pResult) override;
    void OnDpiChanged(UINT oldDpi, UINT newDpi) override;

    // The capture this view shows: its document's.
    orlix::Capture& GetCapture() const;
    void OnRowsAppended(size_t first, size_t count) override;
    void OnRowsCleared() override;
    void OnRowsDropped(size_t count) override;

    // Brings the control up to date with the rows now.
    void FlushRows();
    const orlix::RowStore& Rows() const { return GetCapture().Rows(); }
    size_t RowCount() const { return Rows().Size(); }
    int ShownRowCount() const;
    // Rows as the list shows them (list item -> stored row).
    const orlix::RowView& Shown() const { return *m_shown; }
    size_t DisplayCount() const { return m_shown->Count(); }
    // Whether the view shows fewer rows than the store holds (its rules, quick
    // filters or filter box).
    bool Narrowed() const { return m_shown->Filtering(); }
    size_t StoreRow(size_t item) const { return m_shown->ToStore(item); }

    // Commands
    void OnAutoScroll();
    void OnEditCopy();
    void OnFileSave();
    // Starts saving this view's rows to `path` (a piece at a time).
    void SaveTo(const std::wstring& path);
    void OnFilePrint(bool withDialog);
    void OnFilePrintPreview();
    void OnFileImport();
    // Starts importing `path` (a piece at a time); false when it ended at
    // once with a message.
    bool ImportFile(const std::wstring& path);
    // Find, highlight rules, quick filters, bookmarks, row copying
    // (ViewFeatures.cpp). None of them changes anything until used.
    bool OnFeatureCommand(UINT id, int code, CCmdUI* pUI);
    // View › Fold Repeats and View › ANSI Colours (ViewDisplay.cpp).
    bool OnDisplayCommand(UINT id, int code, CCmdUI* pUI);
    bool OnFeatureNotify(NMHDR* nm, LRESULT* pResult);
    // Find over this view's rows.
    CListFind& Finder() { return m_finder; }
    // This view's rules and its filter box: the rows shown are worked out
    // anew in pieces (ShowRows once through).
    void SetViewRules(std::vector<orlix::ViewRule> rules);
    void SetFilterBox(orlix::TextMatcher matcher);
    // The view's timeline kept or not; the rows of a span of time alone
    // (stored rows first..last-1), or every time again; the list scrolled to
    // a stored row (the first shown at or after it), auto-scroll off.
    void KeepTimeline(bool on);
    void SetTimeSpan(std::optional<std::pair<size_t, size_t>> rows);
    void GoToStoreRow(size_t storeRow);
    // The list and its header in the program's colours (light or dark).
    void ApplyColours();
    orlix::RowView& MutableShown() { return *m_shown; }
    void ShowRows();
    // A matching row arrived: track (bring it into sight), stop (auto-scroll
    // off, the row in sight), notify (beep and flash, once a second at most).
    void OnArrival(const orlix::RowVerdict& verdict, size_t storeRow);
    // Told when the user changed this view's rules (the views are kept).
    std::function<void()> m_onRulesChanged;
    // A text in the status bar's message pane.
    void ShowNote(const std::wstring& text);
    // Selects and shows one list item alone.
    void SelectItem(size_t item);
    int FirstSelectedItem() const;
    POINT ContextMenuPoint() const;
    void ApplyHighlightRules(std::vector<orlix::HighlightRule> rules);
    const orlix::HighlightRules& Highlights() const { return m_shown->Highlights(); }

    // The Time column's mode ([View] TimeMode) and a row's Time text in it.
    void SetTimeMode(orlix::TimeMode mode);
    std::wstring TimeText(size_t row) const;
    orlix::TimeMode m_timeMode = orlix::TimeMode::Clock;
    CListColumns& Columns() { return m_columnLayout; }

    BOOL m_bAutoScroll = TRUE;
    BOOL m_bHasSelection = FALSE;
    std::wstring m_strSavePath;

protected:
    void OnDestroy();
    void SetListFont(UINT dpi);
    LRESULT PaintDarkHeader(NMCUSTOMDRAW* cd);

private:
    orlix::Capture* m_capture = nullptr;
    std::unique_ptr<orlix::RowView> m_shown;
    CListColumns m_columnLayout;
    CListRefresh m_refresh;
    CListRefilter m_refilter{ *this };
    struct PrintRows : IPrintRowSource {
        explicit PrintRows(const COrlixView& v) : view(v) {}
        size_t RowCount() const override;
        std::wstring Cell(size_t row, int column) const override;
        const wchar_t* Heading(int column) const override;
        const COrlixView& view;
    } m_printRows{ *this };
    std::optional<size_t> m_keepRow;    // the selected row across a refilter
    ULONGLONG m_lastNotify = 0;
    CListSave m_saver;
    CListImport m_importer;
    bool m_bInitialized = false;
    // The list's font once the window moved to a screen of another DPI.
    fw::UniqueFont m_font;

    // Find, highlight rules, quick filters, bookmarks (ViewFeatures.cpp).
    void OnSelectAll();
    void OnCopyRows();
    void OnToggleBookmark();
    void OnGotoBookmark(bool forward);
    void OnQuickFilter(UINT id);
    void OnHighlightRules();
    void RebuildDisplay(const std::function<void(orlix::RowView&)>& change);
    void ShowDetails(size_t item);
    void LoadFeatureSettings();
    void LoadDisplayChoices();
    CListFind m_finder{ *this };
};

// The view the program shows (null when there is none).
extern COrlixView* g_pView;
