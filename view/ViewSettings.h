// The view's choices kept in the settings file: the last find ([Find]) and
// the highlight rules ([Highlight]); a missing or damaged value reads as the
// default.
#pragma once
#include "rows/HighlightRules.h"
#include "rows/TextMatch.h"
#include "rows/ViewRules.h"
#include <string>
#include <vector>

struct FindSettings {
    std::wstring text;
    orlix::MatchOptions options;
    bool forward = true;
};

FindSettings LoadFindSettings();
void SaveFindSettings(const FindSettings& find);
std::vector<orlix::HighlightRule> LoadHighlightRules();
void SaveHighlightRules(const std::vector<orlix::HighlightRule>& rules);
// A highlight rule as a rule of a view.
orlix::ViewRule ViewRuleFromHighlight(const orlix::HighlightRule& h);
