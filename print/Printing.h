// The list on paper: page geometry, the page layout of the rows, and the
// drawing of one page onto any DC (printer, preview bitmap, metafile).
#pragma once
#include "print/Pagination.h"
#include "print/RowSource.h"
#include <windows.h>
#include <array>
#include <string>
#include <vector>

// One sheet in the device units of the DC that prints it. A printer draws
// only inside `printable`, and its DC's origin is that area's top-left.
struct PrintPageGeometry {
    int paperWidth = 0;
    int paperHeight = 0;
    RECT printable = {};   // on the sheet
    int dpiX = 0;
    int dpiY = 0;

    // The page of a printer DC or information context.
    static PrintPageGeometry FromPrinterDC(HDC dc);
    // An A4 sheet at `dpi`, printable to its edges.
    static PrintPageGeometry A4(int dpi);
    bool IsValid() const;
};

using ListColumnWidths = std::array<int, 4>;
// The list control's four column widths as the user left them; the
// initial widths where the control cannot tell.
ListColumnWidths GetListColumnWidths(HWND list);

// The rows laid out on pages of one geometry: a bold heading row (Process,
// pID, Time, Logmessage) above a rule, the rows in columns that share the
// page width as the list's columns share the list, and the page number.
class CListPrintLayout {
public:
    CListPrintLayout(const IPrintRowSource& rows, const ListColumnWidths& columns,
                     const PrintPageGeometry& page);

    // Lays the pages out again when rows came or went since; true when the
    // pages changed.
    bool Update();
    int PageCount() const { return static_cast<int>(m_pages.size()); }
    orlix::PageRows Page(int index) const;
    const PrintPageGeometry& Geometry() const { return m_page; }
    const orlix::PageBudget& Budget() const { return m_budget; }
    // Where heading, rows and footer go, in the DC's coordinates.
    const RECT& ContentRect() const { return m_content; }
    // Left edge of each column, in the DC's coordinates, and the right edge
    // of the last one.
    const std::vector<int>& ColumnEdges() const { return m_edges; }

    // Draws page `index` (0-based) onto dc, whose logical units are the
    // geometry's device units and whose origin is the printable area's
    // top-left. False when there is no such page or the DC refused.
    bool RenderPage(HDC dc, int index) const;

private:
    const IPrintRowSource& m_rows;
    PrintPageGeometry m_page;
    orlix::PageBudget m_budget;
    RECT m_content = {};
    std::vector<int> m_edges;
    int m_fontHeight = 0;
    int m_padding = 0;
    size_t m_rowCount = 0;
    std::vector<orlix::PageRows> m_pages;
    std::wstring m_pageNumberFormat;   // the footer's, in the chosen language
};

// The sheet the preview shows: the printer chosen in Print Setup, else the
// default printer, else A4 at 600 dpi (no printer is needed to preview).
PrintPageGeometry PreviewPageGeometry();

// Prints pages [from, to] (0-based) as one job on a printer DC; the job is
// aborted and false returned when the device refuses a step.
bool PrintListDocument(HDC dc, const CListPrintLayout& layout, int from, int to,
                       LPCWSTR documentName);

// Print (with the dialog) and Print direct (the printer of Print Setup or the
// default one) of the rows, laid out with the given column widths. Every way
// it can fail says so in a message box.
void PrintList(const IPrintRowSource& rows, const ListColumnWidths& columns, bool withDialog);
