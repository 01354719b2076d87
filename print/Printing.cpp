// Printing of the list: the rows as the list shows them, four columns under
// a heading, a page number on every page. Print, Print direct and the
// preview all draw through CListPrintLayout::RenderPage.
#include "print/Printing.h"
#include "framework/Utf16.h"
#include "framework/App.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "framework/Wnd.h"
#include "resources/resource.h"
#include <cderr.h>
#include <commdlg.h>
#include <winspool.h>
#include <algorithm>
#include <climits>

namespace {

// The list's widths when it was made (where the control cannot tell).
const ListColumnWidths kInitialWidths = { 150, 100, 90, 450 };
const wchar_t kFontFace[] = L"宋体";   // the face of the program's own dialogs
const int kFontPoints = 9;

int MmToUnits(int tenthsOfMm, int dpi)
{
    return ::MulDiv(tenthsOfMm, dpi, 254);
}

fw::UniqueGdi<HFONT> MakeFont(int height, bool bold)
{
    LOGFONTW lf = {};
    lf.lfHeight = -height;
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, kFontFace, LF_FACESIZE);
    return fw::UniqueGdi<HFONT>(::CreateFontIndirectW(&lf));
}

// A DC (or information context) for the printer that a DEVNAMES block names.
HDC CreatePrinterDC(HGLOBAL devNames, HGLOBAL devMode, bool informationOnly)
{
    auto* names = static_cast<DEVNAMES*>(devNames ? ::GlobalLock(devNames) : nullptr);
    if (!names)
        return nullptr;
    auto* mode = static_cast<DEVMODEW*>(devMode ? ::GlobalLock(devMode) : nullptr);
    const auto* base = reinterpret_cast<const wchar_t*>(names);
    const wchar_t* driver = base + names->wDriverOffset;
    const wchar_t* device = base + names->wDeviceOffset;
    HDC dc = informationOnly ? ::CreateICW(driver, device, nullptr, mode)
                             : ::CreateDCW(driver, device, nullptr, mode);
    if (mode)
        ::GlobalUnlock(devMode);
    ::GlobalUnlock(devNames);
    return dc;
}

bool AnyPrinterInstalled()
{
    DWORD needed = 0, count = 0;
    ::EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0,
                    &needed, &count);
    return needed > 0 || count > 0;
}

enum class PrinterChoice { Chosen, Cancelled, NoPrinter, Failed };

struct PrinterJob {
    fw::UniqueDC dc;
    int from = 0;        // 0-based, inclusive
    int to = INT_MAX;
    DWORD error = 0;     // the common dialog's error code, when it failed
};

PrinterChoice Classify(DWORD error)
{
    if (error == 0)
        return PrinterChoice::Cancelled;
    if (error == PDERR_NODEFAULTPRN || error == PDERR_NODEVICES)
        return PrinterChoice::NoPrinter;
    return PrinterChoice::Failed;
}

// The print dialog (withDialog) or the printer of Print Setup, else the
// default one. The choice is kept in the application, as Print Setup's is.
PrinterChoice ChoosePrinter(bool withDialog, PrinterJob& job)
{
    if (!AnyPrinterInstalled())
        return PrinterChoice::NoPrinter;
    CWinApp* app = AfxGetApp();
    CPrinterSettings local;
    CPrinterSettings& printer = app ? app->m_printer : local;
    PrinterChoice choice = PrinterChoice::Chosen;
    if (!withDialog && printer.devNames) {
        job.dc.reset(CreatePrinterDC(printer.devNames.get(), printer.devMode.get(), false));
        if (!job.dc)
            choice = PrinterChoice::Failed;
    } else {
        PRINTDLGW pd = { sizeof(pd) };
        pd.hwndOwner = AfxGetDialogOwner();
        pd.hDevMode = withDialog ? printer.devMode.get() : nullptr;
        pd.hDevNames = withDialog ? printer.devNames.get() : nullptr;
        pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
        if (!withDialog)
            pd.Flags |= PD_RETURNDEFAULT;
        // The page count depends on the printer and paper still to be chosen.
        pd.nMinPage = 1;
        pd.nMaxPage = 0xFFFF;
        pd.nFromPage = 1;
        pd.nToPage = 0xFFFF;
        pd.nCopies = 1;
        BOOL ok = ::PrintDlgW(&pd);
        if (withDialog || ok) {
            // The dialog may have replaced the handles it was given.
            if (withDialog)
                printer.TakeFromDialog(pd.hDevMode, pd.hDevNames);
            else
                printer.Replace(pd.hDevMode, pd.hDevNames);
        }
        if (!ok) {
            job.error = ::CommDlgExtendedError();
            choice = Classify(job.error);
        } else {
            job.dc.reset(pd.hDC);
            if (pd.Flags & PD_PAGENUMS) {
                job.from = std::max(0, static_cast<int>(pd.nFromPage) - 1);
                job.to = std::max(job.from, static_cast<int>(pd.nToPage) - 1);
            }
            if (!job.dc)
                choice = PrinterChoice::Failed;
        }
    }
    return choice;
}

} // namespace

// ------------------------------------------------------------ geometry ---

PrintPageGeometry PrintPageGeometry::FromPrinterDC(HDC dc)
{
    PrintPageGeometry g;
    int width = ::GetDeviceCaps(dc, HORZRES);
    int height = ::GetDeviceCaps(dc, VERTRES);
    int offX = ::GetDeviceCaps(dc, PHYSICALOFFSETX);
    int offY = ::GetDeviceCaps(dc, PHYSICALOFFSETY);
    g.paperWidth = ::GetDeviceCaps(dc, PHYSICALWIDTH);
    g.paperHeight = ::GetDeviceCaps(dc, PHYSICALHEIGHT);
    // Devices that report no sheet (displays, some drivers): the printable
    // area is the sheet.
    if (g.paperWidth < offX + width || g.paperHeight < offY + height) {
        offX = offY = 0;
        g.paperWidth = width;
        g.paperHeight = height;
    }
    g.printable = { offX, offY, offX + width, offY + height };
    g.dpiX = ::GetDeviceCaps(dc, LOGPIXELSX);
    g.dpiY = ::GetDeviceCaps(dc, LOGPIXELSY);
    return g;
}

PrintPageGeometry PrintPageGeometry::A4(int dpi)
{
    PrintPageGeometry g;
    g.paperWidth = MmToUnits(2100, dpi);
    g.paperHeight = MmToUnits(2970, dpi);
    g.printable = { 0, 0, g.paperWidth, g.paperHeight };
    g.dpiX = g.dpiY = dpi;
    return g;
}

bool PrintPageGeometry::IsValid() const
{
    return paperWidth > 0 && paperHeight > 0 && dpiX > 0 && dpiY > 0 &&
           printable.right > printable.left && printable.bottom > printable.top;
}

ListColumnWidths GetListColumnWidths(HWND list)
{
    ListColumnWidths widths = {};
    int sum = 0;
    if (list && ::IsWindow(list)) {
        for (int i = 0; i < 4; ++i) {
            widths[i] = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, i, 0));
            sum += std::max(0, widths[i]);
        }
    }
    if (sum > 0)
        return widths;
    return kInitialWidths;
}

PrintPageGeometry PreviewPageGeometry()
{
    auto fromIC = [](HDC created) {
        fw::UniqueDC ic(created);
        return ic ? PrintPageGeometry::FromPrinterDC(ic.get()) : PrintPageGeometry();
    };
    CWinApp* app = AfxGetApp();
    if (app && app->m_printer.devNames) {
        PrintPageGeometry g = fromIC(CreatePrinterDC(app->m_printer.devNames.get(),
                                                     app->m_printer.devMode.get(), true));
        if (g.IsValid())
            return g;
    }
    if (AnyPrinterInstalled()) {
        wchar_t name[512];
        DWORD size = ARRAYSIZE(name);
        if (::GetDefaultPrinterW(name, &size)) {
            PrintPageGeometry g = fromIC(::CreateICW(L"WINSPOOL", name, nullptr, nullptr));
            if (g.IsValid())
                return g;
        }
    }
    return PrintPageGeometry::A4(600);
}

// -------------------------------------------------------------- layout ---

CListPrintLayout::CListPrintLayout(const IPrintRowSource& rows, const ListColumnWidths& columns,
                                   const PrintPageGeometry& page)
    : m_rows(rows), m_page(page), m_pageNumberFormat(AfxLoadUIString(IDS_PAGE_NUMBER))
{
    if (!m_page.IsValid())
        return;
    // 10 mm margins from the edge of the sheet, inside what the device can reach.
    RECT onSheet = { MmToUnits(100, page.dpiX), MmToUnits(100, page.dpiY),
                     page.paperWidth - MmToUnits(100, page.dpiX),
                     page.paperHeight - MmToUnits(100, page.dpiY) };
    RECT inside = {};
    if (!::IntersectRect(&inside, &onSheet, &page.printable))
        return;
    ::OffsetRect(&inside, -page.printable.left, -page.printable.top);
    m_content = inside;

    m_fontHeight = ::MulDiv(kFontPoints, page.dpiY, 72);
    m_padding = std::max(1, MmToUnits(5, page.dpiX));
    m_budget.bodyHeight = m_content.bottom - m_content.top;
    m_budget.lineHeight = ::MulDiv(m_fontHeight, 4, 3);
    m_budget.headingHeight = m_budget.lineHeight + MmToUnits(10, page.dpiY);
    m_budget.footerHeight = m_budget.lineHeight + MmToUnits(20, page.dpiY);

    std::vector<int> list(columns.begin(), columns.end());
    std::vector<int> shares = orlix::ScaleColumnWidths(list, m_content.right - m_content.left);
    m_edges.push_back(m_content.left);
    for (int w : shares)
        m_edges.push_back(m_edges.back() + w);

    m_rowCount = m_rows.RowCount();
    m_pages = orlix::Paginate(m_budget, m_rowCount);
}

bool CListPrintLayout::Update()
{
    if (m_rows.RowCount() == m_rowCount || m_edges.empty())
        return false;
    m_rowCount = m_rows.RowCount();
    m_pages = orlix::Paginate(m_budget, m_rowCount);
    return true;
}

orlix::PageRows CListPrintLayout::Page(int index) const
{
    if (index < 0 || index >= PageCount())
        return {};
    return m_pages[static_cast<size_t>(index)];
}

bool CListPrintLayout::RenderPage(HDC dc, int index) const
{
    if (!dc || index < 0 || index >= PageCount())
        return false;
    fw::UniqueGdi<HFONT> bold = MakeFont(m_fontHeight, true);
    fw::UniqueGdi<HFONT> normal = MakeFont(m_fontHeight, false);
    fw::UniqueGdi<HPEN> rule(::CreatePen(PS_SOLID, std::max(1, m_page.dpiY / 150), RGB(0, 0, 0)));
    if (!bold || !normal || !rule)
        return false;
    int saved = ::SaveDC(dc);
    if (!saved)
        return false;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);

    const int line = m_budget.lineHeight;
    const int textTop = (line - m_fontHeight) / 4;
    // Only what could show in a cell is handed to the device: a message
    // may be thousands of characters long, a cell shows a line of it.
    const int narrowest = std::max(1, m_fontHeight / 5);
    bool ok = true;
    auto cell = [&](int column, int y, std::wstring_view text) {
        int left = m_edges[column], right = m_edges[column + 1];
        if (right - left <= 2 * m_padding || text.empty())
            return;
        RECT clip = { left, y, right - m_padding, y + line };
        size_t fits = static_cast<size_t>((right - left) / narrowest) + 8;
        // Never the first half of a surrogate pair without its second half.
        size_t n = std::min(fits, text.size());
        if (n < text.size() && n > 0 && fw::OpensSurrogatePair(text[n - 1]))
            --n;
        std::wstring_view shown = text.substr(0, n);
        ok &= ::ExtTextOutW(dc, left + m_padding, y + textTop, ETO_CLIPPED, &clip, shown.data(),
                            static_cast<UINT>(shown.size()), nullptr) != FALSE;
    };

    int y = m_content.top;
    ::SelectObject(dc, bold.get());
    for (int c = 0; c < 4; ++c)
        cell(c, y, m_rows.Heading(c));
    ::SelectObject(dc, rule.get());
    int ruleY = y + line + (m_budget.headingHeight - line) / 2;
    ::MoveToEx(dc, m_content.left, ruleY, nullptr);
    ::LineTo(dc, m_content.right, ruleY);

    ::SelectObject(dc, normal.get());
    orlix::PageRows rows = m_pages[static_cast<size_t>(index)];
    // Rows may have been cleared since the layout was made.
    rows.last = std::min(rows.last, m_rows.RowCount());
    y = m_content.top + m_budget.headingHeight;
    for (size_t r = rows.first; r < rows.last; ++r, y += line)
        for (int c = 0; c < 4; ++c)
            cell(c, y, m_rows.Cell(r, c));

    std::wstring number = orlix::PageNumberText(m_pageNumberFormat, static_cast<size_t>(index) + 1,
                                                static_cast<size_t>(PageCount()));
    ::SetTextAlign(dc, TA_CENTER | TA_TOP | TA_NOUPDATECP);
    ok &= ::ExtTextOutW(dc, (m_content.left + m_content.right) / 2,
                        m_content.bottom - line + textTop, 0, nullptr, number.c_str(),
                        static_cast<UINT>(number.size()), nullptr) != FALSE;
    ::RestoreDC(dc, saved);
    return ok;
}

bool PrintListDocument(HDC dc, const CListPrintLayout& layout, int from, int to,
                       LPCWSTR documentName)
{
    if (!dc || from < 0 || to < from || to >= layout.PageCount())
        return false;
    DOCINFOW di = { sizeof(di) };
    di.lpszDocName = documentName;
    if (::StartDocW(dc, &di) <= 0)
        return false;
    for (int page = from; page <= to; ++page) {
        if (::StartPage(dc) <= 0 || !layout.RenderPage(dc, page) || ::EndPage(dc) <= 0) {
            ::AbortDoc(dc);
            return false;
        }
    }
    return ::EndDoc(dc) > 0;
}

// ----------------------------------------------------------------- job ---

void PrintList(const IPrintRowSource& rows, const ListColumnWidths& columns, bool withDialog)
{
    PrinterJob job;
    switch (ChoosePrinter(withDialog, job)) {
    case PrinterChoice::Chosen:
        break;
    case PrinterChoice::Cancelled:
        return;
    case PrinterChoice::NoPrinter:
        AfxMessageBox(AfxLoadUIString(IDS_PRINT_NO_PRINTER).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    case PrinterChoice::Failed: {
        std::wstring msg;
        if (job.error) {
            wchar_t code[16];
            wsprintfW(code, L"0x%04X", job.error);
            msg = orlix::FillInserts(AfxLoadUIString(IDS_PRINT_OPEN_ERROR), { code });
        } else {
            msg = AfxLoadUIString(IDS_PRINT_OPEN_FAILED);
        }
        AfxMessageBox(msg.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    }
    CListPrintLayout layout(rows, columns, PrintPageGeometry::FromPrinterDC(job.dc.get()));
    int count = layout.PageCount();
    if (count == 0) {
        AfxMessageBox(AfxLoadUIString(IDS_PRINT_PAPER_TOO_SMALL).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (job.from >= count) {
        std::wstring msg = orlix::FillInserts(AfxLoadUIString(IDS_PRINT_NO_SUCH_PAGE),
                                              { std::to_wstring(count) });
        AfxMessageBox(msg.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    HCURSOR old = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    bool printed = PrintListDocument(job.dc.get(), layout, job.from, std::min(job.to, count - 1),
                                     L"Orlix");
    ::SetCursor(old);
    if (!printed)
        AfxMessageBox(AfxLoadUIString(IDS_PRINT_FAILED).c_str(), MB_OK | MB_ICONEXCLAMATION);
}
