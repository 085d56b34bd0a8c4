#include "app/win/BoxErrorNotifier.h"

#include <windows.h>

#include "app/win/MessageBoxWindow.h"

namespace velmora::win {

void BoxErrorNotifier::NotifyInternalError(std::string_view) noexcept {
    try {
        (void)ShowMessageBox(::GetActiveWindow(), MessageKind::Error, kInternalErrorText, MessageButton::Abort);
    } catch (...) {
        // Reporting never fails; the entry is in the log.
    }
}

}  // namespace velmora::win
