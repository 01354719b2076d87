// The text of a followed log file, platform-free: which encoding it is in,
// its bytes cut into lines as they arrive (a partial last line held back),
// and where its last N lines begin, found by reading blocks from the end.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlix {

enum class FileEncoding {
    Narrow,     // no byte-order mark: UTF-8 when its text is, else the ANSI code page
    Utf8Bom,    // EF BB BF
    Utf16Le,    // FF FE
};

struct DetectedEncoding {
    FileEncoding encoding = FileEncoding::Narrow;
    size_t bomBytes = 0;   // where the text starts
};

// The encoding from a file's first bytes; nothing while `head` could still
// be the start of a byte-order mark and the file may grow (`complete`
// false).
std::optional<DetectedEncoding> DetectEncoding(std::string_view head, bool complete);

// Bytes in, lines out: CR LF, LF and CR end a line (a CR at the end of one
// piece of bytes ends its line at once: an LF that opens the next piece is
// then no empty line). What follows the last line end is held until its end
// comes or Flush is called.
class LineSplitter {
public:
    using Ansi = std::function<std::wstring(std::string_view)>;

    // `tryUtf8`: narrow text of a file whose encoding is not yet known is
    // read as UTF-8 when valid (the UTF-8 option); the first line that is
    // not ASCII decides for the rest of the file either way.
    LineSplitter(FileEncoding encoding, bool tryUtf8, Ansi ansi);

    void Feed(std::string_view bytes, std::vector<std::wstring>& out);
    // The held partial line becomes a line; false when none was held. A
    // line end that comes next ends that line, not an empty one.
    bool Flush(std::vector<std::wstring>& out);
    bool HasPartial() const { return !m_partial.empty(); }
    FileEncoding Encoding() const { return m_encoding; }

private:
    void EndLine(std::vector<std::wstring>& out);
    std::wstring Decode(std::string_view bytes);

    FileEncoding m_encoding;
    bool m_tryUtf8;
    std::optional<bool> m_utf8;   // narrow files: decided by the first non-ASCII line
    Ansi m_ansi;
    std::string m_partial;        // bytes of the unfinished line
    std::string m_oddByte;        // UTF-16: half a unit
    bool m_afterCr = false;
    bool m_afterFlush = false;
};

// The offset (bytes) where the last `lines` lines of a file begin: blocks
// are read backwards from `size` with `read(offset, buffer, count)` (which
// returns the bytes it read) until enough line ends are found, never before
// `textStart` (the byte-order mark's end). `unitBytes` is 2 for UTF-16.
// `bytesRead`, when given, counts what was read.
uint64_t FindTailStart(uint64_t size, uint64_t textStart, size_t lines, size_t unitBytes,
                       const std::function<size_t(uint64_t, char*, size_t)>& read,
                       uint64_t* bytesRead = nullptr);

} // namespace orlix
