// The INI text of the viewer's own settings store: sections and values in
// memory, the reading and writing rules of the file's text, and the choice
// between the file's bytes and wide text. No file access here (IniFile.h).
// Platform-free.
#pragma once
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Keys of one section with their values, enumerated in the order in which
// each key was first set, so a save writes them in a stable order. Setting
// a key again replaces its value in place.
class IniValueMap {
public:
    using Entry = std::pair<std::wstring, std::wstring>;

    const std::wstring* Find(std::wstring_view key) const;
    void Set(std::wstring_view key, std::wstring_view value);
    void clear();
    size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    std::vector<Entry>::const_iterator begin() const { return m_entries.begin(); }
    std::vector<Entry>::const_iterator end() const { return m_entries.end(); }

private:
    std::vector<Entry> m_entries;
    std::map<std::wstring, size_t, std::less<>> m_index;  // key -> entry
};

class IniSection {
public:
    // True and the value copied out when the key exists; otherwise false,
    // and `value` keeps what it held. Keys match exactly, case included.
    bool GetValue(std::wstring_view key, std::wstring& value) const;
    // Inserts the key or replaces its value. Always 1.
    int SetValue(std::wstring_view key, std::wstring_view value);

    std::wstring m_strName;
    IniValueMap m_values;
};

using IniSectionList = std::vector<std::unique_ptr<IniSection>>;

// Sections in file order, duplicates of a name included. Every section is
// allocated on its own, so a pointer to it stays valid until RemoveAll.
class IniDocument {
public:
    // The first section named exactly `name`; one is appended when there is
    // none. Never null.
    IniSection* GetSection(std::wstring_view name);
    IniSection* AppendSection(std::wstring_view name);
    void RemoveAll() { m_sections.clear(); }

    // Adds what `text` holds, read line by line: a line ends at a line feed
    // (a carriage return before it is dropped); a line beginning with "["
    // opens a section named by the line without its first and its last
    // character; up to the first section every other line is skipped; after
    // it, a line with "=" sets the key before the first "=" to the rest. No
    // trimming, no comments. Sections already held stay in front.
    void Parse(std::wstring_view text);

    // The whole document in written form: "[name]" and then "key=value" for
    // each key, every line ending in CR LF; nothing for no sections.
    std::wstring Format() const;

    IniSectionList m_sections;
};

// Bytes on disk. Save writes UTF-8 without a byte-order mark: ASCII text is
// then byte for byte what an 8-bit file would hold, and any other text reads
// back exactly. A lone UTF-16 surrogate, which UTF-8 cannot carry, is written
// as the three bytes its code point would take (as some platforms' file
// names do) so that even such text survives. Load takes a file that begins
// with a UTF-16 byte-order mark (either order) as UTF-16; otherwise it reads
// line by line: a line whose bytes are valid UTF-8 (a leading byte-order mark
// dropped) as UTF-8, any other line as the system's 8-bit code page, through
// the converter the platform gives. So a stray byte spoils only its own line.
// A code-page line whose bytes happen to form valid UTF-8 as well is read as
// UTF-8; for code pages with non-ASCII text this is rare, since their byte
// pairs seldom follow UTF-8's lead/continuation pattern.
using AnsiDecoder = std::function<std::wstring(std::string_view bytes)>;

// UTF-8 (fw::Utf8FromWide).
std::string EncodeIniBytes(std::wstring_view text);
std::wstring DecodeIniBytes(std::string_view bytes, const AnsiDecoder& ansi);

// A line of an 8-bit file that the code page does not read back to the same
// bytes (a stray or cut byte, a zero byte): what it was read as, and its own
// bytes, so that a save can write it back unchanged while its value is.
struct IniRawLine {
    std::wstring section;  // the section line's name, or the section it stands in
    std::wstring key;      // key lines: the key (which may be empty: "=value")
    std::wstring value;    // the value as read (key lines)
    std::string bytes;     // the line's bytes without its line end
    bool isSection = false;
};
using AnsiEncoder = std::function<std::string(std::wstring_view text)>;
// The lines of `bytes` (read as DecodeIniBytes reads them) that are neither
// UTF-8 nor converted back exactly by the code page; none for a UTF-16 file.
std::vector<IniRawLine> FindUndecodableLines(std::string_view bytes, const AnsiDecoder& ansi,
                                             const AnsiEncoder& narrow);
// EncodeIniBytes(doc.Format()), except that a section line, and a key whose
// value is still what it was read as, that came from one of `raw` are
// written as their own bytes.
std::string EncodeIniDocument(const IniDocument& doc, const std::vector<IniRawLine>& raw);
