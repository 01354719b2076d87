// A flat toolbar with tooltips in a rebar band with a gripper.
#pragma once
#include "framework/DpiScale.h"
#include "framework/Handles.h"
#include "framework/Wnd.h"
#include <vector>

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
    // The bitmap must live as long as the toolbar (it is rescaled from it).
    int AddBitmap(int count, HBITMAP bmp);
    // Shows the buttons at `dpi`: images, buttons, separators and band
    // scaled from their 96-DPI sizes (nothing changes at 96).
    void SetDpi(UINT dpi);
    UINT GetDpi() const { return m_nDpi; }
    int GetButtonCount() const;
    HWND GetRebar() const { return m_hRebar; }
    int GetHeight() const;
    void Show(bool show);
    // The bar and its band in the current colours (framework/Theme.h).
    void ApplyColours();
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool IsVisible() const;

private:
    // One image strip as added: a toolbar resource's bitmap or a bitmap
    // handed in; kept so the images can be made again for another DPI.
    struct Strip {
        UINT id = 0;
        HBITMAP bmp = nullptr;
        int count = 0;
    };
    int ImageCount() const;
    // Replaces the toolbar's images with the strips scaled to m_nDpi.
    bool ApplyScaledImages();
    void BandSizes(REBARBANDINFOW& band) const;

    HWND m_hRebar = nullptr;
    HWND m_hParent = nullptr;
    SIZE m_sizeImage = { 16, 15 };
    UINT m_nDpi = fw::kBaseDpi;
    std::vector<Strip> m_strips;
    std::vector<fw::UniqueGdi<HBITMAP>> m_ownBitmaps;
    // Set once the images are scaled ones of our own (any DPI but 96 at
    // creation, or after a DPI change); until then the control's own list.
    fw::UniqueImageList m_images;
};
