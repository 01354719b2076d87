// Printing in-process: pages drawn into enhanced metafiles and read back
// record by record, the preview window, and printing without a printer.
#include "ViewerFixture.h"
#include "print/PrintPreview.h"
#include "print/Printing.h"
#include "resources/resource.h"
#include <winspool.h>
#include <map>
#include <vector>

namespace {

// The page label as the program makes it, from the string table's format.
std::wstring PageLabel(size_t page, size_t count)
{
    return orlix::PageNumberText(AfxLoadUIString(IDS_PAGE_NUMBER), page, count);
}

struct TextRun {
    std::wstring text;
    POINTL ref;
    RECTL clip;
    DWORD options;
};

int CALLBACK CollectText(HDC, HANDLETABLE*, const ENHMETARECORD* rec, int, LPARAM lp)
{
    if (rec->iType == EMR_EXTTEXTOUTW) {
        auto* r = reinterpret_cast<const EMREXTTEXTOUTW*>(rec);
        auto* chars = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(rec) +
                                                       r->emrtext.offString);
        reinterpret_cast<std::vector<TextRun>*>(lp)->push_back(
            { std::wstring(chars, r->emrtext.nChars), r->emrtext.ptlReference, r->emrtext.rcl,
              r->emrtext.fOptions });
    }
    return 1;
}

// Draws one page into a metafile of an A4 sheet and reads its texts back.
std::vector<TextRun> RenderToMetafile(const CListPrintLayout& layout, int page, bool* rendered)
{
    std::vector<TextRun> runs;
    RECT frame = { 0, 0, 21000, 29700 }; // 0.01 mm
    HDC mf = ::CreateEnhMetaFileW(nullptr, nullptr, &frame, L"Orlix\0test page\0");
    EXPECT_NE(mf, nullptr);
    if (!mf)
        return runs;
    *rendered = layout.RenderPage(mf, page);
    HENHMETAFILE emf = ::CloseEnhMetaFile(mf);
    EXPECT_NE(emf, nullptr);
    if (emf) {
        ::EnumEnhMetaFile(nullptr, emf, CollectText, &runs, nullptr);
        ::DeleteEnhMetaFile(emf);
    }
    return runs;
}

std::wstring Message(int i)
{
    wchar_t buf[64];
    wsprintfW(buf, L"message %04d 中文 %d", i, i * 7);
    return buf;
}

void FillRows(orlix::RowStore& rows, int count)
{
    for (int i = 0; i < count; ++i) {
        orlix::ArrivalTime t{ static_cast<uint16_t>(10 + i / 3600),
                              static_cast<uint16_t>(i / 60 % 60), static_cast<uint16_t>(i % 60),
                              0 };
        rows.Append(i % 2 ? L"client.exe" : L"服务.exe", 1000 + i, t, Message(i));
    }
}

bool AnyPrinter()
{
    DWORD needed = 0, count = 0;
    ::EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0,
                    &needed, &count);
    return needed > 0 || count > 0;
}

} // namespace

TEST(Printing, ThousandRowsOnMetafilePagesReadBack)
{
    orlix::RowStore rows;
    FillRows(rows, 1000);
    const ListColumnWidths widths = { 150, 100, 90, 450 };
    CListPrintLayout layout(rows, widths, PrintPageGeometry::A4(600));
    auto expected = orlix::Paginate(layout.Budget(), 1000);
    ASSERT_GT(expected.size(), 1u);
    ASSERT_EQ(static_cast<size_t>(layout.PageCount()), expected.size());
    const int count = layout.PageCount();
    const RECT content = layout.ContentRect();
    const int footerTop = content.bottom - layout.Budget().footerHeight;

    std::map<std::wstring, int> pageOfMessage;
    for (int p = 0; p < count; ++p) {
        SCOPED_TRACE(p);
        bool rendered = false;
        auto runs = RenderToMetafile(layout, p, &rendered);
        ASSERT_TRUE(rendered);
        // The heading row first, bold or not, in the list's column order.
        ASSERT_GE(runs.size(), 5u);
        EXPECT_EQ(runs[0].text, L"Process");
        EXPECT_EQ(runs[1].text, L"pID");
        EXPECT_EQ(runs[2].text, L"Time");
        EXPECT_EQ(runs[3].text, L"Logmessage");
        // The page number last, below every row.
        EXPECT_EQ(runs.back().text, PageLabel(p + 1, count));
        EXPECT_GE(runs.back().ref.y, footerTop);

        // Four cells per row, exactly the rows of this page, as the list shows them.
        const auto& range = expected[p];
        ASSERT_EQ(runs.size(), 4 + 4 * (range.last - range.first) + 1);
        LONG lastY = runs[3].ref.y;
        for (size_t r = range.first; r < range.last; ++r) {
            const TextRun* cells = &runs[4 + 4 * (r - range.first)];
            for (int c = 0; c < 4; ++c) {
                EXPECT_EQ(cells[c].text, rows.Column(r, c)) << "row " << r << " column " << c;
                // Clipped to its cell, inside the margins, above the footer.
                EXPECT_TRUE(cells[c].options & ETO_CLIPPED);
                EXPECT_LE(cells[c].clip.right, content.right);
                EXPECT_GE(cells[c].clip.left, content.left);
                EXPECT_LE(cells[c].clip.bottom, footerTop);
                EXPECT_EQ(cells[c].ref.y, cells[0].ref.y);
            }
            EXPECT_GT(cells[0].ref.y, lastY) << "rows go down the page in order";
            lastY = cells[0].ref.y;
            EXPECT_TRUE(pageOfMessage.emplace(cells[3].text, p).second) << "printed twice";
        }
        EXPECT_EQ(runs[4].text, rows.Column(range.first, 0));
        EXPECT_EQ(runs[runs.size() - 2].text, Message(static_cast<int>(range.last - 1)));
    }
    // Every row printed once.
    EXPECT_EQ(pageOfMessage.size(), 1000u);
    EXPECT_EQ(pageOfMessage[Message(0)], 0);
    EXPECT_EQ(pageOfMessage[Message(999)], count - 1);

    bool rendered = true;
    RenderToMetafile(layout, count, &rendered);
    EXPECT_FALSE(rendered);
    RenderToMetafile(layout, -1, &rendered);
    EXPECT_FALSE(rendered);
}

TEST(Printing, ColumnsShareThePageAsTheListsColumnsShareTheList)
{
    orlix::RowStore rows;
    std::wstring longText(orlix::kMaxTextUnits, L'x');
    rows.Append(L"a.exe", 1, {}, longText);
    auto headingX = [&](const ListColumnWidths& w) {
        CListPrintLayout layout(rows, w, PrintPageGeometry::A4(300));
        bool rendered = false;
        auto runs = RenderToMetafile(layout, 0, &rendered);
        EXPECT_TRUE(rendered);
        std::vector<LONG> x;
        for (size_t i = 0; i < 4 && i < runs.size(); ++i)
            x.push_back(runs[i].ref.x);
        x.push_back(layout.ContentRect().right);
        // The long message is cut at the right margin, not carried beyond it.
        EXPECT_EQ(runs.size(), 9u);
        if (runs.size() == 9u) {
            EXPECT_LE(runs[7].clip.right, layout.ContentRect().right);
            EXPECT_TRUE(runs[7].options & ETO_CLIPPED);
            EXPECT_EQ(runs[7].text, longText.substr(0, runs[7].text.size()));
        }
        return x;
    };
    // Heading i starts where column i does, so their distances are the
    // column widths; the last column ends at the right margin.
    auto equal = headingX({ 100, 100, 100, 100 });
    ASSERT_EQ(equal.size(), 5u);
    EXPECT_NEAR(equal[2] - equal[1], equal[1] - equal[0], 1);
    EXPECT_NEAR(equal[3] - equal[2], equal[1] - equal[0], 1);
    EXPECT_NEAR(equal[4] - equal[3], equal[1] - equal[0], 0.02 * (equal[1] - equal[0]));
    auto list = headingX({ 150, 100, 90, 450 });
    ASSERT_EQ(list.size(), 5u);
    double unit = (list[1] - list[0]) / 150.0;
    EXPECT_NEAR(list[2] - list[1], 100 * unit, 2);
    EXPECT_NEAR(list[3] - list[2], 90 * unit, 2);
    EXPECT_NEAR(list[4] - list[3], 450 * unit, 0.02 * 450 * unit);
}

TEST(Printing, MarginsCountFromTheSheetNotFromThePrintableArea)
{
    orlix::RowStore rows;
    PrintPageGeometry g = PrintPageGeometry::A4(600);
    // A printer that cannot reach the outer 100 (left) and 120 (top) units.
    g.printable = { 100, 120, g.paperWidth - 100, g.paperHeight - 120 };
    CListPrintLayout layout(rows, { 1, 1, 1, 1 }, g);
    const int margin = ::MulDiv(100, 600, 254); // 10 mm
    EXPECT_EQ(layout.ContentRect().left, margin - 100);
    EXPECT_EQ(layout.ContentRect().top, margin - 120);
    EXPECT_EQ(layout.ContentRect().right, g.paperWidth - margin - 100);
    // An empty list still prints one page: the heading and the page number.
    ASSERT_EQ(layout.PageCount(), 1);
    bool rendered = false;
    auto runs = RenderToMetafile(layout, 0, &rendered);
    EXPECT_TRUE(rendered);
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[4].text, PageLabel(1, 1));
    // A sheet too small for one row gives no pages and draws nothing.
    PrintPageGeometry tiny = PrintPageGeometry::A4(600);
    tiny.paperHeight = ::MulDiv(300, 600, 254);   // 30 mm
    tiny.printable.bottom = tiny.paperHeight;
    CListPrintLayout none(rows, { 1, 1, 1, 1 }, tiny);
    EXPECT_EQ(none.PageCount(), 0);
    RenderToMetafile(none, 0, &rendered);
    EXPECT_FALSE(rendered);
}

TEST(Printing, PreviewShowsThePagesOfTheList)
{
    InProcessViewer v;
    ASSERT_TRUE(v.ok);
    COrlixView& view = *v.view;
    for (int i = 0; i < 1000; ++i)
        v.Send(::GetCurrentProcessId(), Message(i).c_str());
    ASSERT_EQ(view.RowCount(), 1000u);
    ASSERT_TRUE(v.Command(ID_FILE_PRINT_PREVIEW));
    CPrintPreview* preview = CPrintPreview::Current();
    ASSERT_NE(preview, nullptr);
    HWND hwnd = preview->m_hWnd;
    ASSERT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_EQ(::GetWindow(hwnd, GW_OWNER), v.frame->m_hWnd);
    v.Pump(100);

    // The same pages as the rows printed on the preview's sheet.
    CListPrintLayout reference(view.Rows(), GetListColumnWidths(view.m_hWnd),
                               PreviewPageGeometry());
    const int pages = static_cast<int>(orlix::Paginate(reference.Budget(), 1000).size());
    EXPECT_GT(pages, 1);
    EXPECT_EQ(preview->PageCount(), pages);
    EXPECT_EQ(preview->CurrentPage(), 0);
    wchar_t label[128] = {};
    ::GetDlgItemTextW(hwnd, CPrintPreview::IDC_PREVIEW_PAGE_LABEL, label, 128);
    EXPECT_EQ(std::wstring(label).find(PageLabel(1, pages)), 0u) << label;
    auto enabled = [&](UINT id) { return ::IsWindowEnabled(::GetDlgItem(hwnd, id)) != FALSE; };
    EXPECT_FALSE(enabled(CPrintPreview::IDC_PREVIEW_PREV));
    EXPECT_TRUE(enabled(CPrintPreview::IDC_PREVIEW_NEXT));

    // Keys and buttons turn the pages; they stop at both ends.
    // Keys go to the page area, which has the focus while the preview is active.
    HWND pane = ::FindWindowExW(hwnd, nullptr, L"OrlixPreviewPage", nullptr);
    ASSERT_NE(pane, nullptr);
    auto key = [&](UINT vk) { ::SendMessageW(pane, WM_KEYDOWN, vk, 0); };
    auto click = [&](UINT id) {
        ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hwnd, id)));
    };
    ::SetForegroundWindow(hwnd);
    v.Pump(50);
    key(VK_NEXT);
    EXPECT_EQ(preview->CurrentPage(), 1);
    key(VK_PRIOR);
    key(VK_PRIOR);
    EXPECT_EQ(preview->CurrentPage(), 0);
    click(CPrintPreview::IDC_PREVIEW_NEXT);
    click(CPrintPreview::IDC_PREVIEW_NEXT);
    EXPECT_EQ(preview->CurrentPage(), 2);
    key(VK_END);
    EXPECT_EQ(preview->CurrentPage(), pages - 1);
    EXPECT_FALSE(enabled(CPrintPreview::IDC_PREVIEW_NEXT));
    key(VK_NEXT);
    EXPECT_EQ(preview->CurrentPage(), pages - 1);
    ::GetDlgItemTextW(hwnd, CPrintPreview::IDC_PREVIEW_PAGE_LABEL, label, 128);
    EXPECT_EQ(std::wstring(label).find(PageLabel(pages, pages)), 0u) << label;

    // Zoom steps up and back, and no further than the whole page.
    EXPECT_EQ(preview->ZoomPercent(), 100);
    click(CPrintPreview::IDC_PREVIEW_ZOOM_IN);
    EXPECT_GT(preview->ZoomPercent(), 100);
    key(VK_SUBTRACT);
    key(VK_SUBTRACT);
    EXPECT_EQ(preview->ZoomPercent(), 100);
    v.Pump(50);

    // Opening it again brings the same window forward.
    ASSERT_TRUE(v.Command(ID_FILE_PRINT_PREVIEW));
    EXPECT_EQ(CPrintPreview::Current(), preview);

    // It follows the list: Clear leaves the one page of an empty list.
    v.Command(ID_CLEAR);
    ASSERT_TRUE(v.PumpUntil([&] { return preview->PageCount() == 1; }, 3000));
    EXPECT_EQ(preview->CurrentPage(), 0);
    v.Send(::GetCurrentProcessId(), L"after clear");
    v.Pump(50);

    // Escape closes it; the viewer goes on.
    key(VK_ESCAPE);
    EXPECT_EQ(CPrintPreview::Current(), nullptr);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_TRUE(::IsWindow(v.frame->m_hWnd));
}

TEST(Printing, PreviewGoesWithTheFrame)
{
    HWND hwnd = nullptr;
    {
        InProcessViewer v;
        ASSERT_TRUE(v.ok);
        v.Send(1, L"one row");
        ASSERT_TRUE(v.Command(ID_FILE_PRINT_PREVIEW));
        ASSERT_NE(CPrintPreview::Current(), nullptr);
        hwnd = CPrintPreview::Current()->m_hWnd;
        v.Pump(50);
    }
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(CPrintPreview::Current(), nullptr);
}

TEST(Printing, PrintingWithoutAPrinterSaysSo)
{
    if (AnyPrinter())
        GTEST_SKIP() << "a printer is installed here";
    InProcessViewer v;
    ASSERT_TRUE(v.ok);
    v.Send(1, L"a row to print");
    for (UINT id : { ID_FILE_PRINT, ID_FILE_PRINT_DIRECT }) {
        BoxAnswerer box;
        ASSERT_TRUE(v.Command(id));
        std::wstring text = box.Wait();
        EXPECT_NE(text.find(L"没有安装打印机"), std::wstring::npos) << id << ": " << text;
    }
    // The preview's Print button takes the same way.
    ASSERT_TRUE(v.Command(ID_FILE_PRINT_PREVIEW));
    CPrintPreview* preview = CPrintPreview::Current();
    ASSERT_NE(preview, nullptr);
    {
        BoxAnswerer box;
        ::SendMessageW(preview->m_hWnd, WM_COMMAND,
                       MAKEWPARAM(CPrintPreview::IDC_PREVIEW_PRINT, BN_CLICKED), 0);
        EXPECT_NE(box.Wait().find(L"没有安装打印机"), std::wstring::npos);
    }
    EXPECT_EQ(CPrintPreview::Current(), preview);
    preview->Close();
}
