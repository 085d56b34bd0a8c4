#include "app/win/HandlerGuard.h"

#include "app/win/MessageBoxWindow.h"

namespace velmora::win {

void ShowExceptionBox(HWND owner, std::string_view text) noexcept {
    try {
        (void)ShowMessageBox(owner, MessageKind::Error, text, MessageButton::Ok);
    } catch (...) {
        // Nothing is left to tell the user with.
    }
}

}  // namespace velmora::win
