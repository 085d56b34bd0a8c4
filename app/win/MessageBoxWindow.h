#pragma once
// The program's one message box: a modal window from an in-memory template
// with the kind's icon and title ("Error", "Warning", "Information"), the
// text, and exactly one named button ("&Abort", "&Yes" or "OK"). The
// system's box has no lone Abort or lone Yes button, hence our own. Every
// part is an ordinary child window, so another process can read the texts
// with WM_GETTEXT.

#include <windows.h>

#include <string_view>

#include "app/MainWindowLogic.h"

namespace velmora::win {

[[nodiscard]] const char* MessageKindTitle(MessageKind kind) noexcept;
[[nodiscard]] const char* MessageButtonText(MessageButton button) noexcept;
// IDABORT, IDYES or IDOK.
[[nodiscard]] int MessageButtonId(MessageButton button) noexcept;

// Shows the box modally over owner (may be null) and waits until it is
// closed. Returns the button's id, or IDCANCEL for Esc and the close box.
// Raises std::runtime_error("Out of memory!") when the box cannot be made.
int ShowMessageBox(HWND owner, MessageKind kind, std::string_view text, MessageButton button);

}  // namespace velmora::win
