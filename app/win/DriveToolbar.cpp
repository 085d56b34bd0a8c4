#include "app/win/DriveToolbar.h"

#include <array>
#include <stdexcept>
#include <string>
#include <utility>

#include "drives/DriveView.h"
#include "common/ProgramTexts.h"
#include "app/win/AppResources.h"
#include "app/win/GuiFonts.h"
#include "app/win/PictureControl.h"

namespace velmora::win {

namespace {

// Sizes at 96 DPI.
constexpr int kImageSize = 32;
constexpr int kImageCount = 5;
constexpr int kToolbarWidth = 453;
constexpr int kToolbarHeight = 42;
constexpr int kButtonWidth = 42;
constexpr int kButtonHeight = 38;
constexpr int kGapAfterDrives = 8;
constexpr int kGapBeforeStatus = 183;
constexpr int kStatusX = 401;
constexpr int kStatusSize = 38;
constexpr COLORREF kMaskColour = RGB(255, 0, 255);
constexpr UINT_PTR kSubclassId = 1;
// The separators' places among the buttons.
constexpr int kGapAfterDrivesIndex = 4;
constexpr int kGapBeforeStatusIndex = 6;

TBBUTTON Button(int image, int command) {
    TBBUTTON button{};
    button.iBitmap = image;
    button.idCommand = command;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_BUTTON;
    return button;
}

TBBUTTON Separator(int width) {
    TBBUTTON separator{};
    separator.iBitmap = width;
    separator.fsStyle = BTNS_SEP;
    return separator;
}

}  // namespace

DriveToolbar::~DriveToolbar() {
    if (toolbar_ && ::IsWindow(toolbar_)) ::RemoveWindowSubclass(toolbar_, SubclassProc, kSubclassId);
}

ImageList DriveToolbar::LoadImages(UINT dpi) {
    const int percent = PictureSetPercent(dpi);
    const int size = kImageSize * percent / 100;
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    ImageList images(::ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, kImageCount, 0));
    const std::string name = PictureSetName(VELMORA_RES_TOOLBAR, percent);
    GdiObject strip(::LoadImageA(instance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!images || !strip || ::ImageList_AddMasked(images.get(), static_cast<HBITMAP>(strip.get()), kMaskColour) < 0) {
        throw std::runtime_error(kOutOfMemoryText);
    }
    return images;
}

int DriveToolbar::Height(UINT dpi) noexcept { return ScaleToDpi(kToolbarHeight, dpi); }

void DriveToolbar::Create(HWND parent, DrivePressFilter& filter, UINT dpi) {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    images_ = LoadImages(dpi);

    toolbar_ = ::CreateWindowExA(
        0, TOOLBARCLASSNAMEA, "ToolBar1",
        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | TBSTYLE_FLAT | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN, 0, 0,
        ScaleToDpi(kToolbarWidth, dpi), Height(dpi), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)),
        instance, nullptr);
    if (!toolbar_) throw std::runtime_error(kOutOfMemoryText);
    ::SendMessageA(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    const int imageSize = ::MulDiv(kImageSize, PictureSetPercent(dpi), 100);
    ::SendMessageA(toolbar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(imageSize, imageSize));
    ::SendMessageA(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.get()));

    std::array<TBBUTTON, 7> buttons = {
        Button(toolbar_image::DriveAbsent, IDC_DRIVE_BUTTON_FIRST),
        Button(toolbar_image::DriveAbsent, IDC_DRIVE_BUTTON_FIRST + 1),
        Button(toolbar_image::DriveAbsent, IDC_DRIVE_BUTTON_FIRST + 2),
        Button(toolbar_image::DriveAbsent, IDC_DRIVE_BUTTON_FIRST + 3),
        Separator(ScaleToDpi(kGapAfterDrives, dpi)),
        Button(toolbar_image::RefreshInactive, IDC_REFRESH_BUTTON),
        Separator(ScaleToDpi(kGapBeforeStatus, dpi)),
    };
    ::SendMessageA(toolbar_, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    ::SendMessageA(toolbar_, TB_SETBUTTONSIZE, 0,
                   MAKELPARAM(ScaleToDpi(kButtonWidth, dpi), ScaleToDpi(kButtonHeight, dpi)));
    ::SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);

    const int statusSize = ScaleToDpi(kStatusSize, dpi);
    status_ = ::CreateWindowExA(0, kPictureClass, kStatusPictureUnknown, WS_CHILD | WS_VISIBLE,
                                ScaleToDpi(kStatusX, dpi), (Height(dpi) - statusSize) / 2, statusSize, statusSize,
                                toolbar_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS)), instance, nullptr);
    if (!status_) throw std::runtime_error(kOutOfMemoryText);

    if (!::SetWindowSubclass(toolbar_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(&filter))) {
        throw std::runtime_error(kOutOfMemoryText);
    }
}

void DriveToolbar::ApplyDpi(UINT dpi) {
    ImageList images = LoadImages(dpi);
    const int imageSize = ::MulDiv(kImageSize, PictureSetPercent(dpi), 100);
    // The toolbar takes the image size from the new list; the old list goes
    // only once the toolbar no longer draws from it.
    ::SendMessageA(toolbar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(imageSize, imageSize));
    ::SendMessageA(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));
    images_ = std::move(images);
    LayOut(dpi);
}

void DriveToolbar::LayOut(UINT dpi) noexcept {
    TBBUTTONINFOA gap{};
    gap.cbSize = sizeof gap;
    gap.dwMask = TBIF_SIZE | TBIF_BYINDEX;
    gap.cx = static_cast<WORD>(ScaleToDpi(kGapAfterDrives, dpi));
    ::SendMessageA(toolbar_, TB_SETBUTTONINFOA, kGapAfterDrivesIndex, reinterpret_cast<LPARAM>(&gap));
    gap.cx = static_cast<WORD>(ScaleToDpi(kGapBeforeStatus, dpi));
    ::SendMessageA(toolbar_, TB_SETBUTTONINFOA, kGapBeforeStatusIndex, reinterpret_cast<LPARAM>(&gap));
    ::SendMessageA(toolbar_, TB_SETBUTTONSIZE, 0,
                   MAKELPARAM(ScaleToDpi(kButtonWidth, dpi), ScaleToDpi(kButtonHeight, dpi)));
    ::SetWindowPos(toolbar_, nullptr, 0, 0, ScaleToDpi(kToolbarWidth, dpi), Height(dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
    const int statusSize = ScaleToDpi(kStatusSize, dpi);
    ::SetWindowPos(status_, nullptr, ScaleToDpi(kStatusX, dpi), (Height(dpi) - statusSize) / 2, statusSize, statusSize,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(toolbar_, nullptr, TRUE);
    ::InvalidateRect(status_, nullptr, FALSE);
}

void DriveToolbar::SetDriveImage(int button, int image) noexcept {
    ::SendMessageA(toolbar_, TB_CHANGEBITMAP, static_cast<WPARAM>(IDC_DRIVE_BUTTON_FIRST + button), image);
}

void DriveToolbar::SetRefreshImage(int image) noexcept {
    ::SendMessageA(toolbar_, TB_CHANGEBITMAP, IDC_REFRESH_BUTTON, image);
}

void DriveToolbar::SetStatusPicture(std::string_view resourceName) noexcept {
    ::SetWindowTextA(status_, std::string(resourceName).c_str());
}

LRESULT CALLBACK DriveToolbar::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR filter) noexcept {
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const auto index = static_cast<int>(::SendMessageA(hwnd, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&point)));
        // Buttons 0..3 are the drive buttons, in tag order.
        if (index >= 0 && index < kDriveButtonCount &&
            !reinterpret_cast<DrivePressFilter*>(filter)->AllowDrivePress(index)) {
            return 0;
        }
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace velmora::win
