// The list view that owns the capture pipeline: every trace line, whatever
// its source, reaches AddMessage on the user-interface thread.
#pragma once
#include <deque>
#include "capture/MessageFilter.h"
#include "capture/ProcessNameCache.h"
#include "capture/RecordFormat.h"
#include "capture/RefreshPacer.h"
#include "capture/RowStore.h"
#include "capture/SyslogForwarder.h"
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
};

// The one view of the process (null when there is none).
extern COrlixView* g_pView;


// Thread entries; each takes a heap-allocated shared_ptr<WorkerShared>.
DWORD WINAPI BroadcastReceiveThread(LPVOID param);
DWORD WINAPI BroadcastSendThread(LPVOID param);
DWORD WINAPI DebugOutputThread(LPVOID param);
DWORD WINAPI LogWriterThread(LPVOID param);
