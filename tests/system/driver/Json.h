// JSON for the test programs: a small value type, a strict parser and a
// writer. Strings are UTF-16 (std::wstring) so that anything a window can
// hold, lone surrogates included, survives a round trip: \uXXXX escapes are
// taken as UTF-16 code units, and the writer emits valid pairs as UTF-8 and
// lone surrogates as \u escapes. Lines go through ReadFile/WriteFile on the
// standard handles, which are pipes when a test runs the program.
#pragma once

#include <windows.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orlixtest {

class Json {
public:
    enum class Type { Null, Bool, Int, Real, String, Array, Object };

    Json() = default;
    Json(bool b) : type_(Type::Bool), bool_(b) {}
    Json(int v) : type_(Type::Int), int_(v) {}
    Json(unsigned v) : type_(Type::Int), int_(v) {}
    Json(long v) : type_(Type::Int), int_(v) {}
    Json(unsigned long v) : type_(Type::Int), int_(static_cast<long long>(v)) {}
    Json(long long v) : type_(Type::Int), int_(v) {}
    Json(unsigned long long v) : type_(Type::Int), int_(static_cast<long long>(v)) {}
    Json(double v) : type_(Type::Real), real_(v) {}
    Json(std::wstring s) : type_(Type::String), str_(std::move(s)) {}
    Json(const wchar_t* s) : type_(Type::String), str_(s ? s : L"") {}
    Json(HWND h) : type_(Type::Int), int_(static_cast<long long>(reinterpret_cast<UINT_PTR>(h))) {}

    static Json Array() { Json j; j.type_ = Type::Array; return j; }
    static Json Object() { Json j; j.type_ = Type::Object; return j; }

    Type type() const { return type_; }
    bool IsNull() const { return type_ == Type::Null; }
    bool IsBool() const { return type_ == Type::Bool; }
    bool IsString() const { return type_ == Type::String; }
    bool IsArray() const { return type_ == Type::Array; }
    bool IsObject() const { return type_ == Type::Object; }
    bool IsNumber() const { return type_ == Type::Int || type_ == Type::Real; }

    bool AsBool() const { return bool_; }
    const std::wstring& AsString() const { return str_; }
    const std::vector<Json>& Items() const { return items_; }
    const std::vector<std::pair<std::wstring, Json>>& Members() const { return members_; }

    // An integer, or a real without a fraction that fits: what a caller
    // passing a count or a handle may reasonably send.
    bool AsInteger(long long& v) const
    {
        if (type_ == Type::Int) {
            v = int_;
            return true;
        }
        if (type_ == Type::Real && std::isfinite(real_) && std::floor(real_) == real_ &&
            std::fabs(real_) < 9.0e18) {
            v = static_cast<long long>(real_);
            return true;
        }
        return false;
    }
    double AsReal() const { return type_ == Type::Int ? static_cast<double>(int_) : real_; }

    Json& Push(Json v)
    {
        items_.push_back(std::move(v));
        return *this;
    }
    Json& Set(std::wstring key, Json v)
    {
        members_.emplace_back(std::move(key), std::move(v));
        return *this;
    }
    const Json* Find(std::wstring_view key) const
    {
        for (const auto& m : members_)
            if (m.first == key)
                return &m.second;
        return nullptr;
    }

private:
    Type type_ = Type::Null;
    bool bool_ = false;
    long long int_ = 0;
    double real_ = 0;
    std::wstring str_;
    std::vector<Json> items_;
    std::vector<std::pair<std::wstring, Json>> members_;
};

// ------------------------------------------------------------------ text ---

inline std::wstring Utf8ToWide(std::string_view s)
{
    if (s.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n > 0 ? n : 0, L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

inline std::wstring AnsiToWide(std::string_view s, UINT codePage = CP_ACP)
{
    if (s.empty())
        return {};
    int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n > 0 ? n : 0, L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

inline std::string WideToAnsi(std::wstring_view s, UINT codePage = CP_ACP)
{
    if (s.empty())
        return {};
    int n = WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string a(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), &a[0], n, nullptr,
                            nullptr);
    return a;
}

// --------------------------------------------------------------- writing ---

inline void AppendUtf8(std::string& out, unsigned cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

inline void AppendEscapedUnit(std::string& out, unsigned unit)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04X", unit & 0xFFFF);
    out += buf;
}

inline void AppendJsonString(std::string& out, std::wstring_view s)
{
    out += '"';
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned c = static_cast<unsigned>(s[i]) & 0xFFFF;
        switch (c) {
        case '"': out += "\\\""; continue;
        case '\\': out += "\\\\"; continue;
        case '\b': out += "\\b"; continue;
        case '\f': out += "\\f"; continue;
        case '\n': out += "\\n"; continue;
        case '\r': out += "\\r"; continue;
        case '\t': out += "\\t"; continue;
        default: break;
        }
        if (c < 0x20) {
            AppendEscapedUnit(out, c);
        } else if (c >= 0xD800 && c <= 0xDBFF) {
            unsigned next = i + 1 < s.size() ? static_cast<unsigned>(s[i + 1]) & 0xFFFF : 0;
            if (next >= 0xDC00 && next <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00));
                ++i;
            } else {
                AppendEscapedUnit(out, c);
            }
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            AppendEscapedUnit(out, c);
        } else {
            AppendUtf8(out, c);
        }
    }
    out += '"';
}

inline void AppendJson(std::string& out, const Json& v)
{
    switch (v.type()) {
    case Json::Type::Null: out += "null"; break;
    case Json::Type::Bool: out += v.AsBool() ? "true" : "false"; break;
    case Json::Type::Int: {
        long long n = 0;
        v.AsInteger(n);
        out += std::to_string(n);
        break;
    }
    case Json::Type::Real: {
        double d = v.AsReal();
        if (!std::isfinite(d)) {
            out += "null";
            break;
        }
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.12g", d);
        out += buf;
        break;
    }
    case Json::Type::String: AppendJsonString(out, v.AsString()); break;
    case Json::Type::Array: {
        out += '[';
        bool first = true;
        for (const auto& item : v.Items()) {
            if (!first)
                out += ',';
            first = false;
            AppendJson(out, item);
        }
        out += ']';
        break;
    }
    case Json::Type::Object: {
        out += '{';
        bool first = true;
        for (const auto& m : v.Members()) {
            if (!first)
                out += ',';
            first = false;
            AppendJsonString(out, m.first);
            out += ':';
            AppendJson(out, m.second);
        }
        out += '}';
        break;
    }
    }
}

inline std::string ToJson(const Json& v)
{
    std::string out;
    AppendJson(out, v);
    return out;
}

// ---------------------------------------------------------------- parsing ---

class JsonParser {
public:
    explicit JsonParser(std::wstring_view text) : s_(text) {}

    bool Parse(Json& out, std::wstring& error)
    {
        SkipSpace();
        if (!Value(out, 0)) {
            error = error_ + L" at offset " + std::to_wstring(pos_);
            return false;
        }
        SkipSpace();
        if (pos_ != s_.size()) {
            error = L"trailing characters at offset " + std::to_wstring(pos_);
            return false;
        }
        return true;
    }

private:
    static constexpr int kMaxDepth = 64;

    bool Fail(const wchar_t* what)
    {
        error_ = what;
        return false;
    }
    void SkipSpace()
    {
        while (pos_ < s_.size() &&
               (s_[pos_] == L' ' || s_[pos_] == L'\t' || s_[pos_] == L'\r' || s_[pos_] == L'\n'))
            ++pos_;
    }
    bool Literal(std::wstring_view word)
    {
        if (s_.substr(pos_, word.size()) != word)
            return false;
        pos_ += word.size();
        return true;
    }

    bool Value(Json& out, int depth)
    {
        if (depth > kMaxDepth)
            return Fail(L"nesting too deep");
        if (pos_ >= s_.size())
            return Fail(L"unexpected end");
        wchar_t c = s_[pos_];
        if (c == L'"') {
            std::wstring str;
            if (!String(str))
                return false;
            out = Json(std::move(str));
            return true;
        }
        if (c == L'[')
            return ArrayValue(out, depth);
        if (c == L'{')
            return ObjectValue(out, depth);
        if (c == L'-' || (c >= L'0' && c <= L'9'))
            return Number(out);
        if (Literal(L"true")) {
            out = Json(true);
            return true;
        }
        if (Literal(L"false")) {
            out = Json(false);
            return true;
        }
        if (Literal(L"null")) {
            out = Json();
            return true;
        }
        return Fail(L"unexpected character");
    }

    bool ArrayValue(Json& out, int depth)
    {
        ++pos_;
        out = Json::Array();
        SkipSpace();
        if (pos_ < s_.size() && s_[pos_] == L']') {
            ++pos_;
            return true;
        }
        for (;;) {
            Json item;
            SkipSpace();
            if (!Value(item, depth + 1))
                return false;
            out.Push(std::move(item));
            SkipSpace();
            if (pos_ >= s_.size())
                return Fail(L"unterminated array");
            if (s_[pos_] == L',') {
                ++pos_;
                continue;
            }
            if (s_[pos_] == L']') {
                ++pos_;
                return true;
            }
            return Fail(L"expected , or ] in array");
        }
    }

    bool ObjectValue(Json& out, int depth)
    {
        ++pos_;
        out = Json::Object();
        SkipSpace();
        if (pos_ < s_.size() && s_[pos_] == L'}') {
            ++pos_;
            return true;
        }
        for (;;) {
            SkipSpace();
            if (pos_ >= s_.size() || s_[pos_] != L'"')
                return Fail(L"expected a member name");
            std::wstring key;
            if (!String(key))
                return false;
            SkipSpace();
            if (pos_ >= s_.size() || s_[pos_] != L':')
                return Fail(L"expected :");
            ++pos_;
            SkipSpace();
            Json value;
            if (!Value(value, depth + 1))
                return false;
            out.Set(std::move(key), std::move(value));
            SkipSpace();
            if (pos_ >= s_.size())
                return Fail(L"unterminated object");
            if (s_[pos_] == L',') {
                ++pos_;
                continue;
            }
            if (s_[pos_] == L'}') {
                ++pos_;
                return true;
            }
            return Fail(L"expected , or } in object");
        }
    }

    static int HexDigit(wchar_t c)
    {
        if (c >= L'0' && c <= L'9')
            return c - L'0';
        if (c >= L'a' && c <= L'f')
            return c - L'a' + 10;
        if (c >= L'A' && c <= L'F')
            return c - L'A' + 10;
        return -1;
    }

    bool String(std::wstring& out)
    {
        ++pos_;
        for (;;) {
            if (pos_ >= s_.size())
                return Fail(L"unterminated string");
            wchar_t c = s_[pos_++];
            if (c == L'"')
                return true;
            if (static_cast<unsigned>(c) < 0x20)
                return Fail(L"control character in string");
            if (c != L'\\') {
                out += c;
                continue;
            }
            if (pos_ >= s_.size())
                return Fail(L"unterminated escape");
            wchar_t e = s_[pos_++];
            switch (e) {
            case L'"': out += L'"'; break;
            case L'\\': out += L'\\'; break;
            case L'/': out += L'/'; break;
            case L'b': out += L'\b'; break;
            case L'f': out += L'\f'; break;
            case L'n': out += L'\n'; break;
            case L'r': out += L'\r'; break;
            case L't': out += L'\t'; break;
            case L'u': {
                if (pos_ + 4 > s_.size())
                    return Fail(L"short \\u escape");
                unsigned unit = 0;
                for (int i = 0; i < 4; ++i) {
                    int d = HexDigit(s_[pos_++]);
                    if (d < 0)
                        return Fail(L"bad \\u escape");
                    unit = unit * 16 + static_cast<unsigned>(d);
                }
                // UTF-16 storage: a pair written as two escapes becomes the
                // pair again, a lone surrogate stays what it was.
                out += static_cast<wchar_t>(unit);
                break;
            }
            default: return Fail(L"bad escape");
            }
        }
    }

    bool Number(Json& out)
    {
        size_t start = pos_;
        bool integral = true;
        if (s_[pos_] == L'-')
            ++pos_;
        size_t digits = pos_;
        while (pos_ < s_.size() && s_[pos_] >= L'0' && s_[pos_] <= L'9')
            ++pos_;
        if (pos_ == digits)
            return Fail(L"bad number");
        if (pos_ < s_.size() && s_[pos_] == L'.') {
            integral = false;
            size_t frac = ++pos_;
            while (pos_ < s_.size() && s_[pos_] >= L'0' && s_[pos_] <= L'9')
                ++pos_;
            if (pos_ == frac)
                return Fail(L"bad number");
        }
        if (pos_ < s_.size() && (s_[pos_] == L'e' || s_[pos_] == L'E')) {
            integral = false;
            ++pos_;
            if (pos_ < s_.size() && (s_[pos_] == L'+' || s_[pos_] == L'-'))
                ++pos_;
            size_t exp = pos_;
            while (pos_ < s_.size() && s_[pos_] >= L'0' && s_[pos_] <= L'9')
                ++pos_;
            if (pos_ == exp)
                return Fail(L"bad number");
        }
        std::string ascii;
        for (size_t i = start; i < pos_; ++i)
            ascii += static_cast<char>(s_[i]);
        if (integral) {
            errno = 0;
            char* end = nullptr;
            long long v = std::strtoll(ascii.c_str(), &end, 10);
            if (errno == 0 && end && *end == '\0') {
                out = Json(v);
                return true;
            }
        }
        out = Json(std::strtod(ascii.c_str(), nullptr));
        return true;
    }

    std::wstring_view s_;
    size_t pos_ = 0;
    std::wstring error_;
};

inline bool ParseJson(std::wstring_view text, Json& out, std::wstring& error)
{
    return JsonParser(text).Parse(out, error);
}

// --------------------------------------------------------------- std I/O ---

// Writes one line (a newline is added) to a standard handle, whole.
inline bool WriteLine(HANDLE h, const std::string& line)
{
    std::string data = line + "\n";
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        DWORD chunk = left > 0x10000 ? 0x10000 : static_cast<DWORD>(left);
        DWORD done = 0;
        if (!WriteFile(h, p, chunk, &done, nullptr) || done == 0)
            return false;
        p += done;
        left -= done;
    }
    return true;
}

inline bool WriteJsonLine(const Json& v)
{
    return WriteLine(GetStdHandle(STD_OUTPUT_HANDLE), ToJson(v));
}

// Splits a byte stream into lines (LF or CRLF); the last line may lack its LF.
class StdinLines {
public:
    explicit StdinLines(HANDLE h) : h_(h) {}

    bool Next(std::string& line)
    {
        for (;;) {
            size_t nl = buf_.find('\n', scan_);
            if (nl != std::string::npos) {
                line.assign(buf_, 0, nl);
                buf_.erase(0, nl + 1);
                scan_ = 0;
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                return true;
            }
            scan_ = buf_.size();
            if (eof_) {
                if (buf_.empty())
                    return false;
                line.swap(buf_);
                buf_.clear();
                scan_ = 0;
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                return true;
            }
            char chunk[65536];
            DWORD got = 0;
            if (!ReadFile(h_, chunk, sizeof chunk, &got, nullptr) || got == 0)
                eof_ = true;
            else
                buf_.append(chunk, got);
        }
    }

private:
    HANDLE h_;
    std::string buf_;
    size_t scan_ = 0;
    bool eof_ = false;
};

}  // namespace orlixtest
