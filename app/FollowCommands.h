// File › Follow Log File…, Stop Following… and the number of last lines
// following starts with, over the document's capture; and files dropped on
// the main window (with Shift held: followed; else opened as File › Open
// opens them).
#pragma once
#include "capture/Capture.h"
#include "framework/CmdUI.h"
#include <shellapi.h>

class CFollowCommands : public CCmdTarget {
public:
    explicit CFollowCommands(orlix::Capture& capture) : m_capture(capture) {}
    bool OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    // Follows `path`; a box says so when it cannot be followed.
    void Follow(const std::wstring& path);
    // The files of a drop, then lets the drop go.
    static void OnDropFiles(HDROP drop, orlix::Capture* capture);

private:
    void OnFollowFile();
    void OnStopFollowing();
    void OnTailLines();
    orlix::Capture& m_capture;
};
