// The framework's frame and view, without the viewer on top.
#include "framework/AfxState.h"
#include "framework/Frame.h"
#include "resources/resource.h"
#include <gtest/gtest.h>

namespace {

// Counts its own deletion so the test knows the object is gone.
class CountedView : public CView {
public:
    explicit CountedView(int* deleted) : m_deleted(deleted) {}
    ~CountedView() override { ++*m_deleted; }

private:
    int* m_deleted;
};

void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message != WM_QUIT)
            ::DispatchMessageW(&msg);
}

} // namespace

TEST(Frame, ForgetsItsViewWhenTheViewIsDestroyedAlone)
{
    AfxModuleState& state = AfxGetModuleState();
    CWnd* mainBefore = state.pMainWnd;
    int viewsDeleted = 0;
    bool frameGone = false;
    auto* frame = new CFrameWnd;
    frame->m_pNewView = [&] { return new CountedView(&viewsDeleted); };
    frame->m_onDestroyed = [&] { frameGone = true; };
    ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME));
    // This frame is not the test program's main window: closing it must not end anything.
    state.pMainWnd = mainBefore;
    CView* view = frame->GetActiveView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetParentFrame(), frame);
    HWND viewWnd = view->m_hWnd;
    ASSERT_TRUE(::IsWindow(viewWnd));

    ::DestroyWindow(viewWnd);
    EXPECT_EQ(viewsDeleted, 1);
    EXPECT_EQ(frame->GetActiveView(), nullptr);
    EXPECT_EQ(frame->GetActiveDocument(), nullptr);
    // Commands, updates and layout still run, and reach no view.
    CCmdUI ui(ID_CAPTURE);
    frame->RouteUpdate(ui);
    frame->RouteCommand(ID_CAPTURE);
    frame->RecalcLayout();
    Pump();

    ::DestroyWindow(frame->m_hWnd);
    Pump();
    EXPECT_TRUE(frameGone);
    EXPECT_EQ(viewsDeleted, 1);
}

TEST(Frame, ViewDestroyedWithItsFrameLeavesNoDanglingLink)
{
    AfxModuleState& state = AfxGetModuleState();
    CWnd* mainBefore = state.pMainWnd;
    int viewsDeleted = 0;
    CView* seenActive = reinterpret_cast<CView*>(1);
    auto* frame = new CFrameWnd;
    frame->m_pNewView = [&] { return new CountedView(&viewsDeleted); };
    // Runs after the children went and before the frame object is deleted.
    frame->m_onDestroyed = [&] { seenActive = frame->GetActiveView(); };
    ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME));
    state.pMainWnd = mainBefore;
    ::DestroyWindow(frame->m_hWnd);
    Pump();
    EXPECT_EQ(viewsDeleted, 1);
    EXPECT_EQ(seenActive, nullptr);
}
