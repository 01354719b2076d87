// The list view that owns the capture pipeline: every trace line, whatever
// its source, reaches AddMessage on the user-interface thread.
#pragma once
#include <deque>
#include "capture/MessageFilter.h"
#include "capture/ProcessNameCache.h"
#include "capture/RecordFormat.h"
#include "capture/RefreshPacer.h"
#include "capture/RowStore.h"
#include "capture/TimeModes.h"
#include "capture/ColumnSettings.h"
#include "capture/WorkerShared.h"
#include "framework/DocView.h"
#include <memory>
#include <string>

// One captured line as the intake builds it.
struct MessageRecord {
    std::wstring szProcessName;   // at most orlix::kMaxNameUnits
    uint32_t dwProcessId = 0;
    SYSTEMTIME stArrival = {};    // local time of arrival
    std::wstring szText;          // at most orlix::kMaxTextUnits
};

class COrlixView : public CListView {
public:
    COrlixView();
    ~COrlixView() override;

    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnInitialUpdate() override;
    bool OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    bool OnNotifyReflect(NMHDR* pNMHDR, LRESULT* pResult) override;

    // The intake of one line (process id 0: names no process). Returns 0.
    // `process`, when given, names a writer that has gone since.
    int AddMessage(uint32_t processId, const wchar_t* text, HANDLE process = nullptr);
    void Intake(uint32_t pid, const wchar_t* text, HANDLE process);
    void InsertRecord(const MessageRecord& record);

    // Commands
    void OnClear();
    void OnCapture();
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

    MessageFilter m_filter;
    orlix::ProcessNameCache m_processNames;
    bool m_bBroadcastSend = false;
    bool m_bCapture = true;
    bool m_bLogToFile = false;
    BOOL m_bAutoScroll = TRUE;
    BOOL m_bHasSelection = FALSE;
    std::wstring m_strSavePath;
    // Workers' shared state (events, queues, window handle).
    std::shared_ptr<orlix::WorkerShared> m_shared;
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
    void DrainDebugQueue();
    void ContinueDrain();
    void ScheduleFlush();
    void OnFlushTimer();
    void HandOffLogLine(std::wstring line);
    // A worker's box (kMsgWorkerBox), shown here, owned by the main window.
    void OnWorkerBox(std::wstring* text);

private:
    static constexpr UINT_PTR kFlushTimerId = 1;
    static constexpr UINT_PTR kDrainTimerId = 2;
    orlix::RowStore m_rows;
    RefreshPacer m_pacer;
    bool m_bInitialized = false;
    bool m_bFlushTimer = false;
    bool m_bDrainTimer = false;
    // Lines taken from the FIFO and not yet through the intake: the drain
    // takes a few milliseconds at a time.
    std::deque<orlix::DebugLine> m_drainBacklog;
    bool m_bScrollPending = false;
    ULONGLONG m_lastLineTick = 0;
    ULONGLONG m_lastFlushTick = 0;
};

// The one view of the process (null when there is none).
extern COrlixView* g_pView;


// Thread entries; each takes a heap-allocated shared_ptr<WorkerShared>.
DWORD WINAPI BroadcastReceiveThread(LPVOID param);
DWORD WINAPI BroadcastSendThread(LPVOID param);
DWORD WINAPI DebugOutputThread(LPVOID param);
DWORD WINAPI LogWriterThread(LPVOID param);
