#pragma once
// ToolBar1: the four drive buttons, the refresh button and the status
// picture IStatus, with the five images of ImageList1 (32 x 32 at 96 DPI,
// the drawn set nearest to the window's scaling above it). A press on a
// drive button is offered to a filter first; when the filter refuses it the
// press is swallowed, so the button neither sinks nor clicks.

#include <windows.h>

#include <commctrl.h>

#include <string_view>

#include "common/win/UniqueHandle.h"

namespace velmora::win {

class DrivePressFilter {
public:
    virtual ~DrivePressFilter() = default;
    // tag 0..3; false cancels the press.
    [[nodiscard]] virtual bool AllowDrivePress(int tag) noexcept = 0;
};

struct ImageListTraits {
    using Type = HIMAGELIST;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::ImageList_Destroy(h); }
};
using ImageList = UniqueHandle<ImageListTraits>;

class DriveToolbar {
public:
    DriveToolbar() = default;
    DriveToolbar(const DriveToolbar&) = delete;
    DriveToolbar& operator=(const DriveToolbar&) = delete;
    ~DriveToolbar();

    // Creates the toolbar at the top of parent in its design state, laid out
    // for dpi. filter must outlive the toolbar window. Raises on failure.
    void Create(HWND parent, DrivePressFilter& filter, UINT dpi);
    // Lays the toolbar out again for dpi, with the images drawn for it; the
    // buttons keep their images and states. Raises on failure.
    void ApplyDpi(UINT dpi);
    // The toolbar's height at dpi.
    [[nodiscard]] static int Height(UINT dpi) noexcept;

    void SetDriveImage(int button, int image) noexcept;
    void SetRefreshImage(int image) noexcept;
    void SetStatusPicture(std::string_view resourceName) noexcept;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR filter) noexcept;

    [[nodiscard]] static ImageList LoadImages(UINT dpi);
    void LayOut(UINT dpi) noexcept;

    HWND toolbar_ = nullptr;
    HWND status_ = nullptr;
    ImageList images_;
};

}  // namespace velmora::win
