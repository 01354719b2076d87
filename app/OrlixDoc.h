// The document: owns the capture that its views show, and answers the
// commands that act on the capture as a whole (capture, clear, filter,
// logging, broadcasting, Global, UTF-8 decoding, the history limit).
#pragma once
#include "app/FollowCommands.h"
#include "view/OrlixView.h"
#include "framework/DocView.h"

class COrlixDoc : public CDocument, public orlix::ICaptureOwner {
public:
    BOOL OnNewDocument() override;
    bool OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    orlix::Capture& GetCapture() override { return m_capture; }

    void OnClear();
    void OnCapture();
    void OnCaptureGlobal();
    void OnFilter();
    void OnLogToFile();
    void OnLogOptions();
    // Logging into `path` from now on, without asking (the command line).
    void StartLoggingTo(const std::wstring& path);
    void OnHistoryLimit();
    void SetHistoryLimit(size_t rows);

private:
    orlix::Capture m_capture;
    CFollowCommands m_follow{ m_capture };
};
