// Command routing and the one update path for check and enable states.
#pragma once
#include <windows.h>

// What a command target is asked: run the command, or tell its state.
enum CmdCode { CN_COMMAND = 0, CN_UPDATE_COMMAND_UI = -1 };

// State of one command as its update handler computes it. The frame applies
// it to a menu item (at WM_INITMENUPOPUP) or to a toolbar button (at idle).
class CCmdUI {
public:
    explicit CCmdUI(UINT id) : m_nID(id) {}
    void Enable(BOOL on = TRUE) { m_bEnabled = on != FALSE; }
    void SetCheck(int check = 1) { m_nCheck = check; }
    void SetRadio(BOOL on = TRUE) { m_nCheck = on ? 1 : 0; m_bRadio = true; }
    UINT m_nID;
    bool m_bEnabled = true;
    int m_nCheck = 0;
    bool m_bRadio = false;
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    // Returns true when this target handles the command: for CN_COMMAND it
    // has run it; for CN_UPDATE_COMMAND_UI it has filled pUI.
    virtual bool OnCmdMsg(UINT /*id*/, int /*code*/, CCmdUI* /*pUI*/) { return false; }

protected:
    // One entry of a command table: runs the command or reports its state
    // (enabled, unless the update function says otherwise).
    template <class Run>
    static bool Handle(int code, CCmdUI* pUI, Run run) {
        if (code == CN_COMMAND)
            run();
        else if (pUI)
            pUI->Enable(TRUE);
        return true;
    }
    template <class Run, class Update>
    static bool Handle(int code, CCmdUI* pUI, Run run, Update update) {
        if (code == CN_COMMAND)
            run();
        else if (pUI)
            update(*pUI);
        return true;
    }
};
