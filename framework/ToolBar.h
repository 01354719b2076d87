// A flat toolbar with tooltips in a rebar band with a gripper.
#pragma once
#include "framework/Wnd.h"

class CToolBar : public CWnd {
public:
    // Creates the rebar that carries the toolbar at the top of the frame.
    BOOL CreateEx(CWnd* parent, DWORD tbStyle, DWORD style, UINT id);
    // Loads the button layout (resource type 241) and its bitmap.
    BOOL LoadToolBar(UINT id);
    int CommandToIndex(UINT id) const;
    void GetButtonInfo(int index, UINT& id, UINT& style, int& image) const;
    void SetButtonInfo(int index, UINT id, UINT style, int image);
    // Adds a 16-colour image strip; returns the index of its first image.
    int AddBitmap(int count, HBITMAP bmp);
    int GetButtonCount() const;
    HWND GetRebar() const { return m_hRebar; }
    int GetHeight() const;
    void Show(bool show);
    bool IsVisible() const;

private:
    HWND m_hRebar = nullptr;
    HWND m_hParent = nullptr;
    SIZE m_sizeImage = { 16, 15 };
};
