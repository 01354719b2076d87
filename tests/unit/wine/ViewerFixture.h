// The whole viewer (application, frame, view, workers) inside the test
// process, driven by pumping its messages from the test.
#pragma once
#include "app/MainFrame.h"
#include "app/OrlixApp.h"
#include "view/OrlixView.h"
#include "i18n/Language.h"
#include <gtest/gtest.h>
#include <functional>
#include <string>

class InProcessViewer {
public:
    // keepSettings: start on the settings files a test left beside the
    // executable, and leave them there afterwards.
    explicit InProcessViewer(bool keepSettings = false) : m_keepSettings(keepSettings)
    {
        if (!m_keepSettings)
            ForgetSettings();
        app.m_strCmdLine = L"Orlix.exe"; // not the test program's own switches
        ok = app.InitInstance() != FALSE;
        frame = static_cast<CMainFrame*>(app.GetMainFrame());
        view = g_pView;
        Pump(100);
    }
    ~InProcessViewer()
    {
        if (frame && app.GetMainFrame())
            ::DestroyWindow(frame->m_hWnd);
        PumpUntilQuit(5000);
        app.ExitInstance();
        if (!m_keepSettings)
            ForgetSettings();
    }
    // Each test starts like a first run: no filter or language kept beside
    // the executable by an earlier test.
    static void ForgetSettings()
    {
        ::DeleteFileW((GetModuleDirectory() + L"param.ini").c_str());
        ::DeleteFileW(GetSettingsFilePath().c_str());
    }
    // Runs the message loop (with idle updates) for `ms` milliseconds.
    void Pump(DWORD ms)
    {
        DWORD end = ::GetTickCount() + ms;
        do {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    quit = true;
                    return;
                }
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            if (app.GetMainFrame())
                app.GetMainFrame()->OnIdleUpdateCmdUI();
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        } while (static_cast<int>(end - ::GetTickCount()) > 0);
    }
    bool PumpUntil(const std::function<bool()>& done, DWORD ms)
    {
        DWORD end = ::GetTickCount() + ms;
        while (!done()) {
            if (static_cast<int>(end - ::GetTickCount()) <= 0)
                return false;
            Pump(10);
        }
        return true;
    }
    void PumpUntilQuit(DWORD ms)
    {
        DWORD end = ::GetTickCount() + ms;
        while (!quit && static_cast<int>(end - ::GetTickCount()) > 0)
            Pump(10);
    }
    // Sends one line as a client would.
    LRESULT Send(uint32_t pid, const wchar_t* text)
    {
        return ::SendMessageW(frame->m_hWnd, WM_SETTEXT, pid, reinterpret_cast<LPARAM>(text));
    }
    // Menu item state after the frame's update path ran for its popup.
    UINT MenuState(UINT id)
    {
        HMENU bar = ::GetMenu(frame->m_hWnd);
        for (int i = 0; i < ::GetMenuItemCount(bar); ++i) {
            HMENU popup = ::GetSubMenu(bar, i);
            ::SendMessageW(frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), i);
            for (int j = 0; j < ::GetMenuItemCount(popup); ++j)
                if (HMENU sub = ::GetSubMenu(popup, j))
                    ::SendMessageW(frame->m_hWnd, WM_INITMENUPOPUP,
                                   reinterpret_cast<WPARAM>(sub), j);
        }
        return ::GetMenuState(bar, id, MF_BYCOMMAND);
    }
    bool Command(UINT id) { return frame->RouteCommand(id); }

    COrlixApp app;
    CMainFrame* frame = nullptr;
    COrlixView* view = nullptr;
    bool ok = false;
    bool quit = false;

private:
    bool m_keepSettings = false;
};

// Answers the next message box or dialog of this process from a helper
// thread: clicks `button` once the window shows up; returns its text.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int button = IDOK) : m_button(button)
    {
        m_thread = ::CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~BoxAnswerer() { Wait(); }
    std::wstring Wait()
    {
        if (m_thread) {
            ::WaitForSingleObject(m_thread, 15000);
            ::CloseHandle(m_thread);
            m_thread = nullptr;
        }
        return m_text;
    }
    // The icon the box showed (null when it showed none).
    HICON Icon()
    {
        Wait();
        return m_icon;
    }

private:
    static BOOL CALLBACK Collect(HWND child, LPARAM lp)
    {
        auto* self = reinterpret_cast<BoxAnswerer*>(lp);
        wchar_t buf[1024];
        if (::GetClassNameW(child, buf, 1024) > 0 && ::lstrcmpiW(buf, L"Static") == 0
            && (::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            self->m_icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
        if (::GetWindowTextW(child, buf, 1024) > 0) {
            self->m_text += buf;
            self->m_text += L"\n";
        }
        return TRUE;
    }
    static DWORD WINAPI Run(LPVOID p)
    {
        auto* self = static_cast<BoxAnswerer*>(p);
        for (int i = 0; i < 1000; ++i) {
            HWND found = nullptr;
            HWND w = nullptr;
            while ((w = ::FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr) {
                DWORD pid = 0;
                ::GetWindowThreadProcessId(w, &pid);
                if (pid == ::GetCurrentProcessId() && ::IsWindowVisible(w)) {
                    found = w;
                    break;
                }
            }
            if (found) {
                ::EnumChildWindows(found, Collect, reinterpret_cast<LPARAM>(self));
                ::PostMessageW(found, WM_COMMAND, MAKEWPARAM(self->m_button, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(found, self->m_button)));
                return 0;
            }
            ::Sleep(10);
        }
        return 1;
    }
    int m_button;
    HICON m_icon = nullptr;
    HANDLE m_thread = nullptr;
    std::wstring m_text;
};
