#include "rows/FollowText.h"
#include "rows/Utf8Text.h"
#include "framework/Utf16.h"
#include <algorithm>

namespace orlix {

namespace {

// A line without an end is let through in pieces of this size, so a file
// that holds no line ends never grows the held bytes without bound.
constexpr size_t kMostHeldBytes = size_t{ 1 } << 20;
constexpr size_t kTailBlockBytes = 64 * 1024;

bool IsAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

std::optional<DetectedEncoding> DetectEncoding(std::string_view head, bool complete)
{
    static const std::string_view utf8Bom("\xEF\xBB\xBF", 3), utf16Bom("\xFF\xFE", 2);
    if (head.substr(0, 3) == utf8Bom)
        return DetectedEncoding{ FileEncoding::Utf8Bom, 3 };
    if (head.substr(0, 2) == utf16Bom)
        return DetectedEncoding{ FileEncoding::Utf16Le, 2 };
    const bool couldBeBom = (!head.empty() && head.size() < 3 && utf8Bom.substr(0, head.size()) == head) ||
                            (head.size() == 1 && head[0] == utf16Bom[0]) || head.empty();
    if (couldBeBom && !complete)
        return std::nullopt;
    return DetectedEncoding{ FileEncoding::Narrow, 0 };
}

LineSplitter::LineSplitter(FileEncoding encoding, bool tryUtf8, Ansi ansi)
    : m_encoding(encoding), m_tryUtf8(tryUtf8), m_ansi(std::move(ansi))
{
}

void LineSplitter::Feed(std::string_view bytes, std::vector<std::wstring>& out)
{
    if (m_encoding != FileEncoding::Utf16Le) {
        while (!bytes.empty()) {
            if (m_afterCr && bytes[0] == '\n')
                bytes.remove_prefix(1);
            m_afterCr = false;
            if (m_afterFlush && !bytes.empty() && (bytes[0] == '\r' || bytes[0] == '\n')) {
                m_afterCr = bytes[0] == '\r';
                m_afterFlush = false;
                bytes.remove_prefix(1);
                continue;
            }
            m_afterFlush = false;
            if (bytes.empty())
                return;
            const size_t end = bytes.find_first_of("\r\n", 0, 2);
            const size_t take = std::min(end, bytes.size());
            m_partial.append(bytes.substr(0, take));
            if (end == std::string_view::npos) {
                if (m_partial.size() >= kMostHeldBytes)
                    EndLine(out);
                return;
            }
            m_afterCr = bytes[end] == '\r';
            EndLine(out);
            bytes.remove_prefix(end + 1);
        }
        return;
    }
    for (char b : bytes) {
        m_oddByte += b;
        if (m_oddByte.size() < 2)
            continue;
        const unsigned unit = static_cast<unsigned char>(m_oddByte[0]) |
                              static_cast<unsigned>(static_cast<unsigned char>(m_oddByte[1])) << 8;
        bool skip = m_afterCr && unit == '\n';
        m_afterCr = false;
        if (!skip && m_afterFlush && (unit == '\n' || unit == '\r')) {
            skip = true;
            m_afterCr = unit == '\r';
        }
        m_afterFlush = false;
        if (!skip && (unit == '\n' || unit == '\r')) {
            m_afterCr = unit == '\r';
            EndLine(out);
        } else if (!skip) {
            m_partial += m_oddByte;
            if (m_partial.size() >= kMostHeldBytes)
                EndLine(out);
        }
        m_oddByte.clear();
    }
}

bool LineSplitter::Flush(std::vector<std::wstring>& out)
{
    if (m_partial.empty())
        return false;
    EndLine(out);
    m_afterFlush = true;
    return true;
}

void LineSplitter::EndLine(std::vector<std::wstring>& out)
{
    out.push_back(Decode(m_partial));
    m_partial.clear();
}

std::wstring LineSplitter::Decode(std::string_view bytes)
{
    switch (m_encoding) {
    case FileEncoding::Utf16Le: {
        std::wstring text;
        text.reserve(bytes.size() / 2);
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            char32_t u = static_cast<unsigned char>(bytes[i]) |
                         static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
            if (sizeof(wchar_t) > 2 && fw::IsHighSurrogate(u) && i + 3 < bytes.size()) {
                const char32_t low = static_cast<unsigned char>(bytes[i + 2]) |
                                     static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 3])) << 8;
                if (fw::IsLowSurrogate(low)) {
                    u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
            text += static_cast<wchar_t>(u);
        }
        return text;
    }
    case FileEncoding::Utf8Bom:
        return DecodeNarrowText(bytes, true, m_ansi);
    case FileEncoding::Narrow:
        break;
    }
    if (!m_utf8 && !IsAscii(bytes))
        m_utf8 = IsValidUtf8(bytes);
    return DecodeNarrowText(bytes, m_tryUtf8 || m_utf8.value_or(false), m_ansi);
}

uint64_t FindTailStart(uint64_t size, uint64_t textStart, size_t lines, size_t unitBytes,
                       const std::function<size_t(uint64_t, char*, size_t)>& read,
                       uint64_t* bytesRead)
{
    const uint64_t unit = unitBytes == 2 ? 2 : 1;
    if (size <= textStart)
        return textStart;
    const uint64_t end = textStart + (size - textStart) / unit * unit;
    if (lines == 0)
        return end;
    std::string buffer(kTailBlockBytes, '\0');
    size_t found = 0;
    int next = -1;   // the unit after the one looked at; -1: the end of the file
    uint64_t pos = end;
    while (pos > textStart) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kTailBlockBytes, pos - textStart));
        pos -= n;
        const size_t got = read(pos, &buffer[0], n);
        if (bytesRead)
            *bytesRead += got;
        if (got != n)
            return end;   // the file changed under us: show no old lines
        for (size_t i = n; i >= unit; i -= unit) {
            const size_t at = i - unit;
            int u = static_cast<unsigned char>(buffer[at]);
            if (unit == 2)
                u |= static_cast<unsigned char>(buffer[at + 1]) << 8;
            const bool lineEnd = u == '\n' || (u == '\r' && next != '\n');
            if (lineEnd && next != -1 && ++found == lines)
                return pos + at + unit;
            next = u;
        }
    }
    return textStart;
}

} // namespace orlix
