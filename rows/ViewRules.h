// A view's rules: an ordered list, each enabled or not, that looks at one
// field of a row (its message text, process name or process id) in one way
// (contains, whole word, regular expression, equals; with or without case)
// and does one thing when it matches: include (with any include rule, a view
// shows only rows that match one), exclude, highlight the row, highlight the
// matched text (a token), track (bring the row into sight as it arrives),
// stop (turn auto-scroll off at it) or notify. Compiled once per set; the
// text form is the same in the settings file and in a preset file.
// Platform-free.
#pragma once
#include "rows/TextMatch.h"
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlix {

struct ViewRule {
    enum class Field { Text, Process, Pid };
    enum class Match { Contains, WholeWord, Regex, Equals };
    enum class Action { Include, Exclude, Highlight, Token, Track, Stop, Notify };
    Field field = Field::Text;
    Match match = Match::Contains;
    Action action = Action::Include;
    bool matchCase = false;
    bool enabled = true;
    uint32_t foreground = 0x000000;   // 0x00BBGGRR, as a COLORREF
    uint32_t background = 0x99FFFF;   // light yellow
    std::wstring pattern;

    bool operator==(const ViewRule& o) const
    {
        return field == o.field && match == o.match && action == o.action &&
               matchCase == o.matchCase && enabled == o.enabled &&
               foreground == o.foreground && background == o.background &&
               pattern == o.pattern;
    }
};

// "action,field,match,flags,RRGGBB,RRGGBB,pattern": action one of include,
// exclude, highlight, token, track, stop, notify; field text, process or
// pid; match contains, word, regex or equals; flags "-" or any of c (match
// case) and d (disabled); the pattern is the rest of the line. `why` names
// the part that is wrong.
std::wstring FormatViewRule(const ViewRule& rule);
std::optional<ViewRule> ParseViewRule(std::wstring_view line, std::wstring* why = nullptr);

// A preset file: UTF-8 text, one "key=value" a line; "#" starts a comment
// line. "name=" the view's name (once, optional), "rule=" a rule (as
// FormatViewRule writes it), in order. `error` says which line is wrong and
// why.
struct ViewPreset {
    std::wstring name;
    std::vector<ViewRule> rules;
};
std::string FormatViewPreset(const ViewPreset& preset);
std::optional<ViewPreset> ParseViewPreset(std::string_view bytes, std::wstring* error);

// What the rules make of one row.
struct RowVerdict {
    bool shown = true;
    int highlight = -1;   // the first matching highlight rule, or -1
    bool track = false, stop = false, notify = false;
};

// A span of the message text that a token rule colours.
struct TokenSpan {
    size_t start = 0, length = 0;
    int rule = -1;
};

// The quick filters of a row's context menu, as rules of the view: hiding a
// process adds an exclude rule "pid equals N"; showing only a process makes
// "include pid equals N" the one such include rule; clearing removes the
// include and exclude rules on "pid equals". False when the rules are full.
bool QuickHideProcess(std::vector<ViewRule>& rules, uint32_t pid);
bool QuickShowOnlyProcess(std::vector<ViewRule>& rules, uint32_t pid);
void QuickClear(std::vector<ViewRule>& rules);

class ViewRuleSet {
public:
    static constexpr size_t kMaxRules = 64;

    // Whether a rule can be kept: its pattern compiles, and a rule matched
    // against every row does not run on too long over lines built to
    // provoke it.
    enum class Check { Ok, Invalid, TooComplex };
    static Check CheckRule(const ViewRule& rule, std::wstring* why = nullptr);

    // Takes the rules (at most kMaxRules; rules that do not compile stay in
    // the list but never match).
    void Set(std::vector<ViewRule> rules);
    const std::vector<ViewRule>& Rules() const { return m_rules; }
    bool Empty() const { return m_rules.empty(); }
    // Some enabled rule decides which rows are shown.
    bool Filters() const { return m_includes > 0 || m_excludes > 0; }
    bool HasHighlights() const { return m_highlights > 0; }
    bool HasTokens() const { return m_tokens > 0; }
    bool WatchesArrivals() const { return m_arrivals > 0; }

    // `shown`, when known already, is not worked out again.
    RowVerdict Evaluate(std::wstring_view name, uint32_t pid, std::wstring_view text,
                        std::optional<bool> shown = std::nullopt) const;
    // Whether the row is shown (include and exclude rules only).
    bool Shows(std::wstring_view name, uint32_t pid, std::wstring_view text) const;
    // The spans of `text` the enabled token rules colour, in order, not
    // overlapping (the earlier rule wins); an empty match colours nothing.
    std::vector<TokenSpan> Tokens(std::wstring_view text) const;

private:
    bool Matches(size_t i, std::wstring_view name, uint32_t pid, std::wstring_view text) const;
    std::vector<ViewRule> m_rules;
    std::vector<TextMatcher> m_matchers;
    std::vector<std::wstring> m_equals;   // Equals rules: the pattern, folded without case
    mutable std::vector<bool> m_givenUp;  // ran on too long over a row
    size_t m_includes = 0, m_excludes = 0, m_highlights = 0, m_tokens = 0, m_arrivals = 0;
};

} // namespace orlix
