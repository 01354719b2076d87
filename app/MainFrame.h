// The main window: class "Kesto-Orlix", title always "Orlix". Hands every
// WM_SETTEXT to the view, carries the bars, runs the language submenu and
// keeps the filter in param.ini across runs.
#pragma once
#include "view/FilterBox.h"
#include "view/TimelineStrip.h"
#include "view/FrameImages.h"
#include "view/ViewSet.h"
#include "output/SyslogFormat.h"
#include "capture/Capture.h"
#include "framework/Frame.h"
#include "framework/Handles.h"
#include "settings/IniFile.h"
#include <memory>
#include <vector>

// The main window's class and title, which clients look for.
extern const wchar_t kMainFrameClass[];
extern const wchar_t kMainFrameTitle[];

class CMainFrame : public CFrameWnd, public IFrameImages {
public:
    CMainFrame();
    ~CMainFrame() override;

    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnUpdateFrameTitle() override {}
    int OnCreate(LPCREATESTRUCTW cs) override;
    void OnDestroy() override;
    bool OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;

    void LayoutAboveView(RECT& area) override;
    void OnDpiChanged(UINT dpi, const RECT* suggested) override;
    // The views beyond the first, kept from the last run (after the first
    // view's initial update); `/view FILE` presets after that.
    void AttachViews();
    COrlixView* ActiveListView() const;
    CViewSet m_views;
    CFilterBox m_filterBox;
    CTimelineStrip m_timeline;
    // The filter box and the timeline follow the active view.
    void ActiveViewChanged();
    void OnTimeline();
    void ApplyTheme();

    void SetCaptureImage(bool on) override;
    void SetLogImage(bool on) override;
    void SetAutoScrollImage(bool on) override;

    // The capture of the frame's document.
    orlix::Capture* TheCapture() const;
    void LoadFilterSettings();
    void SaveFilterSettings();
    bool ExchangeFilterSettings(bool save);
    void OnLanguage(UINT id);
    // Forwarding to syslog: the dialog, the [Syslog] section of the
    // program's settings file, and the status bar's note of dropped lines.
    void OnSyslogForward();
    void ApplySyslogSettings(const orlix::syslog::Settings& settings);
    void UpdateStatusPanes();
    void SwitchLanguage(UINT id);
    // The list's row menu at a screen point (-1: at the selected row).
    void ShowRowMenu(LPARAM where);

    // The status bar's panes follow the row count this often.
    static constexpr UINT_PTR kStatusPaneTimer = 0x5350;
    static constexpr UINT kStatusPaneMs = 500;
    CStatusBar m_statusBar;
    CToolBar m_toolBar;

    // Everyday window options (app/WindowOptions.cpp): always on top, the
    // window's place and state restored at start (kept once the user moved or
    // sized it), tooltips in the chosen language, a minimum size.
    std::wstring TooltipFor(UINT id) const override;
    void LoadWindowOptions(CREATESTRUCTW& cs);
    void NoteStartPlacement();
    void SaveWindowPlacement();
    bool OnWindowOptionCmd(UINT id, int code, CCmdUI* pUI);
    int StartShowCommand() const { return m_bStartMaximized ? SW_SHOWMAXIMIZED : SW_SHOW; }
    bool m_bAlwaysOnTop = false;
    bool m_bStatusDetails = false;   // View › Status Bar Details

private:
    void SetButtonImage(UINT id, int image);
    bool m_bStartMaximized = false;
    bool m_bPlacementSaved = false;
    RECT m_startNormalRect = {};

    fw::UniqueGdi<HBITMAP> m_bmpExtraImages;
    int m_nExtraImageBase = 0;
    size_t m_nStatusParts = 1;
    std::vector<int> m_statusPartEdges;
    bool m_bStatusTimer = false;
    std::unique_ptr<IniFile> m_pIniFile;
    // The filter as the load gave it to the view: while the view still has
    // it, the file's values are written back as they were read (a value
    // the load could not decode is never replaced by its reading).
    std::wstring m_loadedInclude, m_loadedExclude;
    bool m_bFilterLoaded = false;
};
