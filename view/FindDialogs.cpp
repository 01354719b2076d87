#include "view/FindDialogs.h"
#include "view/OrlixView.h"
#include "framework/Handles.h"
#include "framework/Wnd.h"
#include "print/Pagination.h"
#include "resources/resource.h"
#include <commdlg.h>
#include <algorithm>

void CopyTextToClipboard(HWND owner, const std::wstring& text)
{
    bool open = false;
    for (int attempt = 0; attempt < 20 && !(open = ::OpenClipboard(owner) != FALSE); ++attempt)
        ::Sleep(10);
    if (!open)
        return;
    fw::UniqueGlobal mem(::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
    if (mem) {
        if (auto* p = static_cast<wchar_t*>(::GlobalLock(mem.get()))) {
            text.copy(p, text.size());
            p[text.size()] = 0;
            ::GlobalUnlock(mem.get());
            ::EmptyClipboard();
            if (::SetClipboardData(CF_UNICODETEXT, mem.get()))
                mem.release();
        }
    }
    ::CloseClipboard();
}

// ------------------------------------------------------------------ find ---

CFindDialog::CFindDialog(COrlixView* view) : CDialog(IDD_FIND), m_view(view) {}

BOOL CFindDialog::OnInitDialog()
{
    CListFind& find = m_view->Finder();
    SetDlgItemText(IDC_FIND_TEXT, find.Matcher().Pattern());
    orlix::MatchOptions o = find.Options();
    ::CheckDlgButton(m_hWnd, IDC_FIND_CASE, o.matchCase ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(m_hWnd, IDC_FIND_WORD, o.wholeWord ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(m_hWnd, IDC_FIND_REGEX, o.regex ? BST_CHECKED : BST_UNCHECKED);
    ::CheckRadioButton(m_hWnd, IDC_FIND_UP, IDC_FIND_DOWN,
                       find.Forward() ? IDC_FIND_DOWN : IDC_FIND_UP);
    return TRUE;
}

void CFindDialog::ShowAgain()
{
    ::ShowWindow(m_hWnd, SW_SHOW);
    ::SetActiveWindow(m_hWnd);
    HWND edit = ::GetDlgItem(m_hWnd, IDC_FIND_TEXT);
    ::SetFocus(edit);
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
}

void CFindDialog::OnOK()
{
    orlix::MatchOptions o;
    o.matchCase = ::IsDlgButtonChecked(m_hWnd, IDC_FIND_CASE) == BST_CHECKED;
    o.wholeWord = ::IsDlgButtonChecked(m_hWnd, IDC_FIND_WORD) == BST_CHECKED;
    o.regex = ::IsDlgButtonChecked(m_hWnd, IDC_FIND_REGEX) == BST_CHECKED;
    bool forward = ::IsDlgButtonChecked(m_hWnd, IDC_FIND_UP) != BST_CHECKED;
    std::wstring text = GetDlgItemText(IDC_FIND_TEXT);
    if (text.empty())
        return;
    std::wstring why;
    if (!m_view->Finder().SetPattern(text, o, forward, &why)) {
        std::wstring msg = orlix::FillInserts(AfxLoadUIString(IDS_BAD_PATTERN), { text, why });
        ::MessageBoxW(m_hWnd, msg.c_str(), L"Orlix", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_view->Finder().FindNext(forward);
}

// While the dialog is up the list keeps the found row visibly selected,
// though the dialog has the focus.
INT_PTR CFindDialog::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if ((msg == WM_SHOWWINDOW || msg == WM_DESTROY) && m_view->m_hWnd) {
        const bool shown = msg == WM_SHOWWINDOW && wParam;
        LONG_PTR style = ::GetWindowLongPtrW(m_view->m_hWnd, GWL_STYLE);
        LONG_PTR wanted = shown ? (style | LVS_SHOWSELALWAYS) : (style & ~LONG_PTR{ LVS_SHOWSELALWAYS });
        if (wanted != style) {
            ::SetWindowLongPtrW(m_view->m_hWnd, GWL_STYLE, wanted);
            ::InvalidateRect(m_view->m_hWnd, nullptr, FALSE);
        }
    }
    return CDialog::DialogProc(msg, wParam, lParam);
}

void CFindDialog::OnCancel()
{
    // Esc stops a search that is running, and closes the dialog.
    m_view->Finder().Cancel();
    ::ShowWindow(m_hWnd, SW_HIDE);
    if (HWND main = AfxGetMainWnd())
        ::SetActiveWindow(main);
    ::SetFocus(m_view->m_hWnd);
}

// --------------------------------------------------------------- details ---

CRowDetailsDialog::CRowDetailsDialog(std::wstring text)
    : CDialog(IDD_ROW_DETAILS), m_text(std::move(text))
{
}

BOOL CRowDetailsDialog::OnInitDialog()
{
    SetDlgItemText(IDC_DETAILS_TEXT, m_text);
    return TRUE;
}

INT_PTR CRowDetailsDialog::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && LOWORD(wParam) == IDC_DETAILS_COPY &&
        HIWORD(wParam) == BN_CLICKED) {
        CopyTextToClipboard(m_hWnd, m_text);
        return TRUE;
    }
    return CDialog::DialogProc(msg, wParam, lParam);
}

// ------------------------------------------------------------ highlight ---

CHighlightDialog::CHighlightDialog(std::vector<orlix::HighlightRule> rules)
    : CDialog(IDD_HIGHLIGHT), m_rules(std::move(rules))
{
}

BOOL CHighlightDialog::OnInitDialog()
{
    HWND kind = ::GetDlgItem(m_hWnd, IDC_RULE_KIND);
    ::SendMessageW(kind, CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(AfxLoadUIString(IDS_RULE_TEXT).c_str()));
    ::SendMessageW(kind, CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(AfxLoadUIString(IDS_RULE_PROCESS).c_str()));
    FillList(m_rules.empty() ? -1 : 0);
    ShowRule(m_rules.empty() ? -1 : 0);
    return TRUE;
}

void CHighlightDialog::FillList(int select)
{
    HWND list = ::GetDlgItem(m_hWnd, IDC_RULE_LIST);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    std::wstring textKind = AfxLoadUIString(IDS_RULE_TEXT);
    std::wstring processKind = AfxLoadUIString(IDS_RULE_PROCESS);
    for (const auto& r : m_rules) {
        std::wstring line = (r.kind == orlix::HighlightRule::ProcessIs ? processKind : textKind) +
                            L" \x201C" + r.pattern + L"\x201D";
        if (r.matchCase)
            line += L" [Aa]";
        if (r.regex)
            line += L" [.*]";
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(select), 0);
}

void CHighlightDialog::ShowRule(int index)
{
    if (index >= 0 && static_cast<size_t>(index) < m_rules.size())
        m_edit = m_rules[index];
    ::SendDlgItemMessageW(m_hWnd, IDC_RULE_KIND, CB_SETCURSEL, m_edit.kind, 0);
    SetDlgItemText(IDC_RULE_PATTERN, m_edit.pattern);
    ::CheckDlgButton(m_hWnd, IDC_RULE_CASE, m_edit.matchCase ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(m_hWnd, IDC_RULE_REGEX, m_edit.regex ? BST_CHECKED : BST_UNCHECKED);
    ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_RULE_SAMPLE), nullptr, TRUE);
}

bool CHighlightDialog::ReadRule(orlix::HighlightRule& rule)
{
    rule = m_edit;
    rule.kind = ::SendDlgItemMessageW(m_hWnd, IDC_RULE_KIND, CB_GETCURSEL, 0, 0) == 1
                    ? orlix::HighlightRule::ProcessIs
                    : orlix::HighlightRule::TextContains;
    rule.pattern = GetDlgItemText(IDC_RULE_PATTERN);
    rule.matchCase = ::IsDlgButtonChecked(m_hWnd, IDC_RULE_CASE) == BST_CHECKED;
    rule.regex = ::IsDlgButtonChecked(m_hWnd, IDC_RULE_REGEX) == BST_CHECKED;
    if (rule.pattern.empty())
        return false;
    // A rule is matched against every row: one that does not compile, or
    // that would run on too long, is refused here and never kept.
    std::wstring why;
    std::wstring msg;
    switch (orlix::HighlightRules::CheckRule(rule, &why)) {
    case orlix::HighlightRules::Check::Ok:
        return true;
    case orlix::HighlightRules::Check::Invalid:
        msg = orlix::FillInserts(AfxLoadUIString(IDS_BAD_PATTERN), { rule.pattern, why });
        break;
    case orlix::HighlightRules::Check::TooComplex:
        msg = orlix::FillInserts(AfxLoadUIString(IDS_RULE_TOO_COMPLEX), { rule.pattern });
        break;
    }
    ::MessageBoxW(m_hWnd, msg.c_str(), L"Orlix", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void CHighlightDialog::PickColour(bool foreground)
{
    static COLORREF custom[16] = {};
    CHOOSECOLORW cc = {};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = m_hWnd;
    cc.rgbResult = foreground ? m_edit.foreground : m_edit.background;
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!::ChooseColorW(&cc))
        return;
    COLORREF chosen = cc.rgbResult;
    if (foreground)
        m_edit.foreground = chosen;
    else
        m_edit.background = chosen;
    ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_RULE_SAMPLE), nullptr, TRUE);
}

INT_PTR CHighlightDialog::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CTLCOLORSTATIC &&
        reinterpret_cast<HWND>(lParam) == ::GetDlgItem(m_hWnd, IDC_RULE_SAMPLE)) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, m_edit.foreground);
        ::SetBkColor(dc, m_edit.background);
        ::SetDCBrushColor(dc, m_edit.background);
        return reinterpret_cast<INT_PTR>(::GetStockObject(DC_BRUSH));
    }
    if (msg != WM_COMMAND)
        return CDialog::DialogProc(msg, wParam, lParam);
    HWND list = ::GetDlgItem(m_hWnd, IDC_RULE_LIST);
    int sel = static_cast<int>(::SendMessageW(list, LB_GETCURSEL, 0, 0));
    bool hasSel = sel >= 0 && static_cast<size_t>(sel) < m_rules.size();
    switch (LOWORD(wParam)) {
    case IDC_RULE_LIST:
        if (HIWORD(wParam) == LBN_SELCHANGE && hasSel)
            ShowRule(sel);
        return TRUE;
    case IDC_RULE_FORE:
    case IDC_RULE_BACK:
        PickColour(LOWORD(wParam) == IDC_RULE_FORE);
        return TRUE;
    case IDC_RULE_ADD: {
        orlix::HighlightRule r;
        if (m_rules.size() >= orlix::HighlightRules::kMaxRules) {
            ::MessageBoxW(m_hWnd, AfxLoadUIString(IDS_RULES_FULL).c_str(), L"Orlix",
                          MB_OK | MB_ICONEXCLAMATION);
        } else if (ReadRule(r)) {
            m_rules.push_back(r);
            FillList(static_cast<int>(m_rules.size()) - 1);
        }
        return TRUE;
    }
    case IDC_RULE_REPLACE: {
        orlix::HighlightRule r;
        if (hasSel && ReadRule(r)) {
            m_rules[sel] = r;
            FillList(sel);
        }
        return TRUE;
    }
    case IDC_RULE_REMOVE:
        if (hasSel) {
            m_rules.erase(m_rules.begin() + sel);
            FillList(std::min(sel, static_cast<int>(m_rules.size()) - 1));
        }
        return TRUE;
    case IDC_RULE_UP:
    case IDC_RULE_DOWN: {
        int to = sel + (LOWORD(wParam) == IDC_RULE_UP ? -1 : 1);
        if (hasSel && to >= 0 && static_cast<size_t>(to) < m_rules.size()) {
            std::swap(m_rules[sel], m_rules[to]);
            FillList(to);
        }
        return TRUE;
    }
    }
    return CDialog::DialogProc(msg, wParam, lParam);
}

void CHighlightDialog::OnOK()
{
    EndDialog(IDOK);
}
