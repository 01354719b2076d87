// The views of the capture in the main window: the first one (the list the
// program always had) and any the user makes (View › New View), each a list
// with its own rules, selection, scroll and bookmarks. A tab strip above the
// list shows them once there are two (a tab's name and its row count);
// double-click renames, drag reorders, Ctrl+Tab / Ctrl+Shift+Tab switch.
// Columns and the Time column's mode are shared. The views, their names and
// rules are kept in the settings file's [Views] section once there is more
// than one view or a view has rules.
#pragma once
#include "view/OrlixView.h"
#include "framework/CmdUI.h"
#include "framework/Frame.h"
#include <string>
#include <vector>

class CViewSet : public CCmdTarget {
public:
    static constexpr size_t kMaxViews = 32;
    // The frame and the view it made first; the views kept from the last
    // run are made again (hidden but for the active one).
    void Attach(CFrameWnd* frame, COrlixView* first);
    void Detach();
    size_t Count() const { return m_views.size(); }
    COrlixView* View(size_t i) const { return m_views[i].view; }
    COrlixView* Active() const;
    size_t ActiveIndex() const { return m_active; }
    const std::wstring& Name(size_t i) const { return m_views[i].name; }

    // A new view of the same capture: a copy of the active view's rules, or
    // none; `rules` for a view made from a preset.
    COrlixView* NewView(bool copyActive, std::wstring name = std::wstring(),
                        const std::vector<orlix::ViewRule>* rules = nullptr);
    // Not the last one.
    bool CloseView(size_t i);
    void Activate(size_t i);
    void Rename(size_t i, const std::wstring& name);
    void Move(size_t from, size_t to);
    // A view with the rules of a preset file (a bad file is said so).
    void OpenPreset(const std::wstring& path) { OnLoadRules(path); }
    // Shows the store row in the first view, selected (the nearest shown row
    // before it when that view hides it).
    void ShowInFirst(size_t storeRow);

    // The tab strip's place in the frame, when it shows.
    void Layout(RECT& area);
    bool OnTabNotify(NMHDR* nm, LRESULT* result);
    // Tab labels (row counts) and the active view's state, now and then.
    void Refresh();
    // Every view takes the DPI the frame moved to.
    void OnDpiChanged(UINT oldDpi, UINT newDpi);
    bool OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    // The recent preset files' menu, named after them, when it opens.
    void UpdateRecentMenu(HMENU popup) const;
    // Writes the views to the settings file (when there is anything to keep).
    void Save() const;

private:
    struct Entry {
        COrlixView* view;
        std::wstring name;
    };
    COrlixView* MakeView();
    void Load();
    void UpdateTabs();
    void ShowActive();
    std::wstring DefaultName() const;
    void OnRename(size_t i);
    void OnSaveRules();
    void OnLoadRules(const std::wstring& path);
    void AddRecent(const std::wstring& path);
    static void PaintDarkTabs(HWND tabs);
    static LRESULT CALLBACK TabProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    CFrameWnd* m_frame = nullptr;
    CDocument* m_doc = nullptr;
    HWND m_tabs = nullptr;
    std::vector<Entry> m_views;
    size_t m_active = 0;
    int m_dragFrom = -1;
    std::vector<std::wstring> m_recent;   // preset files, newest first
    mutable bool m_kept = false;          // the settings file has a [Views] section
};
