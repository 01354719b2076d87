// The dialogs of find, the highlight rules and a row's details.
#pragma once
#include "rows/HighlightRules.h"
#include "framework/Dialog.h"
#include <string>
#include <vector>

class COrlixView;

// Modeless: stays up while the user finds one row after the other.
class CFindDialog : public CDialog {
public:
    explicit CFindDialog(COrlixView* view);
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void ShowAgain();

private:
    COrlixView* m_view;
};

class CRowDetailsDialog : public CDialog {
public:
    explicit CRowDetailsDialog(std::wstring text);
    BOOL OnInitDialog() override;
    INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    std::wstring m_text;
};

class CHighlightDialog : public CDialog {
public:
    explicit CHighlightDialog(std::vector<orlix::HighlightRule> rules);
    BOOL OnInitDialog() override;
    void OnOK() override;
    INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    std::vector<orlix::HighlightRule> m_rules;

private:
    void FillList(int select);
    void ShowRule(int index);
    bool ReadRule(orlix::HighlightRule& rule);
    void PickColour(bool foreground);
    orlix::HighlightRule m_edit;
    HBRUSH m_sampleBrush = nullptr;
};

// Puts text on the clipboard (waits briefly for another holder).
void CopyTextToClipboard(HWND owner, const std::wstring& text);
