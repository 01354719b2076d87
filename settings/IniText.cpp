#include "settings/IniText.h"
#include "framework/Utf16.h"

namespace {

using fw::IsHighSurrogate;
using fw::IsLowSurrogate;

} // namespace

// ------------------------------------------------------------ values ---

const std::wstring* IniValueMap::Find(std::wstring_view key) const
{
    const auto it = m_index.find(key);
    return it == m_index.end() ? nullptr : &m_entries[it->second].second;
}

void IniValueMap::Set(std::wstring_view key, std::wstring_view value)
{
    const auto it = m_index.find(key);
    if (it != m_index.end()) {
        m_entries[it->second].second.assign(value);
        return;
    }
    m_entries.emplace_back(std::wstring(key), std::wstring(value));
    try {
        m_index.emplace(std::wstring(key), m_entries.size() - 1);
    } catch (...) {
        m_entries.pop_back();  // keep entries and index in step
        throw;
    }
}

void IniValueMap::clear()
{
    m_index.clear();
    m_entries.clear();
}

bool IniSection::GetValue(std::wstring_view key, std::wstring& value) const
{
    const std::wstring* found = m_values.Find(key);
    if (!found)
        return false;
    value = *found;
    return true;
}

int IniSection::SetValue(std::wstring_view key, std::wstring_view value)
{
    m_values.Set(key, value);
    return 1;
}

// ---------------------------------------------------------- document ---

IniSection* IniDocument::GetSection(std::wstring_view name)
{
    for (const auto& section : m_sections)
        if (section->m_strName == name)
            return section.get();
    return AppendSection(name);
}

IniSection* IniDocument::AppendSection(std::wstring_view name)
{
    auto section = std::make_unique<IniSection>();
    section->m_strName.assign(name);
    m_sections.push_back(std::move(section));
    return m_sections.back().get();
}

void IniDocument::Parse(std::wstring_view text)
{
    IniSection* current = nullptr;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t lf = text.find(L'\n', pos);
        const size_t end = lf == std::wstring_view::npos ? text.size() : lf;
        std::wstring_view line = text.substr(pos, end - pos);
        pos = lf == std::wstring_view::npos ? text.size() : lf + 1;
        if (lf != std::wstring_view::npos && !line.empty() && line.back() == L'\r')
            line.remove_suffix(1);

        if (line.empty())
            continue;
        if (line.front() == L'[') {
            // Whatever the last character is, it is taken for the bracket.
            current = AppendSection(line.size() >= 2 ? line.substr(1, line.size() - 2)
                                                     : std::wstring_view());
            continue;
        }
        if (!current)
            continue;
        const size_t eq = line.find(L'=');
        if (eq == std::wstring_view::npos)
            continue;
        current->SetValue(line.substr(0, eq), line.substr(eq + 1));
    }
}

std::wstring IniDocument::Format() const
{
    std::wstring out;
    for (const auto& section : m_sections) {
        out += L'[';
        out += section->m_strName;
        out += L"]\r\n";
        for (const auto& [key, value] : section->m_values) {
            out += key;
            out += L'=';
            out += value;
            out += L"\r\n";
        }
    }
    return out;
}

// ---------------------------------------------------------- encoding ---

std::string EncodeIniBytes(std::wstring_view text)
{
    return fw::Utf8FromWide(text);
}


namespace {

// UTF-16 units, two bytes each in the given order; an odd last byte is
// dropped. Surrogates pass as they are, halves included.
std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian)
{
    std::wstring out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned lo = static_cast<unsigned char>(bytes[i + (bigEndian ? 1 : 0)]);
        const unsigned hi = static_cast<unsigned char>(bytes[i + (bigEndian ? 0 : 1)]);
        const char32_t unit = static_cast<char32_t>(hi << 8 | lo);
        if (sizeof(wchar_t) == 2 || !IsHighSurrogate(unit) || i + 3 >= bytes.size()) {
            out += static_cast<wchar_t>(unit);
            continue;
        }
        // A 32-bit wchar_t holds the pair as one code point.
        const unsigned lo2 = static_cast<unsigned char>(bytes[i + 2 + (bigEndian ? 1 : 0)]);
        const unsigned hi2 = static_cast<unsigned char>(bytes[i + 2 + (bigEndian ? 0 : 1)]);
        const char32_t next = static_cast<char32_t>(hi2 << 8 | lo2);
        if (IsLowSurrogate(next)) {
            fw::AppendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            i += 2;
        } else {
            out += static_cast<wchar_t>(unit);
        }
    }
    return out;
}

} // namespace

std::wstring DecodeIniBytes(std::string_view bytes, const AnsiDecoder& ansi)
{
    constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
    constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
    constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
    if (bytes.substr(0, 2) == kUtf16LeBom)
        return DecodeUtf16(bytes.substr(2), false);
    if (bytes.substr(0, 2) == kUtf16BeBom)
        return DecodeUtf16(bytes.substr(2), true);
    // A mark left by an editor that saved the file as UTF-8 would otherwise
    // hide the first section line.
    std::string_view rest =
        bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom ? bytes.substr(kUtf8Bom.size()) : bytes;
    // Each line on its own: one stray byte elsewhere must not make the
    // whole file, and the user's UTF-8 text with it, read as the code page.
    // No 8-bit code page uses the line-feed byte inside a character.
    std::wstring text, line;
    text.reserve(rest.size());
    while (!rest.empty()) {
        const size_t lf = rest.find('\n');
        const std::string_view bytesOfLine =
            lf == std::string_view::npos ? rest : rest.substr(0, lf + 1);
        rest.remove_prefix(bytesOfLine.size());
        if (fw::DecodeUtf8(bytesOfLine, line))
            text += line;
        else if (ansi)
            text += ansi(bytesOfLine);
    }
    return text;
}

std::vector<IniRawLine> FindUndecodableLines(std::string_view bytes, const AnsiDecoder& ansi,
                                             const AnsiEncoder& narrow)
{
    std::vector<IniRawLine> raw;
    if (!ansi || !narrow || bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")
        return raw;
    constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
    std::string_view rest =
        bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom ? bytes.substr(kUtf8Bom.size()) : bytes;
    std::wstring section, line;
    bool inSection = false;
    while (!rest.empty()) {
        const size_t lf = rest.find('\n');
        std::string_view lineBytes = lf == std::string_view::npos ? rest : rest.substr(0, lf);
        rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
        if (lf != std::string_view::npos && !lineBytes.empty() && lineBytes.back() == '\r')
            lineBytes.remove_suffix(1);
        bool exact = true;
        if (!fw::DecodeUtf8(lineBytes, line)) {
            line = ansi(lineBytes);
            exact = narrow(line) == lineBytes;
        }
        if (line.empty())
            continue;
        if (line.front() == L'[') {
            section = line.size() >= 2 ? line.substr(1, line.size() - 2) : std::wstring();
            inSection = true;
            if (!exact)
                raw.push_back({ section, std::wstring(), std::wstring(), std::string(lineBytes),
                                true });
            continue;
        }
        const size_t eq = line.find(L'=');
        if (!inSection || eq == std::wstring::npos || exact)
            continue;
        raw.push_back({ section, line.substr(0, eq), line.substr(eq + 1), std::string(lineBytes),
                        false });
    }
    return raw;
}

std::string EncodeIniDocument(const IniDocument& doc, const std::vector<IniRawLine>& raw)
{
    if (raw.empty())
        return EncodeIniBytes(doc.Format());
    // The last line read for a key is the one whose value the key holds. A
    // section line and a line of an empty key are told apart by their kind,
    // never by the key alone.
    auto find = [&raw](const std::wstring& section, const std::wstring* key) {
        const IniRawLine* found = nullptr;
        for (const auto& r : raw) {
            if (r.section == section && r.isSection == !key && (!key || r.key == *key))
                found = &r;
        }
        return found;
    };
    std::string out;
    for (const auto& section : doc.m_sections) {
        if (const IniRawLine* r = find(section->m_strName, nullptr))
            out += r->bytes + "\r\n";
        else
            out += EncodeIniBytes(L"[" + section->m_strName + L"]\r\n");
        for (const auto& [key, value] : section->m_values) {
            const IniRawLine* r = find(section->m_strName, &key);
            if (r && r->value == value)
                out += r->bytes + "\r\n";
            else
                out += EncodeIniBytes(key + L"=" + value + L"\r\n");
        }
    }
    return out;
}
