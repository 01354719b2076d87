#include "i18n/MenuTemplate.h"
#include <gtest/gtest.h>

using namespace orlix;

namespace {
// Builds a standard menu template the way the resource compiler lays it out.
class TemplateBuilder {
public:
    TemplateBuilder() { Word(0); Word(0); }
    TemplateBuilder& Popup(const std::wstring& text, bool last = false)
    {
        Word(kMenuPopupFlag | (last ? kMenuEndFlag : 0));
        Text(text);
        return *this;
    }
    TemplateBuilder& Item(uint16_t id, const std::wstring& text, bool last = false)
    {
        Word(last ? kMenuEndFlag : 0);
        Word(id);
        Text(text);
        return *this;
    }
    TemplateBuilder& Separator(bool last = false) { return Item(0, L"", last); }
    std::vector<unsigned char> bytes;

private:
    void Word(uint16_t w)
    {
        bytes.push_back(static_cast<unsigned char>(w & 0xFF));
        bytes.push_back(static_cast<unsigned char>(w >> 8));
    }
    void Text(const std::wstring& s)
    {
        for (wchar_t c : s)
            Word(static_cast<uint16_t>(c));
        Word(0);
    }
};

std::vector<unsigned> P(std::initializer_list<unsigned> l) { return l; }
} // namespace

TEST(MenuTemplate, WalksNestedPopupsWithPositionsAndIds)
{
    // File(Open, sep, Exit) | View(Toolbar, sep, Language(Default)) | Help(About)
    TemplateBuilder b;
    b.Popup(L"File").Item(57601, L"Open").Separator().Item(57665, L"Exit", true);
    b.Popup(L"View").Item(59392, L"Toolbar").Separator().Popup(L"Language", true)
        .Item(32790, L"Default", true);
    b.Popup(L"Help", true).Item(57664, L"About", true);
    auto a = WalkMenuTemplate(b.bytes.data(), b.bytes.size());
    ASSERT_EQ(a.size(), 11u);
    EXPECT_TRUE(a[0].popup);
    EXPECT_EQ(a[0].path, P({ 0 }));
    EXPECT_EQ(a[0].text, L"File");
    EXPECT_EQ(a[1].commandId, 57601);
    EXPECT_EQ(a[2].commandId, 0) << "separators are items too";
    EXPECT_EQ(a[4].path, P({ 1 }));
    EXPECT_EQ(a[7].path, P({ 1, 2 }));
    EXPECT_EQ(a[7].text, L"Language");
    EXPECT_EQ(a[8].commandId, 32790);
    // After a popup that was the last of its level, the walk climbs twice.
    EXPECT_EQ(a[9].path, P({ 2 }));
    EXPECT_EQ(a[10].commandId, 57664);
}

TEST(MenuTemplate, StopsQuietlyOnTruncatedOrBadInput)
{
    TemplateBuilder b;
    b.Popup(L"File").Item(1, L"One").Item(2, L"Two", true);
    for (size_t cut = 0; cut < b.bytes.size(); ++cut) {
        auto a = WalkMenuTemplate(b.bytes.data(), cut);
        EXPECT_LE(a.size(), 3u);
    }
    std::vector<unsigned char> extended = { 1, 0, 4, 0 };
    EXPECT_TRUE(WalkMenuTemplate(extended.data(), extended.size()).empty());
}

TEST(MenuTemplate, DepthIsBounded)
{
    TemplateBuilder b;
    for (int i = 0; i < 40; ++i)
        b.Popup(L"p", true);
    b.Item(1, L"leaf", true);
    auto a = WalkMenuTemplate(b.bytes.data(), b.bytes.size());
    EXPECT_EQ(a.size(), kMenuMaxLevels);
}

TEST(MenuTemplate, LongTextsAreCut)
{
    TemplateBuilder b;
    b.Popup(std::wstring(2000, L'x'), true).Item(5, L"y", true);
    auto a = WalkMenuTemplate(b.bytes.data(), b.bytes.size());
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0].text.size(), kMenuTextUnits);
    EXPECT_EQ(a[1].commandId, 5);
}
