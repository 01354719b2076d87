#include "view/ViewRulesDialog.h"
#include "view/Slices.h"
#include "print/Pagination.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <commdlg.h>

namespace {

constexpr UINT_PTR kCountTimer = 1;
const double kCountSliceMs = 8.0;

// The '|'-separated parts of a string of the string table.
std::vector<std::wstring> Parts(UINT id)
{
    std::vector<std::wstring> out;
    std::wstring text = AfxLoadUIString(id);
    size_t at = 0;
    for (;;) {
        const size_t bar = text.find(L'|', at);
        out.push_back(text.substr(at, bar == std::wstring::npos ? std::wstring::npos : bar - at));
        if (bar == std::wstring::npos)
            break;
        at = bar + 1;
    }
    return out;
}

void FillCombo(HWND dlg, int id, UINT textId)
{
    HWND combo = ::GetDlgItem(dlg, id);
    ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& part : Parts(textId))
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(part.c_str()));
}

int ComboIndex(HWND dlg, int id)
{
    const int i = static_cast<int>(::SendDlgItemMessageW(dlg, id, CB_GETCURSEL, 0, 0));
    return i < 0 ? 0 : i;
}

} // namespace

CViewRulesDialog::CViewRulesDialog(std::vector<orlix::ViewRule> rules, const orlix::RowStore& rows)
    : CDialog(IDD_VIEW_RULES), m_rules(std::move(rules)), m_rows(rows)
{
}

BOOL CViewRulesDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    FillCombo(m_hWnd, IDC_VRULE_ACTION, IDS_RULE_ACTIONS);
    FillCombo(m_hWnd, IDC_VRULE_FIELD, IDS_RULE_FIELDS);
    FillCombo(m_hWnd, IDC_VRULE_MATCH, IDS_RULE_MATCHES);
    HWND list = ::GetDlgItem(m_hWnd, IDC_VRULE_LIST);
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    RECT rc = {};
    ::GetClientRect(list, &rc);
    const int widths[] = { 22, 16, 16, 46 };   // percent of the list's width
    const UINT heads[] = { IDC_VRULE_ACTION_LABEL, IDC_VRULE_FIELD_LABEL, IDC_VRULE_MATCH_LABEL,
                           IDC_VRULE_PATTERN_LABEL };
    for (int c = 0; c < 4; ++c) {
        std::wstring head = GetDlgItemText(heads[c]);
        LVCOLUMNW col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = head.data();
        col.cx = rc.right * widths[c] / 100;
        ::SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&col));
    }
    FillList(m_rules.empty() ? -1 : 0);
    ShowRule(m_rules.empty() ? -1 : 0);
    return TRUE;
}

int CViewRulesDialog::Selected() const
{
    return static_cast<int>(::SendDlgItemMessageW(m_hWnd, IDC_VRULE_LIST, LVM_GETNEXTITEM,
                                                  static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CViewRulesDialog::FillList(int select)
{
    m_filling = true;
    HWND list = ::GetDlgItem(m_hWnd, IDC_VRULE_LIST);
    ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    const auto actions = Parts(IDS_RULE_ACTIONS), fields = Parts(IDS_RULE_FIELDS),
               matches = Parts(IDS_RULE_MATCHES);
    for (size_t i = 0; i < m_rules.size(); ++i) {
        const orlix::ViewRule& r = m_rules[i];
        std::wstring cells[4] = { actions[static_cast<size_t>(r.action) % actions.size()],
                                  fields[static_cast<size_t>(r.field) % fields.size()],
                                  matches[static_cast<size_t>(r.match) % matches.size()],
                                  r.pattern };
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = cells[0].data();
        ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (int c = 1; c < 4; ++c) {
            item.iSubItem = c;
            item.pszText = cells[c].data();
            ::SendMessageW(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        }
        LVITEMW check = {};
        check.stateMask = LVIS_STATEIMAGEMASK;
        check.state = INDEXTOSTATEIMAGEMASK(r.enabled ? 2 : 1);
        ::SendMessageW(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&check));
    }
    if (select >= 0 && select < static_cast<int>(m_rules.size())) {
        LVITEMW sel = {};
        sel.stateMask = sel.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(list, LVM_SETITEMSTATE, select, reinterpret_cast<LPARAM>(&sel));
        ::SendMessageW(list, LVM_ENSUREVISIBLE, select, FALSE);
    }
    m_filling = false;
}

void CViewRulesDialog::ShowRule(int index)
{
    if (index >= 0 && index < static_cast<int>(m_rules.size()))
        m_edit = m_rules[index];
    ::SendDlgItemMessageW(m_hWnd, IDC_VRULE_ACTION, CB_SETCURSEL, static_cast<int>(m_edit.action), 0);
    ::SendDlgItemMessageW(m_hWnd, IDC_VRULE_FIELD, CB_SETCURSEL, static_cast<int>(m_edit.field), 0);
    ::SendDlgItemMessageW(m_hWnd, IDC_VRULE_MATCH, CB_SETCURSEL, static_cast<int>(m_edit.match), 0);
    ::CheckDlgButton(m_hWnd, IDC_VRULE_CASE, m_edit.matchCase ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemText(IDC_VRULE_PATTERN, m_edit.pattern);
    ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_VRULE_SAMPLE), nullptr, TRUE);
    StartCount();
}

// The rule the controls show; with `quiet` false, a rule that cannot be
// kept is said so.
bool CViewRulesDialog::ReadRule(orlix::ViewRule& rule, bool quiet)
{
    rule = m_edit;
    rule.action = static_cast<orlix::ViewRule::Action>(ComboIndex(m_hWnd, IDC_VRULE_ACTION));
    rule.field = static_cast<orlix::ViewRule::Field>(ComboIndex(m_hWnd, IDC_VRULE_FIELD));
    rule.match = static_cast<orlix::ViewRule::Match>(ComboIndex(m_hWnd, IDC_VRULE_MATCH));
    rule.matchCase = ::IsDlgButtonChecked(m_hWnd, IDC_VRULE_CASE) == BST_CHECKED;
    rule.pattern = GetDlgItemText(IDC_VRULE_PATTERN);
    if (rule.pattern.empty())
        return false;
    std::wstring why, msg;
    switch (orlix::ViewRuleSet::CheckRule(rule, &why)) {
    case orlix::ViewRuleSet::Check::Ok:
        return true;
    case orlix::ViewRuleSet::Check::Invalid:
        msg = orlix::FillInserts(AfxLoadUIString(IDS_BAD_PATTERN), { rule.pattern, why });
        break;
    case orlix::ViewRuleSet::Check::TooComplex:
        msg = orlix::FillInserts(AfxLoadUIString(IDS_RULE_TOO_COMPLEX), { rule.pattern });
        break;
    }
    if (!quiet)
        ::MessageBoxW(m_hWnd, msg.c_str(), L"Orlix", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void CViewRulesDialog::ReadChecks()
{
    HWND list = ::GetDlgItem(m_hWnd, IDC_VRULE_LIST);
    for (size_t i = 0; i < m_rules.size(); ++i)
        m_rules[i].enabled =
            (::SendMessageW(list, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void CViewRulesDialog::PickColour(bool foreground)
{
    static COLORREF custom[16] = {};
    static CHOOSECOLORW cc;
    cc = CHOOSECOLORW{ sizeof(cc) };
    cc.hwndOwner = m_hWnd;
    cc.rgbResult = foreground ? m_edit.foreground : m_edit.background;
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!::ChooseColorW(&cc))
        return;
    if (foreground)
        m_edit.foreground = cc.rgbResult;
    else
        m_edit.background = cc.rgbResult;
    ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_VRULE_SAMPLE), nullptr, TRUE);
}

// How many stored rows the rule being typed matches, a piece at a time.
void CViewRulesDialog::StartCount()
{
    orlix::ViewRule rule;
    m_countRunning = false;
    ::KillTimer(m_hWnd, kCountTimer);
    if (!ReadRule(rule, true)) {
        SetDlgItemText(IDC_VRULE_COUNT, L"");
        return;
    }
    rule.enabled = true;
    rule.action = orlix::ViewRule::Action::Include;
    m_counting.Set({ rule });
    m_countNext = m_countHits = 0;
    m_countRunning = true;
    CountSome();
}

void CViewRulesDialog::CountSome()
{
    if (!m_countRunning)
        return;
    const double t0 = SliceClockMs();
    const size_t size = m_rows.Size();
    while (m_countNext < size && SliceClockMs() - t0 < kCountSliceMs) {
        for (size_t n = 0; n < 256 && m_countNext < size; ++n, ++m_countNext)
            if (m_counting.Shows(m_rows.Name(m_countNext), m_rows.Pid(m_countNext),
                                 m_rows.Text(m_countNext)))
                ++m_countHits;
    }
    std::wstring text = orlix::FillInserts(AfxLoadUIString(IDS_RULE_MATCH_COUNT),
                                           { std::to_wstring(m_countHits) });
    if (m_countNext < size) {
        text += L" ...";
        ::SetTimer(m_hWnd, kCountTimer, USER_TIMER_MINIMUM, nullptr);
    } else {
        m_countRunning = false;
    }
    SetDlgItemText(IDC_VRULE_COUNT, text);
}

void CViewRulesDialog::OnOK()
{
    ReadChecks();
    ::KillTimer(m_hWnd, kCountTimer);
    CDialog::OnOK();
}

INT_PTR CViewRulesDialog::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_TIMER:
        if (wParam == kCountTimer) {
            ::KillTimer(m_hWnd, kCountTimer);
            CountSome();
            return TRUE;
        }
        break;
    case WM_NOTIFY: {
        auto* nm = reinterpret_cast<NMLISTVIEW*>(lParam);
        if (nm->hdr.idFrom == IDC_VRULE_LIST && nm->hdr.code == LVN_ITEMCHANGED && !m_filling &&
            (nm->uNewState & LVIS_SELECTED) && !(nm->uOldState & LVIS_SELECTED))
            ShowRule(nm->iItem);
        break;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int sel = Selected();
        orlix::ViewRule r;
        switch (id) {
        case IDC_VRULE_ADD:
            if (m_rules.size() < orlix::ViewRuleSet::kMaxRules && ReadRule(r, false)) {
                ReadChecks();
                m_rules.push_back(r);
                FillList(static_cast<int>(m_rules.size()) - 1);
            }
            return TRUE;
        case IDC_VRULE_REPLACE:
            if (sel >= 0 && ReadRule(r, false)) {
                ReadChecks();
                r.enabled = m_rules[sel].enabled;
                m_rules[sel] = r;
                FillList(sel);
            }
            return TRUE;
        case IDC_VRULE_REMOVE:
            if (sel >= 0) {
                ReadChecks();
                m_rules.erase(m_rules.begin() + sel);
                FillList(sel < static_cast<int>(m_rules.size()) ? sel : sel - 1);
            }
            return TRUE;
        case IDC_VRULE_UP:
        case IDC_VRULE_DOWN: {
            const int to = id == IDC_VRULE_UP ? sel - 1 : sel + 1;
            if (sel >= 0 && to >= 0 && to < static_cast<int>(m_rules.size())) {
                ReadChecks();
                std::swap(m_rules[sel], m_rules[to]);
                FillList(to);
            }
            return TRUE;
        }
        case IDC_VRULE_FORE:
        case IDC_VRULE_BACK:
            PickColour(id == IDC_VRULE_FORE);
            return TRUE;
        case IDC_VRULE_PATTERN:
            if (HIWORD(wParam) == EN_CHANGE)
                StartCount();
            break;
        case IDC_VRULE_ACTION:
        case IDC_VRULE_FIELD:
        case IDC_VRULE_MATCH:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                StartCount();
            break;
        case IDC_VRULE_CASE:
            StartCount();
            break;
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == ::GetDlgItem(m_hWnd, IDC_VRULE_SAMPLE)) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            ::SetTextColor(dc, m_edit.foreground);
            ::SetBkColor(dc, m_edit.background);
            ::SetDCBrushColor(dc, m_edit.background);
            return reinterpret_cast<INT_PTR>(::GetStockObject(DC_BRUSH));
        }
        break;
    case WM_DESTROY:
        ::KillTimer(m_hWnd, kCountTimer);
        break;
    }
    return CDialog::DialogProc(msg, wParam, lParam);
}
