// The walk of a menu template (the bytes of a menu resource).
//
// An input whose first byte is even is walked as it is, and the actions
// are checked for their limits and their order. One whose first byte is odd
// describes a menu: it is written out as a template (possibly cut short),
// and the walk must give back exactly the items written before the cut.
#include "i18n/MenuTemplate.h"

#include "FuzzSupport.h"

#include <memory>
#include <string>
#include <vector>

using namespace orlix;

namespace {

std::vector<MenuTemplateAction> Walk(const uint8_t* data, size_t size)
{
    // Exactly the given bytes, so a read past them is caught.
    std::unique_ptr<unsigned char[]> copy(new unsigned char[size ? size : 1]);
    std::copy(data, data + size, copy.get());
    return WalkMenuTemplate(copy.get(), size);
}

bool Same(const MenuTemplateAction& a, const MenuTemplateAction& b)
{
    return a.popup == b.popup && a.path == b.path && a.commandId == b.commandId
        && a.text == b.text;
}

void CheckLimits(const std::vector<MenuTemplateAction>& actions, size_t size)
{
    // Every item takes at least a flags word and a terminator.
    FUZZ_CHECK(actions.size() <= size / 4);
    const std::vector<unsigned>* previous = nullptr;  // the last popup's path
    for (const auto& a : actions) {
        FUZZ_CHECK(a.text.size() <= kMenuTextUnits);
        for (wchar_t c : a.text)
            FUZZ_CHECK(c != 0 && static_cast<uint32_t>(c) <= 0xFFFF);
        if (!a.popup) {
            FUZZ_CHECK(a.path.empty());
            continue;
        }
        FUZZ_CHECK(a.commandId == 0);
        FUZZ_CHECK(!a.path.empty() && a.path.size() <= kMenuMaxLevels);
        // Popups come in depth-first order: each is a child of the last
        // popup or of one of its ancestors, after what came before it there.
        if (!previous) {
            FUZZ_CHECK(a.path.size() == 1);
        } else {
            const size_t depth = a.path.size() - 1;  // its parent's depth
            FUZZ_CHECK(depth <= previous->size());
            for (size_t i = 0; i < depth; ++i)
                FUZZ_CHECK(a.path[i] == (*previous)[i]);
            if (depth < previous->size())
                FUZZ_CHECK(a.path[depth] > (*previous)[depth]);
        }
        previous = &a.path;
    }
}

void CheckRaw(const uint8_t* data, size_t size)
{
    const auto actions = Walk(data, size);
    CheckLimits(actions, size);
    // Cut short, the same bytes give a prefix of the same actions.
    const size_t cut = size ? data[size - 1] % (size + 1) : 0;
    const auto shorter = Walk(data, cut);
    FUZZ_CHECK(shorter.size() <= actions.size());
    for (size_t i = 0; i < shorter.size(); ++i)
        FUZZ_CHECK(Same(shorter[i], actions[i]));
}

// A menu written from the provider, with the actions a walk should give.
class Writer {
public:
    explicit Writer(FuzzedDataProvider& p) : m_p(p) {}

    void Header(uint16_t version, uint16_t headerSize)
    {
        Word(version);
        Word(headerSize);
        for (uint16_t i = 0; i < headerSize; ++i)
            m_bytes.push_back(m_p.ConsumeIntegral<uint8_t>());
    }

    void Level(std::vector<unsigned>& path)
    {
        const unsigned count = m_p.ConsumeIntegralInRange(1u, 5u);
        for (unsigned position = 0; position < count && !m_stopped; ++position) {
            const bool last = position + 1 == count;
            const bool popup = m_items < 400 && m_p.ConsumeIntegralInRange(0, 2) == 2;
            // Flag bits the walk does not look at vary too.
            uint16_t flags = m_p.ConsumeIntegral<uint16_t>();
            flags = static_cast<uint16_t>(flags & ~(kMenuPopupFlag | kMenuEndFlag));
            if (popup)
                flags |= kMenuPopupFlag;
            if (last)
                flags |= kMenuEndFlag;
            Word(flags);
            MenuTemplateAction a;
            a.popup = popup;
            if (!popup) {
                a.commandId = m_p.ConsumeIntegral<uint16_t>();
                Word(a.commandId);
            }
            const std::wstring text = Text();
            for (wchar_t c : text)
                Word(static_cast<uint16_t>(c));
            Word(0);
            a.text = text.substr(0, kMenuTextUnits);
            ++m_items;
            if (popup) {
                path.push_back(position);
                a.path = path;
                m_expected.push_back({ std::move(a), m_bytes.size() });
                // A popup deeper than the limit ends the walk.
                if (path.size() > kMenuMaxLevels - 1)
                    m_stopped = true;
                else
                    Level(path);
                path.pop_back();
            } else {
                m_expected.push_back({ std::move(a), m_bytes.size() });
            }
        }
    }

    // Depth is what the provider's bytes run out on, so deep menus need
    // a way in that costs little input.
    void DeepChain(unsigned levels)
    {
        std::vector<unsigned> path;
        for (unsigned d = 0; d < levels && !m_stopped; ++d) {
            Word(kMenuPopupFlag | kMenuEndFlag);
            Word(L'A' + d % 26);
            Word(0);
            MenuTemplateAction a;
            a.popup = true;
            a.text = std::wstring(1, static_cast<wchar_t>(L'A' + d % 26));
            path.push_back(0);
            a.path = path;
            m_expected.push_back({ std::move(a), m_bytes.size() });
            if (path.size() > kMenuMaxLevels - 1)
                m_stopped = true;
        }
        if (!m_stopped) {
            std::vector<unsigned> inner = path;
            Level(inner);
        }
    }

    struct Expected {
        MenuTemplateAction action;
        size_t end;  // bytes read when the action is complete
    };
    std::vector<uint8_t> m_bytes;
    std::vector<Expected> m_expected;

private:
    void Word(uint16_t w)
    {
        m_bytes.push_back(static_cast<uint8_t>(w & 0xFF));
        m_bytes.push_back(static_cast<uint8_t>(w >> 8));
    }

    std::wstring Text()
    {
        std::wstring text;
        if (m_p.ConsumeIntegralInRange(0, 31) == 31) {
            // Longer than the walk keeps.
            const size_t n = m_p.ConsumeIntegralInRange<size_t>(kMenuTextUnits - 2,
                                                               kMenuTextUnits + 40);
            const auto unit = static_cast<wchar_t>(m_p.ConsumeIntegralInRange<uint16_t>(1, 0xFFFF));
            return std::wstring(n, unit);
        }
        const size_t n = m_p.ConsumeIntegralInRange<size_t>(0, 12);
        for (size_t i = 0; i < n; ++i)
            text += static_cast<wchar_t>(m_p.ConsumeIntegralInRange<uint16_t>(1, 0xFFFF));
        return text;
    }

    FuzzedDataProvider& m_p;
    bool m_stopped = false;
    unsigned m_items = 0;
};

void CheckWritten(const uint8_t* data, size_t size)
{
    FuzzedDataProvider p(data, size);
    Writer w(p);
    const bool badVersion = p.ConsumeIntegralInRange(0, 15) == 15;
    const uint16_t version = badVersion ? p.ConsumeIntegralInRange<uint16_t>(1, 0xFFFF) : 0;
    w.Header(version, p.ConsumeIntegralInRange<uint16_t>(0, 8));
    const size_t header = w.m_bytes.size();
    if (p.ConsumeIntegralInRange(0, 3) == 3) {
        w.DeepChain(p.ConsumeIntegralInRange(1u, 40u));
    } else {
        std::vector<unsigned> path;
        w.Level(path);
    }
    const size_t whole = w.m_bytes.size();
    // Whatever follows the menu is not read.
    const size_t trailing = p.ConsumeIntegralInRange<size_t>(0, 6);
    for (size_t i = 0; i < trailing; ++i)
        w.m_bytes.push_back(p.ConsumeIntegral<uint8_t>());
    // Mostly whole; sometimes cut anywhere inside the menu.
    const size_t cut = p.ConsumeIntegralInRange(0, 2) != 2
                         ? w.m_bytes.size()
                         : p.ConsumeIntegralInRange<size_t>(0, whole);

    const auto actions = Walk(w.m_bytes.data(), cut);
    CheckLimits(actions, cut);
    std::vector<MenuTemplateAction> expected;
    if (!badVersion && cut >= header)
        for (const auto& e : w.m_expected) {
            if (e.end > cut)
                break;
            expected.push_back(e.action);
        }
    FUZZ_CHECK(actions.size() == expected.size());
    for (size_t i = 0; i < actions.size(); ++i)
        FUZZ_CHECK(Same(actions[i], expected[i]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    if (data[0] & 1)
        CheckWritten(data + 1, size - 1);
    else
        CheckRaw(data + 1, size - 1);
    return 0;
}
