// The Filter command's dialog: shows the current texts; OK applies, Cancel not.
#include "ViewerFixture.h"
#include "resources/resource.h"

namespace {

// Waits for this process's filter dialog, records its edit texts, types new
// ones and presses `button`.
struct DialogScript {
    std::wstring include, exclude;       // typed
    std::wstring shownInclude, shownExclude, caption;
    int button = IDOK;
    HANDLE thread = nullptr;

    void Start() { thread = ::CreateThread(nullptr, 0, Run, this, 0, nullptr); }
    void Join()
    {
        ::WaitForSingleObject(thread, 10000);
        ::CloseHandle(thread);
    }
    static std::wstring Text(HWND w)
    {
        wchar_t buf[2048] = {};
        ::SendMessageW(w, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buf));
        return buf;
    }
    static DWORD WINAPI Run(LPVOID p)
    {
        auto* s = static_cast<DialogScript*>(p);
        for (int i = 0; i < 1000; ++i) {
            HWND w = nullptr;
            while ((w = ::FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr) {
                DWORD pid = 0;
                ::GetWindowThreadProcessId(w, &pid);
                HWND inc = ::GetDlgItem(w, IDC_INCLUDE);
                if (pid != ::GetCurrentProcessId() || !inc || !::IsWindowVisible(w))
                    continue;
                s->caption = Text(w);
                s->shownInclude = Text(inc);
                s->shownExclude = Text(::GetDlgItem(w, IDC_EXCLUDE));
                ::SendMessageW(inc, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s->include.c_str()));
                ::SendMessageW(::GetDlgItem(w, IDC_EXCLUDE), WM_SETTEXT, 0,
                               reinterpret_cast<LPARAM>(s->exclude.c_str()));
                ::PostMessageW(w, WM_COMMAND, MAKEWPARAM(s->button, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(w, s->button)));
                return 0;
            }
            ::Sleep(10);
        }
        return 1;
    }
};

std::pair<std::wstring, std::wstring> Filters(COrlixView& v)
{
    std::pair<std::wstring, std::wstring> f;
    v.GetCapture().m_filter.GetFilters(f.first, f.second);
    return f;
}

} // namespace

TEST(FilterDialog, ShowsCurrentTextsOkAppliesCancelDoesNot)
{
    InProcessViewer v;
    ASSERT_TRUE(v.ok);
    DialogScript first;
    first.include = L"err;warn";
    first.exclude = L"debug";
    first.Start();
    v.Command(ID_FILTER);
    first.Join();
    EXPECT_EQ(first.caption, L"调试信息过滤设置");
    EXPECT_EQ(first.shownInclude, L";") << "a new filter reads back as ;";
    EXPECT_EQ(first.shownExclude, L";");
    EXPECT_EQ(Filters(*v.view), std::make_pair(std::wstring(L"err;warn;"), std::wstring(L"debug;")));

    DialogScript cancel;
    cancel.include = L"something else";
    cancel.exclude = L"";
    cancel.button = IDCANCEL;
    cancel.Start();
    v.Command(ID_FILTER);
    cancel.Join();
    EXPECT_EQ(cancel.shownInclude, L"err;warn;");
    EXPECT_EQ(cancel.shownExclude, L"debug;");
    EXPECT_EQ(Filters(*v.view), std::make_pair(std::wstring(L"err;warn;"), std::wstring(L"debug;")));

    // The applied filter decides which lines become rows.
    v.Send(0, L"an err here");
    v.Send(0, L"err with debug");
    v.Send(0, L"plain");
    ASSERT_EQ(v.view->RowCount(), 1u);
    EXPECT_EQ(v.view->Rows().Text(0), L"an err here");

    // OK without a change keeps the lists; "*" switches filtering off.
    DialogScript star;
    star.include = L"*";
    star.exclude = L"";
    star.Start();
    v.Command(ID_FILTER);
    star.Join();
    v.Send(0, L"plain again");
    EXPECT_EQ(v.view->RowCount(), 2u);
    DialogScript again;
    again.Start();
    // Submitting the read-back text again must not make it grow.
    again.include = L"err;warn;*;;";
    v.Command(ID_FILTER);
    again.Join();
    EXPECT_EQ(Filters(*v.view).first, L"err;warn;*;;");
}
