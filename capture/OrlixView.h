// The list view that owns the capture pipeline: every trace line, whatever
// its source, reaches AddMessage on the user-interface thread.
#pragma once
#include <deque>
#include "capture/HighlightRules.h"
#include "capture/MessageFilter.h"
#include "capture/ViewQuickFilter.h"
#include "capture/ProcessNameCache.h"
#include "capture/RecordFormat.h"
#include "capture/RefreshPacer.h"
#include "capture/RowStore.h"
#include "capture/SyslogForwarder.h"
#include "capture/TimeModes.h"
#include "capture/ColumnSettings.h"
#include "capture/WorkerShared.h"
#include "framework/DocView.h"
#include "framework/Handles.h"
#include <memory>
#include <string>
#include <string_view>

class COrlixView : public CListView {
public:
    COrlixView();
    ~COrlixView() override;

    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnInitialUpdate() override;
    bool OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    bool OnNotifyReflect(NMHDR* pNMHDR, LRESULT* pResult) override;
    void OnDpiChanged(UINT oldDpi, UINT newDpi) override;

    // The intake of one line (process id 0: names no process). Returns 0.
    // `process`, when given, names a writer that has gone since.
    int AddMessage(uint32_t processId, const wchar_t* text, HANDLE process = nullptr);
    void Intake(uint32_t pid, const wchar_t* text, HANDLE process);
    // A line that passed the filter, into the list.
    void InsertRow(std::wstring_view name, uint32_t pid, const orlix::ArrivalTime& t,
                   std::wstring_view text);

    // Commands
    void OnClear();
    void OnCapture();
    void OnCaptureGlobal();
    void OnAutoScroll();
    void OnEditCopy();
    void OnFileSave();
    void OnFilter();
    void OnLogToFile();
    void OnBroadcastCommand(UINT id);
    // Printing (the pages come from the list's rows).
    void OnFilePrint(bool withDialog);
    void OnFilePrintPreview();

    // Brings the control up to date with the row store now.
    void FlushRows();
    const orlix::RowStore& Rows() const { return m_rows; }
    size_t RowCount() const { return m_rows.Size(); }
    int ShownRowCount() const;

    // Find, highlight rules, quick filters, bookmarks, row copying
    // (ViewFeatures.cpp). None of them changes anything until used.
    bool OnFeatureCommand(UINT id, int code, CCmdUI* pUI);
    bool OnFeatureNotify(NMHDR* nm, LRESULT* pResult);
    // Rows as the list shows them (list item -> stored row).
    size_t DisplayCount() const { return m_display.Count(m_rows.Size()); }
    bool QuickFilterActive() const { return m_quick.Active(); }
    size_t StoreRow(size_t item) const { return m_display.ToStore(item); }
    // A new stored row (the last one): the display index and nothing else.
    void OnRowStored();
    // The store dropped its `count` oldest rows: the display index and the
    // bookmarks follow (their rows shift down by count).
    void OnRowsDropped(size_t count);
    // Finds from the selection; forward or back; wraps. False: none found
    // (or no pattern yet).
    bool FindNext(bool forward);
    bool SetFindPattern(const std::wstring& text, const orlix::MatchOptions& options,
                        bool forward);
    // Selects and shows one list item alone.
    void SelectItem(size_t item);
    int FirstSelectedItem() const;
    POINT ContextMenuPoint() const;
    void ApplyHighlightRules(std::vector<orlix::HighlightRule> rules);
    const orlix::HighlightRules& Highlights() const { return m_highlight; }
    std::wstring FindText() const { return m_find.Pattern(); }
    orlix::MatchOptions FindOptions() const { return m_findOptions; }
    bool FindForward() const { return m_bFindForward; }

    MessageFilter m_filter;
    orlix::ProcessNameCache m_processNames;
    bool m_bBroadcastSend = false;
    bool m_bCapture = true;
    bool m_bCaptureGlobal = false;   // Capture › Global: off at each start
    bool m_bLogToFile = false;
    BOOL m_bAutoScroll = TRUE;
    BOOL m_bHasSelection = FALSE;
    std::wstring m_strSavePath;
    // Workers' shared state (events, queues, window handle).
    std::shared_ptr<orlix::WorkerShared> m_shared;
    // Forwarding to syslog (off: null). Replaced whole when the settings change.
    void SetSyslogForwarding(const orlix::syslog::Settings& settings);
    const orlix::SyslogForwarder* SyslogForwarding() const { return m_syslog.get(); }
    // How long OnDestroy waits for the workers.
    DWORD m_dwShutdownWaitMs = 1000;

    // Everyday options (capture/ViewOptions.cpp): the Time column's mode and
    // UTF-8 decoding, kept in the settings file's [View] section.
    void LoadViewOptions();
    bool OnOptionCmdMsg(UINT id, int code, CCmdUI* pUI);
    void SetTimeMode(orlix::TimeMode mode);
    // The Time column's text of a row as the list shows it.
    std::wstring TimeText(size_t row) const;
    orlix::TimeMode m_timeMode = orlix::TimeMode::Clock;
    orlix::ArrivalTime m_timeOrigin;   // the first row's arrival since Clear
    // Columns (capture/ColumnOptions.cpp): order and widths as the user left
    // them, hidden columns, kept in the settings file's [Columns] section.
    void LoadColumnLayout();
    void SaveColumnLayout();
    orlix::ColumnLayout CurrentColumnLayout() const;
    void ShowColumnMenu();
    void ToggleColumn(int column);
    bool OnColumnCmdMsg(UINT id, int code, CCmdUI* pUI);
    // View › Message Column Fills Width ([View] FitMessageColumn).
    void SetFitMessageColumn(bool on);
    bool FitsMessageColumn() const { return m_bFitMessage; }
    void FitMessageColumn();
    // Pixels of the columns shown left of the message column.
    int WidthBeforeMessage() const;
    void OnHeaderNotify(const NMHDR* nm);
    bool m_bFitMessage = false;
    bool m_bMessageUserSized = false;
    bool m_bFitting = false;
    orlix::ColumnLayout m_columns = orlix::DefaultColumnLayout();
    bool m_bColumnsSaved = false;   // a layout was read from the settings file
    // History limit (capture/HistoryLimit.cpp): 0 keeps every row.
    void LoadHistoryLimit();
    void OnHistoryLimit();
    void SetHistoryLimit(size_t rows);
    void TrimHistory();
    size_t m_historyLimit = 0;
    // File > Import (capture/ImportCommand.cpp).
    void OnFileImport();
    bool ImportFile(const std::wstring& path);

protected:
    void OnDestroy();
    void StartWorkers();
    void SetListFont(UINT dpi);
    void DrainDebugQueue();
    void ContinueDrain();
    void ScheduleFlush();
    void OnFlushTimer();
    void HandOffLogLine(std::wstring line);
    void QueueDroppedNote();
    // A worker's box (kMsgWorkerBox), shown here, owned by the main window.
    void OnWorkerBox(std::wstring* text);

private:
    static constexpr UINT_PTR kFlushTimerId = 1;
    static constexpr UINT_PTR kDrainTimerId = 2;
    static constexpr UINT_PTR kBatchTimerId = 3;
    bool m_bBatchTimer = false;
    orlix::RowStore m_rows;
    RefreshPacer m_pacer;
    std::unique_ptr<orlix::SyslogForwarder> m_syslog;
    bool m_bInitialized = false;
    bool m_bFlushTimer = false;
    bool m_bDrainTimer = false;
    // Lines taken from the FIFO and not yet through the intake: the drain
    // takes a few milliseconds at a time.
    std::deque<orlix::DebugLine> m_drainBacklog;
    // Log lines dropped at the writer's bound and not yet noted in the file.
    uint64_t m_logDropped = 0;
    // The list's font once the window moved to a screen of another DPI.
    fw::UniqueFont m_font;
    bool m_bScrollPending = false;
    ULONGLONG m_lastLineTick = 0;
    // The intake's reusable name buffer and its clock (ArrivalNow).
    std::wstring m_nameBuffer;
    orlix::ArrivalTime ArrivalNow();
    ULONGLONG m_clockSecond = 0;
    orlix::ArrivalTime m_clockBase;
    ULONGLONG m_lastFlushTick = 0;

    // Find, highlight rules, quick filters, bookmarks (ViewFeatures.cpp).
    void OnFind();
    void OnSelectAll();
    void CopyToClipboard(const std::wstring& text);
    void OnCopyRows();
    void OnToggleBookmark();
    void OnGotoBookmark(bool forward);
    void OnQuickFilter(UINT id);
    void OnHighlightRules();
    void RebuildDisplay();
    void ShowNote(const std::wstring& text);
    void ShowDetails(size_t item);
    void LoadFeatureSettings();
    void SaveFindSettings();
    void SaveHighlightSettings();
    orlix::TextMatcher m_find;
    orlix::MatchOptions m_findOptions;
    bool m_bFindForward = true;
    orlix::HighlightRules m_highlight;
    orlix::QuickFilter m_quick;
    orlix::DisplayIndex m_display;
    orlix::BookmarkSet m_bookmarks;
    std::unique_ptr<class CFindDialog> m_findDialog;
    bool m_bFeatureSettingsLoaded = false;
};

// The one view of the process (null when there is none).
extern COrlixView* g_pView;


// Thread entries; each takes a heap-allocated shared_ptr<WorkerShared>.
DWORD WINAPI BroadcastReceiveThread(LPVOID param);
DWORD WINAPI BroadcastSendThread(LPVOID param);
DWORD WINAPI DebugOutputThread(LPVOID param);
DWORD WINAPI LogWriterThread(LPVOID param);
