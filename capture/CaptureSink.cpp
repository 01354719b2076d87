// The capture's own message-only window: the readers wake it with one posted
// message per batch, its timers take lines in batches while they stream, and
// it shows the boxes the workers ask for. The FIFO is drained in slices of a
// few milliseconds, so input and painting always get their turn.
#include "capture/Capture.h"
#include "framework/App.h"
#include "framework/Frame.h"
#include "framework/Wnd.h"
#include <chrono>

namespace orlix {

namespace {

const wchar_t kSinkClass[] = L"OrlixCaptureSink";
constexpr UINT_PTR kDrainTimerId = 2;
constexpr UINT_PTR kBatchTimerId = 3;
// One drain runs this long at most, then lets input and painting in.
const double kDrainSliceMs = 8.0;
// While lines stream in, they are taken this often.
const UINT kDrainBatchMs = 15;
// A worker's request to show the user a text (lParam: a new BoxRequest).
constexpr UINT kMsgWorkerBox = 0x8000 + 0x42;   // WM_APP + 0x42

struct BoxRequest {
    std::wstring text;
    std::shared_ptr<fw::UniqueHandle> dismissed;
};

double NowMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

void Capture::CreateSink()
{
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = { sizeof(wc) };
    if (!::GetClassInfoExW(inst, kSinkClass, &wc)) {
        wc.lpfnWndProc = SinkProc;
        wc.hInstance = inst;
        wc.lpszClassName = kSinkClass;
        ::RegisterClassExW(&wc);
    }
    m_hSink = ::CreateWindowExW(0, kSinkClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, inst,
                                this);
    m_shared->hwndSink = m_hSink;
}

void Capture::DestroySink()
{
    // A worker still running from here on finds nobody to hand lines to.
    m_shared->hwndSink = nullptr;
    if (m_hSink)
        ::DestroyWindow(m_hSink);
    m_hSink = nullptr;
    m_bBatchTimer = m_bDrainTimer = false;
}

LRESULT CALLBACK Capture::SinkProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Capture*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case kMsgDrainDebug:
        if (self)
            self->DrainQueue();
        return 0;
    case WM_TIMER:
        if (self)
            self->OnTimer(wParam);
        return 0;
    case kMsgWorkerBox: {
        std::unique_ptr<BoxRequest> box(reinterpret_cast<BoxRequest*>(lParam));
        // Buttons and menus show the state the box speaks of (logging on)
        // while it is up: no idle time comes until it is dismissed.
        CWinApp* app = AfxGetApp();
        if (CFrameWnd* frame = app ? app->GetMainFrame() : nullptr)
            frame->OnIdleUpdateCmdUI();
        HWND owner = AfxGetMainWnd();
        ::MessageBoxW(owner, box->text.c_str(), L"Orlix",
                      MB_OK | MB_ICONEXCLAMATION | (owner ? 0u : MB_TASKMODAL));
        ::SetEvent(box->dismissed->get());
        return 0;
    }
    case WM_NCDESTROY:
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

void Capture::OnTimer(UINT_PTR id)
{
    if (id == kBatchTimerId) {
        if (m_backlog.empty())
            DrainQueue();
    } else if (id == kDrainTimerId) {
        ::KillTimer(m_hSink, kDrainTimerId);
        m_bDrainTimer = false;
        DrainQueue();
    }
}

// Runs when the FIFO has lines (a posted message) and while a backlog is
// left: the FIFO is taken only once the backlog is through, so its bound
// still holds the workers back under a flood.
void Capture::DrainQueue()
{
    if (m_backlog.empty()) {
        // While lines stream in, the readers stop waking this thread for
        // each one (a wake costs a writer on the same processor more than
        // the line itself): a timer takes what came meanwhile, a batch at a
        // time. Once a tick finds nothing, the next line wakes it at once.
        TakeQueuedLines(*m_shared, m_backlog, [this](bool streaming) {
            if (streaming && !m_bBatchTimer)
                m_bBatchTimer = ::SetTimer(m_hSink, kBatchTimerId, kDrainBatchMs, nullptr) != 0;
            if (!streaming && m_bBatchTimer) {
                ::KillTimer(m_hSink, kBatchTimerId);
                m_bBatchTimer = false;
            }
            return streaming && m_bBatchTimer;
        });
    }
    // Expensive lines (a sender that cannot be named, a slow log) must not
    // freeze the window: a few milliseconds of lines, then the rest later.
    const double t0 = NowMs();
    unsigned n = 0;
    while (!m_backlog.empty()) {
        DebugLine line = std::move(m_backlog.front());
        m_backlog.pop_front();
        if (line.file)
            AddFollowedLine(*line.file, line.text.c_str());
        else
            Intake(line.pid, line.text.c_str(), line.process ? line.process->get() : nullptr);
        if ((++n & 15) == 0 && NowMs() - t0 >= kDrainSliceMs)
            break;
    }
    if (!m_backlog.empty())
        ContinueDrain();
}

// The next slice: at once when nothing waits, after input and painting
// (a timer's turn) when something does.
void Capture::ContinueDrain()
{
    if (HIWORD(::GetQueueStatus(QS_INPUT | QS_PAINT)) == 0 &&
        ::PostMessageW(m_hSink, kMsgDrainDebug, 0, 0))
        return;
    if (!m_bDrainTimer)
        m_bDrainTimer = ::SetTimer(m_hSink, kDrainTimerId, USER_TIMER_MINIMUM, nullptr) != 0;
    if (!m_bDrainTimer)
        ::PostMessageW(m_hSink, kMsgDrainDebug, 0, 0);
}

// On the log writer's thread: the box is shown by the user-interface thread,
// and the writer waits until it is dismissed or it is asked to stop.
void Capture::AskUserFromWorker(WorkerShared& s, const std::wstring& text, HANDLE stop)
{
    HWND sink = s.hwndSink.load();
    if (!sink)
        return;
    auto box = std::make_unique<BoxRequest>();
    box->text = text;
    box->dismissed = std::make_shared<fw::UniqueHandle>(::CreateEventW(nullptr, TRUE, FALSE,
                                                                       nullptr));
    std::shared_ptr<fw::UniqueHandle> dismissed = box->dismissed;
    if (!::PostMessageW(sink, kMsgWorkerBox, 0, reinterpret_cast<LPARAM>(box.get())))
        return;
    box.release();
    HANDLE wait[2] = { stop, dismissed->get() };
    if (::WaitForMultipleObjects(2, wait, FALSE, INFINITE) == WAIT_OBJECT_0)
        ::SetEvent(stop);   // auto-reset: set again for the worker's own wait
}

} // namespace orlix
