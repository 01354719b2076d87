// The relay's wire format: exactly 1024 bytes, the text in the ANSI code
// page from the first byte, zero padded, no header. Platform-free, given the
// code-page converters.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace orlix {

constexpr size_t kDatagramBytes = 1024;
constexpr unsigned short kBroadcastPort = 5050;

using ToNarrow = std::function<std::string(std::wstring_view)>;
using ToWide = std::function<std::wstring(std::string_view)>;

// Fills out[kDatagramBytes]: the longest whole-character prefix of the text
// whose bytes fit, then zeros.
void EncodeDatagram(std::wstring_view text, char* out, const ToNarrow& narrow);
// The text of a datagram: its bytes up to the first zero, or all of them.
std::wstring DecodeDatagram(const char* data, size_t size, const ToWide& wide);

// The same with the system's ANSI code page (Windows builds).
void EncodeDatagram(std::wstring_view text, char* out);
std::wstring DecodeDatagram(const char* data, size_t size);

} // namespace orlix
