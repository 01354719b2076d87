#include "i18n/MenuTemplate.h"

namespace orlix {
namespace {

class Reader {
public:
    Reader(const unsigned char* d, size_t n) : m_d(d), m_n(n) {}
    bool Word(uint16_t& w)
    {
        if (m_pos + 2 > m_n)
            return false;
        w = static_cast<uint16_t>(m_d[m_pos] | (m_d[m_pos + 1] << 8));
        m_pos += 2;
        return true;
    }
    bool Text(std::wstring& s)
    {
        s.clear();
        for (;;) {
            uint16_t c;
            if (!Word(c))
                return false;
            if (c == 0)
                return true;
            if (s.size() < kMenuTextUnits)
                s += static_cast<wchar_t>(c);
        }
    }
    bool Skip(size_t n)
    {
        if (m_pos + n > m_n)
            return false;
        m_pos += n;
        return true;
    }

private:
    const unsigned char* m_d;
    size_t m_n;
    size_t m_pos = 0;
};

// One level: items until the one carrying the end flag.
bool WalkLevel(Reader& r, std::vector<unsigned>& path, std::vector<MenuTemplateAction>& out)
{
    if (path.size() >= kMenuMaxLevels)
        return false;
    for (unsigned position = 0;; ++position) {
        uint16_t flags = 0, id = 0;
        if (!r.Word(flags))
            return false;
        bool popup = (flags & kMenuPopupFlag) != 0;
        if (!popup && !r.Word(id))
            return false;
        MenuTemplateAction a;
        if (!r.Text(a.text))
            return false;
        a.popup = popup;
        a.commandId = id;
        if (popup) {
            path.push_back(position);
            a.path = path;
            out.push_back(a);
            bool ok = WalkLevel(r, path, out);
            path.pop_back();
            if (!ok)
                return false;
        } else {
            out.push_back(std::move(a));
        }
        if (flags & kMenuEndFlag)
            return true;
    }
}

} // namespace

std::vector<MenuTemplateAction> WalkMenuTemplate(const unsigned char* data, size_t size)
{
    std::vector<MenuTemplateAction> out;
    Reader r(data, size);
    uint16_t version = 0, headerSize = 0;
    if (!r.Word(version) || !r.Word(headerSize) || version != 0 || !r.Skip(headerSize))
        return out;
    std::vector<unsigned> path;
    WalkLevel(r, path, out);
    return out;
}

} // namespace orlix
