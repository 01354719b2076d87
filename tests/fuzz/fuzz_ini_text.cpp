// The settings file's text: bytes on disk (UTF-8, or the 8-bit code page
// when they are not UTF-8), wide text, and the document read from it.
//
// Every input is taken three ways: as file bytes, as UTF-16 text, and as
// 32-bit units. For each the document read from it must survive
// Format -> EncodeIniBytes -> DecodeIniBytes -> Parse unchanged, and the
// UTF-8 reader must agree with an independent validator.
#include "settings/IniText.h"
#include "framework/Utf16.h"

#include "FuzzSupport.h"

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::wstring, std::wstring>>;
struct Snapshot {
    std::vector<std::wstring> names;
    std::vector<Entries> values;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const IniDocument& doc)
{
    Snapshot s;
    for (const auto& section : doc.m_sections) {
        s.names.push_back(section->m_strName);
        s.values.emplace_back(section->m_values.begin(), section->m_values.end());
    }
    return s;
}

// A stand-in 8-bit code page: ASCII as it is, the upper half onto Cyrillic.
std::wstring FakeAnsi(std::string_view bytes)
{
    std::wstring out;
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out += static_cast<wchar_t>(b < 0x80 ? b : 0x0400 + (b - 0x80));
    }
    return out;
}

std::wstring MustNotDecodeAnsi(std::string_view bytes)
{
    std::fprintf(stderr, "written bytes (%zu) went to the code-page converter\n", bytes.size());
    std::abort();
}

// Written independently of DecodeUtf8: what the reader is documented to
// take (shortest forms, up to U+10FFFF, surrogate code points allowed), as
// code points.
bool ReferenceUtf8(std::string_view bytes, std::u32string& out)
{
    out.clear();
    static const char32_t kShortest[5] = { 0, 0, 0x80, 0x800, 0x10000 };
    size_t i = 0;
    while (i < bytes.size()) {
        const unsigned b = static_cast<unsigned char>(bytes[i]);
        size_t len;
        char32_t cp;
        if ((b & 0x80) == 0) {
            len = 1;
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            len = 2;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (bytes.size() - i < len)
            return false;
        for (size_t k = 1; k < len; ++k) {
            const unsigned c = static_cast<unsigned char>(bytes[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (len > 1 && (cp < kShortest[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
            return false;
        out += cp;
        i += len;
    }
    return true;
}

std::wstring AsWide(const std::u32string& cps)
{
    std::wstring out;
    for (char32_t c : cps) {
        if (sizeof(wchar_t) == 2 && c >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

// What the document should hold of `text`, as far as can be told without a
// second parser: one section per line that begins with "[", and no key or
// value that spans a line or a key with "=" in it.
void CheckShape(std::wstring_view text, const IniDocument& doc)
{
    size_t sectionLines = 0;
    for (size_t pos = 0; pos < text.size();) {
        size_t lf = text.find(L'\n', pos);
        if (lf == std::wstring_view::npos)
            lf = text.size();
        if (lf > pos && text[pos] == L'[')
            ++sectionLines;
        pos = lf + 1;
    }
    FUZZ_CHECK(doc.m_sections.size() == sectionLines);
    size_t formatted = 0;
    for (const auto& section : doc.m_sections) {
        FUZZ_CHECK(section->m_strName.find(L'\n') == std::wstring::npos);
        formatted += section->m_strName.size() + 4;
        for (const auto& [key, value] : section->m_values) {
            FUZZ_CHECK(key.find_first_of(L"=\n") == std::wstring::npos);
            FUZZ_CHECK(key.empty() || key[0] != L'[');
            FUZZ_CHECK(value.find(L'\n') == std::wstring::npos);
            // Lookups find the value kept for the key.
            std::wstring got = L"\uFFFFunset";
            FUZZ_CHECK(section->GetValue(key, got));
            FUZZ_CHECK(got == value);
            formatted += key.size() + value.size() + 3;
        }
    }
    const std::wstring written = doc.Format();
    FUZZ_CHECK(written.size() == formatted);
}

// What the encoder writes of `text`: a surrogate half or a unit past U+10FFFF
// as U+FFFD (wchar_t is 32-bit here, so no unit pairs with another).
std::wstring Encodable(std::wstring_view text)
{
    std::wstring out(text);
    for (wchar_t& c : out) {
        const auto u = static_cast<std::make_unsigned_t<wchar_t>>(c);
        if (u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF))
            c = static_cast<wchar_t>(0xFFFD);
    }
    return out;
}

// Load-save-load: the document read back from what it writes is the same
// (but for what UTF-8 cannot hold).
void CheckRoundTrip(const IniDocument& first)
{
    const std::wstring text = Encodable(first.Format());
    const std::string bytes = EncodeIniBytes(text);
    std::wstring decoded;
    FUZZ_CHECK(fw::DecodeUtf8(bytes, decoded));
    if (decoded != text) {
        fuzz::Dump("formatted", text);
        fuzz::Dump("read back", decoded);
        FUZZ_CHECK(decoded == text);
    }
    IniDocument second;
    second.Parse(DecodeIniBytes(bytes, MustNotDecodeAnsi));
    if (text == first.Format())
        FUZZ_CHECK(Take(second) == Take(first));
    FUZZ_CHECK(second.Format() == text);

    // GetSection finds the first section of each name without adding one.
    for (const auto& section : second.m_sections) {
        IniSection* found = second.GetSection(section->m_strName);
        FUZZ_CHECK(found->m_strName == section->m_strName);
        for (const auto& other : second.m_sections) {
            if (other.get() == found)
                break;
            FUZZ_CHECK(other->m_strName != section->m_strName);
        }
    }
    FUZZ_CHECK(second.m_sections.size() == first.m_sections.size());
}

void CheckDocument(std::wstring_view text)
{
    IniDocument doc;
    doc.Parse(text);
    CheckShape(text, doc);
    CheckRoundTrip(doc);

    // Parsing more text keeps the sections already held in front.
    const Snapshot once = Take(doc);
    doc.Parse(text);
    const Snapshot twice = Take(doc);
    FUZZ_CHECK(twice.names.size() == 2 * once.names.size());
    for (size_t i = 0; i < once.names.size(); ++i) {
        FUZZ_CHECK(twice.names[i] == once.names[i]);
        FUZZ_CHECK(twice.names[i + once.names.size()] == once.names[i]);
        FUZZ_CHECK(twice.values[i] == once.values[i]);
        FUZZ_CHECK(twice.values[i + once.names.size()] == once.values[i]);
    }
}

// File bytes as IniFile::Load reads them.
void CheckBytes(std::string_view bytes)
{
    std::u32string cps;
    std::wstring utf8;
    const bool valid = fw::DecodeUtf8(bytes, utf8);
    FUZZ_CHECK(valid == ReferenceUtf8(bytes, cps));
    if (valid) {
        FUZZ_CHECK(utf8 == AsWide(cps));
        // Shortest forms only, so writing the text gives the same bytes
        // (where wchar_t holds whole code points; with UTF-16 units a pair
        // written as two 3-byte surrogates comes back as one 4-byte form).
        if (sizeof(wchar_t) == 4)
            FUZZ_CHECK(EncodeIniBytes(utf8) == bytes);
    }

    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    const bool bom = bytes.substr(0, 3) == kBom;
    const std::string_view body = bom ? bytes.substr(3) : bytes;
    std::wstring bodyText;
    const bool bodyValid = fw::DecodeUtf8(body, bodyText);

    // A UTF-16 file (by its mark) is read as such: CheckWide covers it.
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        CheckDocument(DecodeIniBytes(bytes, FakeAnsi));
        return;
    }
    // Otherwise line by line: a line of valid UTF-8 is UTF-8, any other line
    // goes through the code page, so one stray byte spoils one line only.
    std::wstring expected, expectedValidOnly;
    int expectedCalls = 0;
    for (std::string_view rest = body; !rest.empty();) {
        const size_t lf = rest.find('\n');
        const std::string_view line = lf == std::string_view::npos ? rest : rest.substr(0, lf + 1);
        rest.remove_prefix(line.size());
        std::wstring w;
        if (fw::DecodeUtf8(line, w)) {
            expected += w;
            expectedValidOnly += w;
        } else {
            expected += FakeAnsi(line);
            ++expectedCalls;
        }
    }
    int ansiCalls = 0;
    const std::wstring text = DecodeIniBytes(bytes, [&](std::string_view b) {
        ++ansiCalls;
        FUZZ_CHECK(b.data() >= bytes.data() && b.data() + b.size() <= bytes.data() + bytes.size());
        FUZZ_CHECK(!b.empty() && b.substr(0, b.size() - 1).find('\n') == std::string_view::npos);
        return FakeAnsi(b);
    });
    FUZZ_CHECK(ansiCalls == expectedCalls);
    FUZZ_CHECK(text == expected);
    if (bodyValid) {
        FUZZ_CHECK(ansiCalls == 0);
        FUZZ_CHECK(text == bodyText);
    }
    // Without a converter only the UTF-8 lines are read.
    FUZZ_CHECK(DecodeIniBytes(bytes, AnsiDecoder()) == expectedValidOnly);
    CheckDocument(text);
}

// Any wide text survives EncodeIniBytes/DecodeUtf8 but for surrogate halves
// and units beyond U+10FFFF, which become U+FFFD.
void CheckEncoding(std::wstring_view text)
{
    const std::string bytes = EncodeIniBytes(text);
    std::wstring back;
    FUZZ_CHECK(fw::DecodeUtf8(bytes, back));
    const std::wstring expected = Encodable(text);
    if (back != expected) {
        fuzz::Dump("text", text);
        fuzz::Dump("read back", back);
        FUZZ_CHECK(back == expected);
    }
    FUZZ_CHECK(bytes.size() <= 4 * text.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckBytes(bytes);

    const std::wstring utf16 = fuzz::Utf16Units(data, size);
    CheckEncoding(utf16);
    CheckDocument(utf16);

    if (sizeof(wchar_t) == 4) {
        std::wstring wide;
        for (size_t i = 0; i + 3 < size; i += 4)
            wide += static_cast<wchar_t>(data[i] | (data[i + 1] << 8) | (data[i + 2] << 16)
                                         | (uint32_t{ data[i + 3] } << 24));
        CheckEncoding(wide);
    }
    return 0;
}
