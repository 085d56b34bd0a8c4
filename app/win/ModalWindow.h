#pragma once
// A modal window built from an empty in-memory dialog template, so its
// controls can be placed in pixels rather than dialog units: the window is
// sized to its client area and centred on the screen, the subclass creates
// its controls in OnInit and places them in LayOut. The dialog manager gives
// the modal loop, the owner's disabling, Esc and Enter. Subclasses give their
// sizes at 96 DPI through Scale. When the window moves to a display of
// another scaling (WM_DPICHANGED), it takes the rectangle Windows suggests,
// grows where its frame needs more at the new DPI, and LayOut builds the
// fonts and images again and places the controls anew. No exception leaves
// the dialog procedure: one raised by a handler is shown in an error box and
// the window goes on. While it runs, the clock attached to the thread's modal
// loops stands still (ModalClockHold.h).

#include <windows.h>

#include <string>

namespace velmora::win {

struct ModalFrame {
    std::string Caption;
    int ClientWidth = 0;
    int ClientHeight = 0;
    bool MinimizeBox = false;
};

class ModalWindow {
public:
    ModalWindow() = default;
    ModalWindow(const ModalWindow&) = delete;
    ModalWindow& operator=(const ModalWindow&) = delete;

    // Runs until the window ends; returns its end code (IDCANCEL when it
    // could not be created).
    INT_PTR Run(HWND owner);

protected:
    ~ModalWindow() = default;

    [[nodiscard]] virtual ModalFrame Frame() const = 0;
    // Creates the controls; the window is not yet visible.
    virtual void OnInit() = 0;
    // Builds the fonts and images at Dpi() and places the controls: after
    // OnInit, and again after each change of the window's DPI.
    virtual void LayOut() = 0;
    // Runs once after the window has been shown and drawn.
    virtual void OnShown() {}
    // A control's or the dialog manager's command; true when handled.
    virtual bool OnCommand(int id, int notifyCode);
    // Any other message; true when handled (result in result).
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    [[nodiscard]] HWND Handle() const noexcept { return hwnd_; }
    // The window's DPI: the system's before the window exists, the one it
    // opened at, then the last one WM_DPICHANGED gave.
    [[nodiscard]] UINT Dpi() const noexcept;
    // A size given at 96 DPI, at Dpi().
    [[nodiscard]] int Scale(int sizeAt96) const noexcept;
    void End(INT_PTR code) noexcept { ::EndDialog(hwnd_, code); }
    // A child control in pixels, createParam its creation parameter; raises
    // on failure.
    HWND AddControl(const char* className, const char* text, DWORD style, int x, int y, int width, int height,
                    int id, DWORD exStyle = 0, void* createParam = nullptr);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void SizeAndCentre(const ModalFrame& frame) const;
    void OnDpiChanged(UINT dpi, const RECT& suggested);

    HWND hwnd_ = nullptr;
    UINT dpi_ = 0;  // 0 until the window exists
    bool created_ = false;  // OnInit has run
};

}  // namespace velmora::win
