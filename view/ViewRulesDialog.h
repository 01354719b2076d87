// The rules of a view (View Rules...): an ordered list, each rule enabled or
// not (its check box), with add, replace, remove and move; colours with the
// standard colour dialog. For the rule being typed it counts how many of the
// stored rows it matches (a piece at a time, so the dialog answers).
#pragma once
#include "rows/RowStore.h"
#include "rows/ViewRules.h"
#include "framework/Dialog.h"
#include <vector>

class CViewRulesDialog : public CDialog {
public:
    CViewRulesDialog(std::vector<orlix::ViewRule> rules, const orlix::RowStore& rows);
    BOOL OnInitDialog() override;
    void OnOK() override;
    INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    std::vector<orlix::ViewRule> m_rules;

private:
    void FillList(int select);
    void ShowRule(int index);
    bool ReadRule(orlix::ViewRule& rule, bool quiet);
    void ReadChecks();
    void PickColour(bool foreground);
    void StartCount();
    void CountSome();
    int Selected() const;

    const orlix::RowStore& m_rows;
    orlix::ViewRule m_edit;
    HBRUSH m_sampleBrush = nullptr;
    bool m_filling = false;
    // The count of the rule being typed: its matcher and how far it got.
    orlix::ViewRuleSet m_counting;
    size_t m_countNext = 0, m_countHits = 0;
    bool m_countRunning = false;
};
