#include "rows/JsonLine.h"
#include <cwchar>

namespace orlix {

void AppendJsonString(std::wstring& out, std::wstring_view text)
{
    out += L'"';
    for (wchar_t c : text) {
        switch (c) {
        case L'"': out += L"\\\""; break;
        case L'\\': out += L"\\\\"; break;
        case L'\b': out += L"\\b"; break;
        case L'\f': out += L"\\f"; break;
        case L'\n': out += L"\\n"; break;
        case L'\r': out += L"\\r"; break;
        case L'\t': out += L"\\t"; break;
        default:
            if (static_cast<uint32_t>(c) < 0x20) {
                wchar_t code[8];
                std::swprintf(code, 8, L"\\u%04x", static_cast<unsigned>(c));
                out += code;
            } else {
                out += c;
            }
        }
    }
    out += L'"';
}

std::wstring FormatJsonLine(const JsonTime& t, std::optional<uint32_t> pid,
                            std::wstring_view process, std::wstring_view text)
{
    wchar_t head[96];
    std::swprintf(head, 96, L"{\"time\":\"%04u-%02u-%02uT%02u:%02u:%02u.%03u\",\"pid\":",
                  unsigned(t.year), unsigned(t.month), unsigned(t.day), unsigned(t.hour),
                  unsigned(t.minute), unsigned(t.second), unsigned(t.millisecond));
    std::wstring line = head;
    line += pid ? std::to_wstring(*pid) : std::wstring(L"null");
    line += L',';
    line.reserve(line.size() + process.size() + text.size() + 32);
    line += L"\"process\":";
    AppendJsonString(line, process);
    line += L",\"text\":";
    AppendJsonString(line, text);
    line += L"}\n";
    return line;
}

} // namespace orlix
