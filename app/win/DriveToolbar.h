#pragma once
// ToolBar1: the four drive buttons, the refresh button and the status
// picture IStatus, with the five 32 x 32 images of ImageList1. A press on a
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

    // Creates the toolbar at the top of parent in its design state. filter
    // must outlive the toolbar window. Raises on failure.
    void Create(HWND parent, DrivePressFilter& filter);

    void SetDriveImage(int button, int image) noexcept;
    void SetRefreshImage(int image) noexcept;
    void SetStatusPicture(std::string_view resourceName) noexcept;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR filter) noexcept;

    HWND toolbar_ = nullptr;
    HWND status_ = nullptr;
    ImageList images_;
};

}  // namespace velmora::win
