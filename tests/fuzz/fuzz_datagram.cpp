// The relay datagram: decoding what arrives from the network, and encoding
// the text this viewer relays, under stand-in code-page converters.
//
// The first byte picks the converter; the rest is both the datagram (bytes)
// and the text to relay (UTF-16 units, two bytes each).
#include "rows/Datagram.h"
#include "framework/Utf16.h"

#include "FuzzSupport.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace orlix;

namespace {

bool IsHigh(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// One 16-bit unit in UTF-8's byte pattern, surrogates too (1 to 3 bytes).
void AppendUnit(std::string& s, char32_t c)
{
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Stand-in code pages. Each gives more bytes for a longer prefix of the
// same text, as real ones do.
enum class Page { kEveryUnit, kDoubleByte, kPairs, kCount };

std::string Narrow(Page page, std::wstring_view w)
{
    std::string s;
    for (size_t i = 0; i < w.size(); ++i) {
        const char32_t c = static_cast<char32_t>(w[i]) & 0xFFFF;
        switch (page) {
        case Page::kEveryUnit:  // every unit on its own, surrogates too
            AppendUnit(s, c);
            break;
        case Page::kDoubleByte:  // ASCII one byte, the rest two (lossy)
            if (c < 0x80) {
                s += static_cast<char>(c);
            } else {
                s += static_cast<char>(0x80 | ((c >> 8) & 0x7F));
                s += static_cast<char>(0x80 | (c & 0x7F));
            }
            break;
        default:  // pairs joined, a lone surrogate becomes "?"
            if (IsHigh(w[i]) && i + 1 < w.size() && IsLow(w[i + 1])) {
                fw::AppendUtf8(s, 0x10000 + ((c - 0xD800) << 10) + ((w[i + 1] & 0xFFFF) - 0xDC00));
                ++i;
            } else if (IsHigh(w[i]) || IsLow(w[i])) {
                s += '?';
            } else {
                fw::AppendUtf8(s, c);
            }
            break;
        }
    }
    return s;
}

// The inverse of kEveryUnit for what it writes; anything else unit by unit.
std::wstring WideEveryUnit(std::string_view s)
{
    std::wstring w;
    for (size_t i = 0; i < s.size();) {
        const unsigned b = static_cast<unsigned char>(s[i]);
        size_t len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : 0;
        if (len == 0 || s.size() - i < len) {
            w += static_cast<wchar_t>(0xFFFD);
            ++i;
            continue;
        }
        char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : (b & 0x0F);
        for (size_t k = 1; k < len; ++k)
            c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        w += static_cast<wchar_t>(c);
        i += len;
    }
    return w;
}

std::wstring Latin1(std::string_view s)
{
    std::wstring w;
    for (char c : s)
        w += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return w;
}

size_t Utf8Length(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

// Narrow(page, text.substr(0, k)).size() for every k, in one pass. Each
// grows with k, so the prefixes that fit are those up to some length.
std::vector<size_t> PrefixBytes(Page page, std::wstring_view text)
{
    std::vector<size_t> lengths(1, 0);
    bool openHigh = false;  // kPairs: the last unit is a high surrogate written as "?"
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t c = static_cast<char32_t>(text[i]) & 0xFFFF;
        size_t n = lengths.back();
        switch (page) {
        case Page::kEveryUnit: n += Utf8Length(c); break;
        case Page::kDoubleByte: n += c < 0x80 ? 1 : 2; break;
        default:
            if (openHigh && IsLow(text[i])) {
                n += 3;  // "?" becomes the pair's four bytes
                openHigh = false;
            } else {
                n += IsHigh(text[i]) || IsLow(text[i]) ? 1 : Utf8Length(c);
                openHigh = IsHigh(text[i]);
            }
            break;
        }
        FUZZ_CHECK(n >= lengths.back());
        lengths.push_back(n);
    }
    return lengths;
}

void CheckDecode(const uint8_t* body, size_t size)
{
    // Exactly the bytes received, so a read past them is caught.
    std::unique_ptr<char[]> buf(new char[size ? size : 1]);
    if (size)
        std::memcpy(buf.get(), body, size);

    const size_t limit = size < kDatagramBytes ? size : kDatagramBytes;
    const void* nul = std::memchr(buf.get(), 0, limit);
    const size_t expected = nul ? static_cast<size_t>(static_cast<const char*>(nul) - buf.get())
                                : limit;
    int calls = 0;
    const std::wstring text = DecodeDatagram(buf.get(), size, [&](std::string_view b) {
        ++calls;
        FUZZ_CHECK(b.data() == buf.get());
        FUZZ_CHECK(b.size() == expected);
        return Latin1(b);
    });
    FUZZ_CHECK(calls == 1);
    FUZZ_CHECK(text.size() == expected);
    FUZZ_CHECK(text.size() <= kDatagramBytes);
    for (size_t i = 0; i < text.size(); ++i)
        FUZZ_CHECK(text[i] == static_cast<wchar_t>(static_cast<unsigned char>(buf[i])));
}

void CheckEncode(Page page, std::wstring_view text)
{
    const auto narrow = [page](std::wstring_view w) { return Narrow(page, w); };
    // The longest prefix whose bytes fit.
    const std::vector<size_t> lengths = PrefixBytes(page, text);
    FUZZ_CHECK(lengths.back() == Narrow(page, text).size());
    size_t longest = 0;
    while (longest < text.size() && lengths[longest + 1] <= kDatagramBytes)
        ++longest;

    std::unique_ptr<char[]> out(new char[kDatagramBytes]);
    std::memset(out.get(), 0x5A, kDatagramBytes);
    EncodeDatagram(text, out.get(), narrow);

    // The datagram holds the bytes of some prefix, then zeros only.
    auto matches = [&](size_t k) {
        const std::string b = Narrow(page, text.substr(0, k));
        if (b.size() > kDatagramBytes || std::memcmp(out.get(), b.data(), b.size()) != 0)
            return false;
        for (size_t i = b.size(); i < kDatagramBytes; ++i)
            if (out[i] != 0)
                return false;
        return true;
    };
    size_t kept = longest;
    if (!matches(longest)) {
        // A 16-bit wchar_t never ends the prefix inside a surrogate pair.
        FUZZ_CHECK(sizeof(wchar_t) == 2 && longest > 0 && IsHigh(text[longest - 1]));
        kept = longest - 1;
        FUZZ_CHECK(matches(kept));
    }

    // Read back, the datagram gives the prefix up to its first zero unit.
    if (page == Page::kEveryUnit) {
        const std::wstring back = DecodeDatagram(out.get(), kDatagramBytes, WideEveryUnit);
        std::wstring_view prefix = text.substr(0, kept);
        prefix = prefix.substr(0, prefix.find(L'\0'));
        if (back != prefix) {
            fuzz::Dump("relayed", prefix);
            fuzz::Dump("received", back);
            FUZZ_CHECK(back == prefix);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const Page page = static_cast<Page>(data[0] % static_cast<int>(Page::kCount));
    const uint8_t* body = data + 1;
    const size_t bodySize = size - 1;

    CheckDecode(body, bodySize);
    // A shorter read of the same buffer.
    CheckDecode(body, bodySize / 2);
    CheckEncode(page, fuzz::Utf16Units(body, bodySize));
    return 0;
}
