#include "capture/OrlixView.h"
#include "capture/DebugChannel.h"
#include "capture/FilterDlg.h"
#include "capture/FindDialogs.h"
#include "capture/DocumentsFolder.h"
#include "capture/FrameImages.h"
#include "capture/ProcessNamesWin.h"
#include "capture/SavedList.h"
#include "framework/AfxState.h"
#include "framework/App.h"
#include "framework/Dialog.h"
#include "framework/Dpi.h"
#include "framework/File.h"
#include "framework/Text.h"
#include "print/Pagination.h"
#include "print/PrintPreview.h"
#include "framework/Frame.h"
#include "resources/resource.h"
#include <algorithm>

COrlixView* g_pView = nullptr;

namespace {
// A save of this many rows or more shows its progress in the status bar.
const size_t kSaveProgressRows = 100000;
// ...and how often at most it is told (milliseconds).
const ULONGLONG kSaveProgressMs = 200;

IFrameImages* FrameImages()
{
    CWinApp* app = AfxGetApp();
    return app ? dynamic_cast<IFrameImages*>(app->GetMainFrame()) : nullptr;
}

// A column's width at `dpi`: the 96-DPI width of a fresh column, or the
// width it has now (perhaps the user's) carried from `fromDpi`.
int ColumnWidthForDpi(int width, UINT fromDpi, UINT dpi)
{
    return fw::RescaleForDpi(width, fromDpi, dpi);
}

} // namespace

COrlixView::COrlixView()
    : m_processNames(orlix::MakeSystemProcessSource()),
      m_shared(std::make_shared<orlix::WorkerShared>())
{
    g_pView = this;
}

COrlixView::~COrlixView()
{
    m_filter.SetFilters(L";", nullptr);
    if (g_pView == this)
        g_pView = nullptr;
    CPrintPreview::SourceGone(m_rows);
}

void COrlixView::OnFilePrint(bool withDialog)
{
    PrintList(m_rows, GetListColumnWidths(m_hWnd), withDialog);
}

void COrlixView::OnFilePrintPreview()
{
    CPrintPreview::Open(m_rows, m_hWnd);
}

BOOL COrlixView::PreCreateWindow(CREATESTRUCTW& cs)
{
    // The rows live in the view's store; the control only shows them.
    cs.style |= LVS_REPORT | LVS_OWNERDATA;
    return TRUE;
}

void COrlixView::OnInitialUpdate()
{
    CListView::OnInitialUpdate();
    if (m_bInitialized)
        return; // a renewed document keeps the columns and the workers
    m_bInitialized = true;
    ::SendMessageW(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    const UINT dpi = fw::WindowDpi(m_hWnd);
    // The control's own font is the system's; on a screen of another DPI,
    // that screen's.
    if (dpi != fw::SystemDpi())
        SetListFont(dpi);
    for (int i = 0; i < static_cast<int>(orlix::kListColumnCount); ++i) {
        LVCOLUMNW col = {};
        col.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
        col.fmt = LVCFMT_LEFT;
        col.pszText = const_cast<LPWSTR>(orlix::kListColumns[i].heading);
        col.cx = ColumnWidthForDpi(orlix::kListColumns[i].width, fw::kBaseDpi, dpi);
        ::SendMessageW(m_hWnd, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
    LoadFeatureSettings();
    LoadViewOptions();
    LoadColumnLayout();
    FitMessageColumn();
    StartWorkers();
}

void COrlixView::SetListFont(UINT dpi)
{
    if (fw::UniqueFont font{ fw::CreateListFontForDpi(dpi) }) {
        ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
        m_font = std::move(font);
    }
}

void COrlixView::OnDpiChanged(UINT oldDpi, UINT newDpi)
{
    SetListFont(newDpi);
    for (int i = 0; i < static_cast<int>(orlix::kListColumnCount); ++i) {
        int width = static_cast<int>(::SendMessageW(m_hWnd, LVM_GETCOLUMNWIDTH, i, 0));
        ::SendMessageW(m_hWnd, LVM_SETCOLUMNWIDTH, i,
                       MAKELPARAM(ColumnWidthForDpi(width, oldDpi, newDpi), 0));
    }
    FitMessageColumn();
}

void COrlixView::StartWorkers()
{
    m_shared->hwndView = m_hWnd;
    // The reader of the global channel runs only while Capture › Global is
    // on: until then it counts as finished for the shutdown wait.
    ::SetEvent(m_shared->doneEvents[orlix::kGlobalDebugOutput].get());
    LPTHREAD_START_ROUTINE entries[] = { BroadcastSendThread, BroadcastReceiveThread,
                                         DebugOutputThread, LogWriterThread };
    for (auto entry : entries) {
        auto* arg = new std::shared_ptr<orlix::WorkerShared>(m_shared);
        fw::UniqueHandle thread(::CreateThread(nullptr, orlix::kWorkerStackBytes, entry, arg,
                                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
        if (!thread)
            delete arg;
    }
}

void COrlixView::SetSyslogForwarding(const orlix::syslog::Settings& settings)
{
    m_syslog.reset();
    if (settings.enabled)
        m_syslog = orlix::SyslogForwarder::Start(settings);
}

void COrlixView::OnDestroy()
{
    SaveColumnLayout();
    m_syslog.reset();
    if (m_bFlushTimer) {
        ::KillTimer(m_hWnd, kFlushTimerId);
        m_bFlushTimer = false;
    }
    if (m_bDrainTimer) {
        ::KillTimer(m_hWnd, kDrainTimerId);
        m_bDrainTimer = false;
    }
    if (m_bBatchTimer) {
        ::KillTimer(m_hWnd, kBatchTimerId);
        m_bBatchTimer = false;
    }
    m_drainBacklog.clear();
    if (m_bLogToFile) {
        // The writer's last attempt at the stop takes the note too.
        fw::CsLock lock(m_shared->csLog);
        QueueDroppedNote();
    }
    HANDLE done[orlix::kWorkerCount];
    for (int i = 0; i < orlix::kWorkerCount; ++i) {
        ::SetEvent(m_shared->stopEvents[i].get());
        done[i] = m_shared->doneEvents[i].get();
    }
    if (m_bInitialized)
        ::WaitForMultipleObjects(orlix::kWorkerCount, done, TRUE, m_dwShutdownWaitMs);
    // A worker still running from here on finds no window to send to.
    m_shared->hwndView = nullptr;
    // Lines still in the debug FIFO have reached no list; let their process
    // handles go.
    fw::CsLock lock(m_shared->csDebug);
    m_shared->debugQueue.clear();
    ::SetEvent(m_shared->debugSpace.get());
}

void COrlixView::OnWorkerBox(std::wstring* text)
{
    std::unique_ptr<std::wstring> owned(text);
    // Buttons and menus show the state the box speaks of (logging on) while
    // it is up: no idle time comes until it is dismissed.
    if (CWinApp* app = AfxGetApp())
        if (CFrameWnd* frame = app->GetMainFrame())
            frame->OnIdleUpdateCmdUI();
    HWND owner = AfxGetMainWnd();
    ::MessageBoxW(owner, owned->c_str(), L"Orlix",
                  MB_OK | MB_ICONEXCLAMATION | (owner ? 0u : MB_TASKMODAL));
    ::SetEvent(m_shared->boxDone.get());
}

LRESULT COrlixView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SETTEXT:
        Intake(static_cast<uint32_t>(wParam), reinterpret_cast<const wchar_t*>(lParam), nullptr);
        return 0;
    case WM_TIMER:
        if (wParam == kFlushTimerId) {
            OnFlushTimer();
            return 0;
        }
        if (wParam == kBatchTimerId) {
            if (m_drainBacklog.empty())
                DrainDebugQueue();
            return 0;
        }
        if (wParam == kDrainTimerId) {
            ::KillTimer(m_hWnd, kDrainTimerId);
            m_bDrainTimer = false;
            DrainDebugQueue();
            return 0;
        }
        break;
    case orlix::kMsgDrainDebug:
        DrainDebugQueue();
        return 0;
    case orlix::kMsgWorkerBox:
        OnWorkerBox(reinterpret_cast<std::wstring*>(lParam));
        return 0;
    case orlix::kMsgFitColumns:
        FitMessageColumn();
        return 0;
    case WM_SIZE: {
        LRESULT r = CListView::WindowProc(msg, wParam, lParam);
        FitMessageColumn();
        return r;
    }
    case WM_PAINT: {
        // Painting the new rows is part of what a refresh costs.
        double t0 = RefreshPacer::NowMs();
        LRESULT r = CListView::WindowProc(msg, wParam, lParam);
        m_pacer.AddPaint(RefreshPacer::NowMs() - t0);
        return r;
    }
    case WM_CONTEXTMENU:
        // The frame shows the row menu (it knows the translated texts).
        if (HWND parent = ::GetParent(m_hWnd))
            ::SendMessageW(parent, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(m_hWnd), lParam);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_NOTIFY: {
        // A right click on the header: the columns' menu.
        auto* nm = reinterpret_cast<NMHDR*>(lParam);
        HWND header = reinterpret_cast<HWND>(::SendMessageW(m_hWnd, LVM_GETHEADER, 0, 0));
        if (nm && header && nm->hwndFrom == header && nm->code == NM_RCLICK) {
            ShowColumnMenu();
            return TRUE;
        }
        if (nm && header && nm->hwndFrom == header)
            OnHeaderNotify(nm);
        break;
    }
    }
    return CListView::WindowProc(msg, wParam, lParam);
}

bool COrlixView::OnNotifyReflect(NMHDR* nm, LRESULT* pResult)
{
    switch (nm->code) {
    case LVN_GETDISPINFOW: {
        auto* di = reinterpret_cast<NMLVDISPINFOW*>(nm);
        LVITEMW& item = di->item;
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
            size_t shown = static_cast<size_t>(item.iItem);
            if (item.iItem < 0 || shown >= DisplayCount()) {
                item.pszText[0] = 0;
            } else {
                size_t row = StoreRow(shown);
                const size_t room = static_cast<size_t>(item.cchTextMax - 1);
                size_t n;
                if (item.iSubItem == 3) {
                    n = m_rows.CopyText(row, item.pszText, room);
                } else {
                    std::wstring tmp;
                    std::wstring_view v;
                    if (item.iSubItem == 0)
                        v = m_rows.Name(row);
                    else if (item.iSubItem == 2 && m_timeMode != orlix::TimeMode::Clock)
                        v = tmp = TimeText(row);
                    else
                        v = tmp = m_rows.Column(row, item.iSubItem);
                    n = v.size() < room ? v.size() : room;
                    v.copy(item.pszText, n);
                }
                item.pszText[n] = 0;
            }
        }
        *pResult = 0;
        return true;
    }
    case LVN_ODFINDITEMW:
        *pResult = -1;
        return true;
    }
    if (OnFeatureNotify(nm, pResult))
        return true;
    switch (nm->code) {
    case NM_CLICK:
        m_bHasSelection = ::SendMessageW(m_hWnd, LVM_GETSELECTEDCOUNT, 0, 0) > 0;
        *pResult = 0;
        return true;
    }
    return false;
}

bool COrlixView::OnCmdMsg(UINT id, int code, CCmdUI* pUI)
{
    switch (id) {
    case ID_CLEAR:
        return Handle(code, pUI, [&] { OnClear(); });
    case ID_CAPTURE:
        return Handle(code, pUI, [&] { OnCapture(); },
                      [&](CCmdUI& ui) { ui.SetCheck(m_bCapture ? 1 : 0); });
    case ID_CAPTURE_GLOBAL:
        return Handle(code, pUI, [&] { OnCaptureGlobal(); },
                      [&](CCmdUI& ui) { ui.SetCheck(m_bCaptureGlobal ? 1 : 0); });
    case ID_AUTO_SCROLL:
        return Handle(code, pUI, [&] { OnAutoScroll(); },
                      [&](CCmdUI& ui) { ui.SetCheck(m_bAutoScroll ? 0 : 1); });
    case ID_EDIT_COPY:
        return Handle(code, pUI, [&] { OnEditCopy(); },
                      [&](CCmdUI& ui) { ui.Enable(m_bHasSelection != FALSE); });
    case ID_FILE_SAVE:
        return Handle(code, pUI, [&] { OnFileSave(); });
    case ID_FILE_PRINT:
        return Handle(code, pUI, [&] { OnFilePrint(true); });
    case ID_FILE_PRINT_DIRECT:
        return Handle(code, pUI, [&] { OnFilePrint(false); });
    case ID_FILE_PRINT_PREVIEW:
        return Handle(code, pUI, [&] { OnFilePrintPreview(); });
    case ID_FILTER:
        return Handle(code, pUI, [&] { OnFilter(); });
    case ID_LOG_TO_FILE:
        return Handle(code, pUI, [&] { OnLogToFile(); },
                      [&](CCmdUI& ui) { ui.SetCheck(m_bLogToFile ? 1 : 0); });
    case ID_BROADCAST_SEND:
    case ID_BROADCAST_RECEIVE:
        return Handle(code, pUI, [&] { OnBroadcastCommand(id); }, [&](CCmdUI& ui) {
            ui.SetCheck(id == ID_BROADCAST_SEND ? m_bBroadcastSend
                                                : m_shared->broadcastRecv.load());
        });
    }
    if (OnFeatureCommand(id, code, pUI))
        return true;
    return OnOptionCmdMsg(id, code, pUI);
}

void COrlixView::OnClear()
{
    m_rows.Clear();
    m_display.Clear();
    m_bookmarks.Clear();
    ::SendMessageW(m_hWnd, LVM_SETITEMCOUNT, 0, 0);
    m_bScrollPending = false;
    m_bHasSelection = FALSE;
}

void COrlixView::OnCapture()
{
    m_bCapture = !m_bCapture;
    if (IFrameImages* f = FrameImages())
        f->SetCaptureImage(m_bCapture);
}

// Capture › Global: a second reader, of the channel services write to, into
// the same intake. Refused (no privilege to create global objects): a box
// says so and the switch stays off.
void COrlixView::OnCaptureGlobal()
{
    if (m_bCaptureGlobal) {
        orlix::StopGlobalReader(*m_shared, m_dwShutdownWaitMs);
        m_bCaptureGlobal = false;
        return;
    }
    unsigned long error = 0;
    if (orlix::StartGlobalReader(m_shared, error) == orlix::ChannelOpen::Ok) {
        m_bCaptureGlobal = true;
        return;
    }
    std::wstring text = AfxLoadUIString(IDS_GLOBAL_REFUSED);
    size_t at = text.find(L"%1");
    if (at != std::wstring::npos)
        text.replace(at, 2, std::to_wstring(error));
    HWND owner = AfxGetMainWnd();
    ::MessageBoxW(owner, text.c_str(), L"Orlix",
                  MB_OK | MB_ICONEXCLAMATION | (owner ? 0u : MB_TASKMODAL));
}

void COrlixView::OnAutoScroll()
{
    m_bAutoScroll = m_bAutoScroll ? FALSE : TRUE;
    if (IFrameImages* f = FrameImages())
        f->SetAutoScrollImage(m_bAutoScroll != FALSE);
}

void COrlixView::OnEditCopy()
{
    int item = static_cast<int>(::SendMessageW(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                               LVNI_SELECTED));
    if (item < 0 || static_cast<size_t>(item) >= DisplayCount()) {
        m_bHasSelection = FALSE;
        return;
    }
    // Several rows selected: every one of their texts, one per line.
    if (::SendMessageW(m_hWnd, LVM_GETSELECTEDCOUNT, 0, 0) > 1) {
        std::wstring all;
        for (int i = item; i >= 0 && static_cast<size_t>(i) < DisplayCount();
             i = static_cast<int>(::SendMessageW(m_hWnd, LVM_GETNEXTITEM, i, LVNI_SELECTED))) {
            if (!all.empty())
                all += L"\r\n";
            all += m_rows.Text(StoreRow(i));
        }
        CopyToClipboard(all);
        m_bHasSelection = TRUE;
        return;
    }
    // Another program may hold the clipboard for a moment: the copy tries
    // again briefly before giving up.
    CopyToClipboard(m_rows.Text(StoreRow(item)));
    m_bHasSelection = TRUE;
}

void COrlixView::OnFileSave()
{
    CFileDialog dlg(FALSE, L"txt", L"Orlixlog", OFN_HIDEREADONLY, L"(*.txt)|*.txt||");
    if (dlg.DoModal() != IDOK)
        return;
    m_strSavePath = dlg.GetPathName();
    // A long list takes a while: the status bar tells how far it got.
    CFrameWnd* frame = AfxGetApp() ? AfxGetApp()->GetMainFrame() : nullptr;
    const std::wstring format = AfxLoadUIString(IDS_SAVE_PROGRESS);
    int shown = -1;
    ULONGLONG lastShown = ::GetTickCount64();
    auto progress = [&](size_t done, size_t total) {
        const int percent = total ? static_cast<int>(done * 100 / total) : 100;
        if (!frame || !frame->m_hWnd || percent == shown || format.empty())
            return;
        // A few times a second: each repaint of the status bar costs the
        // save more than formatting thousands of rows.
        const ULONGLONG now = ::GetTickCount64();
        if (now - lastShown < kSaveProgressMs)
            return;
        lastShown = now;
        shown = percent;
        frame->SetMessageText(orlix::FillInserts(format, { std::to_wstring(percent) }).c_str());
        // Only the status bar: painting the whole window a hundred times
        // would cost more than the save.
        if (frame->m_pStatusBar && frame->m_pStatusBar->m_hWnd)
            ::UpdateWindow(frame->m_pStatusBar->m_hWnd);
    };
    const bool saved = orlix::SaveRows(m_rows, m_strSavePath,
                                       m_rows.Size() >= kSaveProgressRows
                                           ? orlix::SaveProgress(progress)
                                           : orlix::SaveProgress(),
                                       m_timeMode != orlix::TimeMode::Clock
                                           ? orlix::SaveTimeText([this](size_t row) {
                                                 return TimeText(row);
                                             })
                                           : orlix::SaveTimeText());
    if (shown >= 0 && frame && frame->m_hWnd)
        frame->SetMessageText(AFX_IDS_IDLEMESSAGE);
    if (!saved) {
        AfxMessageBox(orlix::OpenFileFailedText(m_strSavePath).c_str());
    }
}

void COrlixView::OnFilter()
{
    CFilterDlg dlg;
    m_filter.GetFilters(dlg.m_strInclude, dlg.m_strExclude);
    if (dlg.DoModal() == IDOK)
        m_filter.SetFilters(dlg.m_strInclude.c_str(), dlg.m_strExclude.c_str());
}

void COrlixView::OnLogToFile()
{
    if (m_bLogToFile) {
        fw::CsLock lock(m_shared->csLog);
        QueueDroppedNote();
        m_shared->logQueue.push_back({ orlix::Stop, std::wstring() });
    } else {
        wchar_t folder[MAX_PATH] = {};
        size_t len = 0;
        if (GetPersonalFolderPath(folder, MAX_PATH, &len)) {
            SYSTEMTIME st;
            ::GetLocalTime(&st);
            wchar_t name[32];
            wsprintfW(name, L"%02d%02d%02d-%02d%02d%02d.txt", st.wYear % 100, st.wMonth, st.wDay,
                      st.wHour, st.wMinute, st.wSecond);
            std::wstring path = folder;
            if (!path.empty() && path.back() != L'\\')
                path += L'\\';
            path += name;
            std::wstring prompt = AfxLoadUIString(AFX_IDS_AUTOSAVE_NAME) + path;
            AfxMessageBox(prompt.c_str(), MB_OK | MB_ICONEXCLAMATION);
            fw::CsLock lock(m_shared->csLog);
            m_shared->logQueue.push_back({ orlix::StartNewFile, path });
        }
    }
    ::SetEvent(m_shared->logEvent.get());
    m_bLogToFile = !m_bLogToFile;
    if (IFrameImages* f = FrameImages())
        f->SetLogImage(m_bLogToFile);
}

void COrlixView::OnBroadcastCommand(UINT id)
{
    if (id == ID_BROADCAST_SEND)
        m_bBroadcastSend = !m_bBroadcastSend;
    else if (id == ID_BROADCAST_RECEIVE)
        m_shared->broadcastRecv = !m_shared->broadcastRecv.load();
}
