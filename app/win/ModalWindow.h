#pragma once
// A modal window built from an empty in-memory dialog template, so its
// controls can be placed in pixels rather than dialog units: the subclass
// creates them in OnInit and the window is then sized to its client area
// and centred on the screen. The dialog manager gives the modal loop, the
// owner's disabling, Esc and Enter. Subclasses give their sizes at 96 DPI
// through Scale. No exception leaves the dialog
// procedure: one raised by a handler is shown in an error box and the
// window goes on.

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
    // Runs once after the window has been shown and drawn.
    virtual void OnShown() {}
    // A control's or the dialog manager's command; true when handled.
    virtual bool OnCommand(int id, int notifyCode);
    // Any other message; true when handled (result in result).
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    [[nodiscard]] HWND Handle() const noexcept { return hwnd_; }
    // A size given at 96 DPI, at the window's DPI (the system's before the
    // window exists).
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

    HWND hwnd_ = nullptr;
};

}  // namespace velmora::win
