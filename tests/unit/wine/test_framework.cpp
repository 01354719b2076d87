// The framework alone, without the program: the window thunk, subclassed
// controls, notification reflection, command routing and the owners.
#include <gtest/gtest.h>
#include "framework/AfxState.h"
#include "framework/Frame.h"
#include "framework/Handles.h"
#include <vector>

namespace {

const wchar_t kTestClass[] = L"FwTestWindow";

// A top-level window of our own class that records what reaches it.
class CProbeWnd : public CWnd {
public:
    std::vector<UINT> seen;
    bool destroyedAfter = false;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_APP + 1)
            seen.push_back(msg);
        return CWnd::WindowProc(msg, wParam, lParam);
    }
    void PostNcDestroy() override { destroyedAfter = m_hWnd == nullptr; }
    bool Create()
    {
        RegisterWndClass(kTestClass, 0, nullptr, nullptr, nullptr);
        return CreateEx(0, kTestClass, L"probe", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                        nullptr) != FALSE;
    }
};

// A subclassed edit control that answers the notifications reflected to it.
class CReflectingEdit : public CWnd {
public:
    UINT commandCode = 0;
    bool OnCommandReflect(UINT code, LRESULT* pResult) override
    {
        commandCode = code;
        *pResult = 0;
        return true;
    }
};

// A command target that handles one command and counts its runs.
class CCountingTarget : public CCmdTarget {
public:
    explicit CCountingTarget(UINT id, bool enabled = true) : m_id(id), m_enabled(enabled) {}
    int runs = 0;
    bool OnCmdMsg(UINT id, int code, CCmdUI* pUI) override
    {
        if (id != m_id)
            return false;
        return Handle(code, pUI, [this] { ++runs; },
                      [this](CCmdUI& ui) { ui.Enable(m_enabled); });
    }

private:
    UINT m_id;
    bool m_enabled;
};

class CRoutingFrame : public CFrameWnd {
public:
    CCountingTarget own{ 0x7001 };
    bool OnCmdMsg(UINT id, int code, CCmdUI* pUI) override
    {
        return own.OnCmdMsg(id, code, pUI) || CFrameWnd::OnCmdMsg(id, code, pUI);
    }
};

} // namespace

TEST(Framework, ThunkKeepsTheObjectUntilTheWindowGoes)
{
    CProbeWnd* probe = new CProbeWnd;
    ASSERT_TRUE(probe->Create());
    HWND hwnd = probe->m_hWnd;
    EXPECT_EQ(CWnd::FromHandle(hwnd), probe);
    EXPECT_EQ(::GetWindowLongPtrW(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(probe));
    ::SendMessageW(hwnd, WM_APP + 1, 0, 0);
    EXPECT_EQ(probe->seen.size(), 1u);
    ::DestroyWindow(hwnd);
    EXPECT_TRUE(probe->destroyedAfter);
    EXPECT_EQ(probe->m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
    delete probe;
}

TEST(Framework, SubclassedControlGetsItsCommandsReflected)
{
    CProbeWnd parent;
    ASSERT_TRUE(parent.Create());
    CReflectingEdit edit;
    RECT rc = { 0, 0, 100, 20 };
    ASSERT_TRUE(edit.CreateControl(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, rc, parent.m_hWnd,
                                   0x100));
    EXPECT_EQ(CWnd::FromHandle(edit.m_hWnd), &edit);
    ::SendMessageW(edit.m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"changed"));
    EXPECT_EQ(edit.commandCode, static_cast<UINT>(EN_CHANGE));
    // The control still behaves as itself behind the subclass.
    wchar_t text[16] = {};
    ::GetWindowTextW(edit.m_hWnd, text, 16);
    EXPECT_STREQ(text, L"changed");
    parent.DestroyWindow();
    EXPECT_EQ(edit.m_hWnd, nullptr);
}

TEST(Framework, CommandsRouteToFrameThenApplicationWhenEnabled)
{
    AfxModuleState& state = AfxGetModuleState();
    CCmdTarget* savedApp = state.pApp;
    CCountingTarget app(0x7002);
    CCountingTarget disabledApp(0x7003, false);
    CRoutingFrame frame;

    state.pApp = &app;
    EXPECT_TRUE(frame.RouteCommand(0x7001));   // the frame's own
    EXPECT_EQ(frame.own.runs, 1);
    EXPECT_TRUE(frame.RouteCommand(0x7002));   // falls through to the application
    EXPECT_EQ(app.runs, 1);
    EXPECT_FALSE(frame.RouteCommand(0x7004));  // nobody's
    state.pApp = &disabledApp;
    CCmdUI ui(0x7003);
    EXPECT_TRUE(frame.RouteUpdate(ui));
    EXPECT_FALSE(ui.m_bEnabled);
    EXPECT_FALSE(frame.RouteCommand(0x7003));  // disabled: not run
    EXPECT_EQ(disabledApp.runs, 0);
    state.pApp = savedApp;
}

TEST(Framework, OwnersCloseOnceAndMove)
{
    fw::UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    HANDLE raw = event.get();
    fw::UniqueHandle moved(std::move(event));
    EXPECT_FALSE(event);
    EXPECT_EQ(moved.get(), raw);
    DWORD flags = 0;
    EXPECT_TRUE(::GetHandleInformation(raw, &flags));
    moved.reset();
    EXPECT_FALSE(::GetHandleInformation(raw, &flags));

    // INVALID_HANDLE_VALUE is none for kernel handles and find handles alike.
    fw::UniqueHandle invalid(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(invalid);
    fw::UniqueFind none;
    EXPECT_FALSE(none);
    EXPECT_EQ(none.get(), INVALID_HANDLE_VALUE);

    fw::UniqueGdi<HBRUSH> brush(::CreateSolidBrush(RGB(1, 2, 3)));
    ASSERT_TRUE(brush);
    HBRUSH b = brush.get();
    EXPECT_NE(::GetObjectType(b), 0u);
    brush.reset();
    EXPECT_EQ(::GetObjectType(b), 0u);

    fw::UniqueSocket sock(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    EXPECT_TRUE(sock);
    EXPECT_TRUE(sock.close());
    EXPECT_FALSE(sock);

    fw::UniqueGlobal mem(::GlobalAlloc(GMEM_MOVEABLE, 16));
    ASSERT_TRUE(mem);
    HGLOBAL kept = mem.release();
    EXPECT_FALSE(mem);
    EXPECT_EQ(::GlobalFree(kept), nullptr);
}
