// The viewer's commands, update states, intake and shutdown, in-process.
#include "ViewerFixture.h"
#include "framework/File.h"
#include "output/DocumentsFolder.h"
#include "resources/resource.h"
#include <shlobj.h>
#include <algorithm>
#include <cwchar>
#include <vector>

namespace {

bool Checked(UINT state) { return state != static_cast<UINT>(-1) && (state & MF_CHECKED); }
bool Enabled(UINT state) { return state != static_cast<UINT>(-1) && !(state & MF_GRAYED); }

bool ToolbarChecked(InProcessViewer& v, UINT id)
{
    v.Pump(20);
    return ::SendMessageW(v.frame->m_toolBar.m_hWnd, TB_ISBUTTONCHECKED, id, 0) != 0;
}

std::wstring Documents()
{
    wchar_t path[MAX_PATH] = {};
    size_t n = 0;
    EXPECT_TRUE(GetPersonalFolderPath(path, MAX_PATH, &n));
    return path;
}

std::vector<std::wstring> LogFiles()
{
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((Documents() + L"\\?\?\?\?\?\?-?\?\?\?\?\?*.txt").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return out;
    do
        out.push_back(Documents() + L"\\" + fd.cFileName);
    while (::FindNextFileW(h, &fd));
    ::FindClose(h);
    return out;
}

std::string ReadAll(const std::wstring& path)
{
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::string();
    std::string s;
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(h, buf, sizeof(buf), &got, nullptr) && got)
        s.append(buf, got);
    ::CloseHandle(h);
    return s;
}

std::string Utf16(const std::wstring& w)
{
    return std::string(reinterpret_cast<const char*>(w.data()), w.size() * 2);
}

void RemoveLogFiles()
{
    for (auto& f : LogFiles())
        ::DeleteFileW(f.c_str());
}

// The message texts a view's list shows, top to bottom.
std::vector<std::wstring> ListTexts(COrlixView& view)
{
    view.FlushRows();
    std::vector<std::wstring> out;
    int n = static_cast<int>(::SendMessageW(view.m_hWnd, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t text[256] = {};
        LVITEMW item = {};
        item.iSubItem = 3;
        item.pszText = text;
        item.cchTextMax = 256;
        ::SendMessageW(view.m_hWnd, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        out.push_back(text);
    }
    return out;
}

} // namespace

// One capture, two views: both show every row the capture takes, also those
// taken before the second came; each filters its own list; Clear and the
// history limit reach both; the second can go while the first goes on.
TEST(ViewerInProcess, TwoViewsOfOneCaptureShowTheSameRowsEachInItsOwnWay)
{
    using V = std::vector<std::wstring>;
    InProcessViewer v;
    ASSERT_TRUE(v.ok);
    v.Send(100, L"before");
    auto* second = new COrlixView;
    second->AttachDocument(v.view->GetDocument());
    ASSERT_TRUE(second->CreateView(v.frame->m_hWnd, AFX_IDW_PANE_FIRST + 1));
    second->OnInitialUpdate();
    EXPECT_EQ(g_pView, v.view) << "the first view stays the one the program shows";
    EXPECT_EQ(&second->GetCapture(), &v.view->GetCapture());
    v.Send(200, L"one");
    v.Send(300, L"two");
    EXPECT_EQ(ListTexts(*v.view), (V{ L"before", L"one", L"two" }));
    EXPECT_EQ(ListTexts(*second), (V{ L"before", L"one", L"two" }));

    second->SelectItem(1);
    second->OnCmdMsg(ID_QUICK_HIDE_PROCESS, CN_COMMAND, nullptr);
    v.Send(200, L"hidden there");
    v.Send(400, L"three");
    EXPECT_EQ(ListTexts(*second), (V{ L"before", L"two", L"three" }));
    EXPECT_EQ(ListTexts(*v.view), (V{ L"before", L"one", L"two", L"hidden there", L"three" }));

    // The history limit trims the one store; each list keeps what is left.
    v.Command(ID_CLEAR);
    EXPECT_EQ(ListTexts(*v.view), V{});
    EXPECT_EQ(ListTexts(*second), V{});
    for (const wchar_t* t : { L"a", L"b", L"c", L"d" })
        v.Send(200, t);
    v.Send(500, L"e");
    auto* doc = dynamic_cast<orlix::ICaptureOwner*>(v.view->GetDocument());
    ASSERT_NE(doc, nullptr);
    doc->GetCapture().SetHistoryLimit(2);
    doc->GetCapture().TrimHistory();
    EXPECT_EQ(ListTexts(*v.view), (V{ L"d", L"e" }));
    EXPECT_EQ(ListTexts(*second), V{ L"e" });
    doc->GetCapture().SetHistoryLimit(0);

    ::DestroyWindow(second->m_hWnd);
    v.Send(600, L"after");
    EXPECT_EQ(ListTexts(*v.view), (V{ L"d", L"e", L"after" }));
    EXPECT_EQ(v.view->GetDocument()->GetViews().size(), 1u);
}

// A save runs a piece at a time: Esc stops it and the old file stays; let
// run, it replaces the file with every row.
TEST(ViewerInProcess, EscStopsASaveAndTheOldFileStays)
{
    InProcessViewer v;
    ASSERT_TRUE(v.ok);
    orlix::Capture& capture = v.view->GetCapture();
    const std::wstring text(200, L'x');
    for (int i = 0; i < 300000; ++i)
        capture.AppendRow(L"w.exe", 7, orlix::ArrivalTime{}, text);
    const std::wstring path = Documents() + L"\\orlix-stopped-save.txt";
    {
        HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD n = 0;
        ::WriteFile(h, "old", 3, &n, nullptr);
        ::CloseHandle(h);
    }
    v.view->SaveTo(path);
    ::SendMessageW(v.view->m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
    v.Pump(300);
    EXPECT_TRUE(ReadAll(path) == "old") << "the old file was replaced";
    EXPECT_EQ(::GetFileAttributesW((path + L".saving").c_str()), INVALID_FILE_ATTRIBUTES);
    v.view->SaveTo(path);
    EXPECT_TRUE(v.PumpUntil([&] { return ReadAll(path).size() > 300000u * 200 * 2; }, 30000));
    ::DeleteFileW(path.c_str());
}

TEST(ViewerInProcess, EveryCommandShowsItsStateInMenuAndToolbar)
{
    InProcessViewer v;
    ASSERT_TRUE(v.ok);
    COrlixView& view = *v.view;
    // Start: capture on, logging off, auto-scroll on, no selection.
    EXPECT_TRUE(Checked(v.MenuState(ID_CAPTURE)));
    EXPECT_FALSE(Checked(v.MenuState(ID_LOG_TO_FILE)));
    EXPECT_FALSE(Checked(v.MenuState(ID_BROADCAST_SEND)));
    EXPECT_FALSE(Checked(v.MenuState(ID_BROADCAST_RECEIVE)));
    EXPECT_FALSE(Enabled(v.MenuState(ID_EDIT_COPY)));
    for (UINT id : { ID_CLEAR, ID_FILE_SAVE, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILTER,
                     ID_FILE_OPEN, ID_FILE_PRINT_SETUP, ID_APP_EXIT, ID_APP_ABOUT,
                     ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_LOG_TO_FILE, ID_CAPTURE,
                     ID_BROADCAST_SEND, ID_BROADCAST_RECEIVE, ID_LANGUAGE_DEFAULT })
        EXPECT_TRUE(Enabled(v.MenuState(id))) << id;
    EXPECT_TRUE(Checked(v.MenuState(ID_VIEW_TOOLBAR)));
    EXPECT_TRUE(Checked(v.MenuState(ID_VIEW_STATUS_BAR)));
    EXPECT_TRUE(Checked(v.MenuState(ID_LANGUAGE_DEFAULT)));
    EXPECT_TRUE(ToolbarChecked(v, ID_CAPTURE));
    EXPECT_FALSE(ToolbarChecked(v, ID_AUTO_SCROLL));

    // Each switch flips its tick (menu check and pressed button alike).
    EXPECT_TRUE(v.Command(ID_CAPTURE));
    EXPECT_FALSE(view.GetCapture().m_bCapture);
    EXPECT_FALSE(Checked(v.MenuState(ID_CAPTURE)));
    EXPECT_FALSE(ToolbarChecked(v, ID_CAPTURE));
    v.Command(ID_CAPTURE);
    EXPECT_TRUE(Checked(v.MenuState(ID_CAPTURE)));

    v.Command(ID_AUTO_SCROLL);
    EXPECT_FALSE(view.m_bAutoScroll);
    EXPECT_TRUE(ToolbarChecked(v, ID_AUTO_SCROLL)) << "pressed while auto-scroll is off";
    v.Command(ID_AUTO_SCROLL);
    EXPECT_FALSE(ToolbarChecked(v, ID_AUTO_SCROLL));

    v.Command(ID_BROADCAST_SEND);
    EXPECT_TRUE(Checked(v.MenuState(ID_BROADCAST_SEND)));
    EXPECT_FALSE(Checked(v.MenuState(ID_BROADCAST_RECEIVE)));
    v.Command(ID_BROADCAST_RECEIVE);
    EXPECT_TRUE(Checked(v.MenuState(ID_BROADCAST_RECEIVE)));
    v.Command(ID_BROADCAST_SEND);
    v.Command(ID_BROADCAST_RECEIVE);
    EXPECT_FALSE(Checked(v.MenuState(ID_BROADCAST_SEND)));
    EXPECT_FALSE(Checked(v.MenuState(ID_BROADCAST_RECEIVE)));

    // Copy follows clicks (and Copy/Clear), not the keyboard.
    v.Send(0, L"a row");
    v.view->FlushRows();
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    ::SendMessageW(view.m_hWnd, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_FALSE(Enabled(v.MenuState(ID_EDIT_COPY)));
    NMHDR click = { view.m_hWnd, AFX_IDW_PANE_FIRST, static_cast<UINT>(NM_CLICK) };
    ::SendMessageW(v.frame->m_hWnd, WM_NOTIFY, click.idFrom, reinterpret_cast<LPARAM>(&click));
    EXPECT_TRUE(Enabled(v.MenuState(ID_EDIT_COPY)));
    v.Command(ID_CLEAR);
    EXPECT_FALSE(Enabled(v.MenuState(ID_EDIT_COPY)));

    // The View toggles hide and show the bars.
    v.Command(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(Checked(v.MenuState(ID_VIEW_TOOLBAR)));
    EXPECT_FALSE(::IsWindowVisible(v.frame->m_toolBar.GetRebar()));
    v.Command(ID_VIEW_TOOLBAR);
    EXPECT_TRUE(::IsWindowVisible(v.frame->m_toolBar.GetRebar()));
    v.Command(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(::IsWindowVisible(v.frame->m_statusBar.m_hWnd));
    v.Command(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(::IsWindowVisible(v.frame->m_statusBar.m_hWnd));
}

TEST(ViewerInProcess, IntakeRulesAndResultOfTheProtocol)
{
    InProcessViewer v;
    ASSERT_TRUE(v.ok);
    EXPECT_EQ(v.Send(0, L"zero"), 0);
    EXPECT_EQ(v.Send(::GetCurrentProcessId(), L"mine"), 0);
    EXPECT_EQ(v.Send(7, nullptr), 0) << "a null text is an empty line";
    const auto& rows = v.view->Rows();
    ASSERT_EQ(rows.Size(), 3u) << "a line is in the store when its send returns";
    EXPECT_EQ(rows.Name(0), L"");
    EXPECT_EQ(rows.Pid(0), 0u);
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring base = exe;
    base = base.substr(base.find_last_of(L'\\') + 1);
    EXPECT_EQ(rows.Name(1), base);
    EXPECT_EQ(rows.Text(2), L"");
    wchar_t title[64] = {};
    ::GetWindowTextW(v.frame->m_hWnd, title, 64);
    EXPECT_STREQ(title, L"Orlix");
    // The control catches up once the burst is over.
    EXPECT_TRUE(v.PumpUntil([&] { return v.view->ShownRowCount() == 3; }, 2000));
}

// The arrival time is kept to the millisecond of the local clock; the list
// shows it to the second, as always.
TEST(ViewerInProcess, ArrivalTimeKeepsTheMillisecond)
{
    InProcessViewer v;
    ASSERT_TRUE(v.ok);
    auto msOfDay = [](unsigned h, unsigned m, unsigned s, unsigned ms) {
        return ((h * 60 + m) * 60 + s) * 1000 + ms;
    };
    const auto& rows = v.view->Rows();
    std::vector<unsigned> seen;
    for (int i = 0; i < 40 && rows.Size() < 40; ++i) {
        SYSTEMTIME before, after;
        ::GetLocalTime(&before);
        v.Send(0, L"timed");
        ::GetLocalTime(&after);
        const orlix::ArrivalTime t = rows.Time(rows.Size() - 1);
        const unsigned got = msOfDay(t.hour, t.minute, t.second, t.millisecond);
        const unsigned lo = msOfDay(before.wHour, before.wMinute, before.wSecond,
                                    before.wMilliseconds);
        const unsigned hi = msOfDay(after.wHour, after.wMinute, after.wSecond,
                                    after.wMilliseconds);
        if (hi < lo)
            continue;   // midnight passed
        // Both clocks may tick at a coarser step than a millisecond.
        EXPECT_GE(got + 20, lo);
        EXPECT_LE(got, hi + 20);
        EXPECT_LT(t.millisecond, 1000);
        seen.push_back(t.millisecond);
        wchar_t shown[32] = {};
        LVITEMW item = {};
        item.iSubItem = 2;
        item.pszText = shown;
        item.cchTextMax = 32;
        v.view->FlushRows();
        ::SendMessageW(v.view->m_hWnd, LVM_GETITEMTEXTW, rows.Size() - 1,
                       reinterpret_cast<LPARAM>(&item));
        wchar_t expected[32];
        swprintf(expected, 32, L"%02u:%02u:%02u:00", t.hour, t.minute, t.second);
        EXPECT_STREQ(shown, expected);
        ::Sleep(7);
    }
    ASSERT_FALSE(seen.empty());
    // Over 40 lines 7 ms apart the milliseconds are not all the same.
    EXPECT_NE(*std::min_element(seen.begin(), seen.end()),
              *std::max_element(seen.begin(), seen.end()));
}

TEST(ViewerInProcess, FileNewKeepsRowsColumnsAndWorkers)
{
    InProcessViewer v;
    ASSERT_TRUE(v.ok);
    v.Send(0, L"kept");
    HWND header = reinterpret_cast<HWND>(::SendMessageW(v.view->m_hWnd, LVM_GETHEADER, 0, 0));
    EXPECT_EQ(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 4);
    v.app.OnFileNew();
    v.app.OnFileNew();
    v.Pump(50);
    EXPECT_EQ(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(v.view->RowCount(), 1u);
    EXPECT_EQ(v.app.GetDocTemplate()->GetDocument()->GetTitle(), L"v1.0");
    ::OutputDebugStringA("once");
    EXPECT_TRUE(v.PumpUntil([&] { return v.view->RowCount() >= 2; }, 3000));
    v.Pump(200);
    EXPECT_EQ(v.view->RowCount(), 2u) << "one reader of the debug channel";
}

TEST(ViewerInProcess, CloseWaitsAtMostAboutASecondForAStuckWorker)
{
    auto* v = new InProcessViewer;
    ASSERT_TRUE(v->ok);
    auto shared = v->view->GetCapture().Shared();
    // Hold the debug FIFO's lock: the reader, given a line, cannot finish it
    // and does not answer its stop request.
    shared->csDebug.Lock();
    ::OutputDebugStringA("stuck");
    ::Sleep(100);
    DWORD t0 = ::GetTickCount();
    ::DestroyWindow(v->frame->m_hWnd);
    DWORD took = ::GetTickCount() - t0;
    // The wait is 1000 ms; a loaded two-processor machine adds scheduling.
    EXPECT_GE(took, 950u);
    EXPECT_LE(took, 2500u);
    EXPECT_EQ(g_pView, nullptr) << "the view is gone";
    // The late worker finds no window and touches nothing that was freed.
    shared->csDebug.Unlock();
    ::Sleep(200);
    EXPECT_EQ(::WaitForSingleObject(shared->workers[orlix::kDebugOutput].done.get(), 2000),
              WAIT_OBJECT_0);
    delete v;
}

TEST(ViewerInProcess, CloseIsPromptWithReceivingOnAndNoDatagram)
{
    InProcessViewer v;
    ASSERT_TRUE(v.ok);
    v.Command(ID_BROADCAST_RECEIVE);
    v.Pump(100);
    DWORD t0 = ::GetTickCount();
    ::DestroyWindow(v.frame->m_hWnd);
    // The receiver looks at its stop every 25 ms; far below the 1000 ms
    // a stuck worker is given, with room for a loaded machine.
    EXPECT_LE(::GetTickCount() - t0, 800u);
}

TEST(ViewerInProcess, LogQueueKeepsEveryCommandInOrder)
{
    RemoveLogFiles();
    InProcessViewer v;
    ASSERT_TRUE(v.ok);
    auto& s = v.view->GetCapture().Log().Queue();
    std::wstring dir = Documents();
    std::wstring first = dir + L"\\000101-000001.txt", second = dir + L"\\000101-000002.txt";
    ::DeleteFileW(first.c_str());
    ::DeleteFileW(second.c_str());
    // On, a line, off, a dropped line, on again: all before the writer wakes.
    {
        fw::CsLock lock(s.cs);
        s.items.push_back({ orlix::StartNewFile, first });
        s.items.push_back({ orlix::Append, L"one\r\n" });
        s.items.push_back({ orlix::Stop, L"" });
        s.items.push_back({ orlix::Append, L"lost\r\n" });
        s.items.push_back({ orlix::StartNewFile, second });
        s.items.push_back({ orlix::Append, L"two\r\n" });
    }
    ::SetEvent(s.wake.get());
    EXPECT_TRUE(v.PumpUntil([&] { return ReadAll(second).size() == 2 + 10; }, 3000));
    EXPECT_EQ(ReadAll(first), "\xff\xfe" + Utf16(L"one\r\n"));
    EXPECT_EQ(ReadAll(second), "\xff\xfe" + Utf16(L"two\r\n"));
    ::DeleteFileW(first.c_str());
    ::DeleteFileW(second.c_str());
}

TEST(ViewerInProcess, LoggingWritesEveryTakenLineEvenFilteredAndRetriesLockedFiles)
{
    RemoveLogFiles();
    InProcessViewer v;
    ASSERT_TRUE(v.ok);
    v.view->GetCapture().m_filter.SetFilters(L"shown", L"");
    {
        BoxAnswerer box;
        v.Command(ID_LOG_TO_FILE);
        std::wstring text = box.Wait();
        EXPECT_NE(text.find(L"自动保存文件名:"), std::wstring::npos) << text.c_str();
    }
    EXPECT_TRUE(v.view->GetCapture().m_bLogToFile);
    ASSERT_TRUE(v.PumpUntil([&] { return LogFiles().size() == 1; }, 3000));
    std::wstring file = LogFiles()[0];
    EXPECT_NE(v.MenuState(ID_LOG_TO_FILE) & MF_CHECKED, 0u);
    v.Send(412, L"hidden by the filter");
    // Lock the file: the next lines wait and are appended once it is free.
    HANDLE lock = INVALID_HANDLE_VALUE;
    for (int i = 0; i < 200 && lock == INVALID_HANDLE_VALUE; ++i) {
        lock = ::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (lock == INVALID_HANDLE_VALUE)
            ::Sleep(5); // the writer may have it open this moment
    }
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    for (int i = 0; i < 100; ++i)
        v.Send(0, (L"shown " + std::to_wstring(i)).c_str());
    v.Pump(300);
    ::CloseHandle(lock);
    EXPECT_TRUE(v.PumpUntil([&] {
        return ReadAll(file).find(Utf16(L"shown 99\r\n")) != std::string::npos;
    }, 4000));
    std::string data = ReadAll(file);
    ASSERT_GE(data.size(), 2u);
    EXPECT_EQ(data.substr(0, 2), "\xff\xfe");
    size_t pos = data.find(Utf16(L"\t\t412\t\t"));
    EXPECT_NE(pos, std::string::npos) << "a filtered line is logged";
    size_t last = 0;
    for (int i = 0; i < 100; ++i) {
        size_t at = data.find(Utf16(L"\t\tshown " + std::to_wstring(i) + L"\r\n"));
        ASSERT_NE(at, std::string::npos) << i;
        EXPECT_GT(at, last);
        last = at;
    }
    v.Command(ID_LOG_TO_FILE); // off
    v.Send(0, L"after off");
    v.Pump(300);
    EXPECT_EQ(ReadAll(file).find(Utf16(L"after off")), std::string::npos);
    RemoveLogFiles();
}

TEST(ViewerInProcess, ExistingForeignFileOfTheLogNameIsNotDamaged)
{
    RemoveLogFiles();
    InProcessViewer v;
    ASSERT_TRUE(v.ok);
    auto& s = v.view->GetCapture().Log().Queue();
    std::wstring path = Documents() + L"\\000101-000003.txt";
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    ::WriteFile(h, "important", 9, &done, nullptr);
    ::CloseHandle(h);
    {
        fw::CsLock lock(s.cs);
        s.items.push_back({ orlix::StartNewFile, path });
        s.items.push_back({ orlix::Append, L"x\r\n" });
    }
    ::SetEvent(s.wake.get());
    std::wstring other = Documents() + L"\\000101-000003-2.txt";
    EXPECT_TRUE(v.PumpUntil([&] { return ReadAll(other).size() == 2 + 6; }, 3000));
    EXPECT_EQ(ReadAll(path), "important");
    ::DeleteFileW(path.c_str());
    ::DeleteFileW(other.c_str());
}

TEST(ViewerInProcess, LinesStillQueuedAtCloseReachTheFile)
{
    RemoveLogFiles();
    auto* v = new InProcessViewer;
    ASSERT_TRUE(v->ok);
    auto& shared = v->view->GetCapture().Log().Queue();
    std::wstring path = Documents() + L"\\000101-000004.txt";
    ::DeleteFileW(path.c_str());
    {
        // Queued without waking the writer: only the stop wakes it.
        fw::CsLock lock(shared.cs);
        shared.items.push_back({ orlix::StartNewFile, path });
        for (int i = 0; i < 1000; ++i)
            shared.items.push_back({ orlix::Append, L"q" + std::to_wstring(i) + L"\r\n" });
    }
    ::DestroyWindow(v->frame->m_hWnd);
    std::string data = ReadAll(path);
    ASSERT_GE(data.size(), 2u);
    EXPECT_NE(data.find(Utf16(L"q0\r\n")), std::string::npos);
    EXPECT_NE(data.find(Utf16(L"q999\r\n")), std::string::npos);
    delete v;
    ::DeleteFileW(path.c_str());
}

TEST(ViewerInProcess, LoggingConfirmationShowsTheExclamationIcon)
{
    RemoveLogFiles();
    InProcessViewer v;
    ASSERT_TRUE(v.ok);
    BoxAnswerer box;
    v.Command(ID_LOG_TO_FILE);
    HICON shown = box.Icon();
    EXPECT_NE(shown, nullptr);
    EXPECT_EQ(shown, ::LoadIconW(nullptr, IDI_EXCLAMATION));
    EXPECT_NE(shown, ::LoadIconW(nullptr, IDI_INFORMATION));
    v.Command(ID_LOG_TO_FILE); // off
    v.Pump(100);
    RemoveLogFiles();
}
