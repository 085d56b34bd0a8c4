#pragma once
// The program's one message box: a modal window from an in-memory template
// with the kind's icon and title ("Error", "Warning", "Information"), the
// text, and exactly one named button ("&Abort", "&Yes" or "OK"); or the
// confirmation with "&Yes" and "&No". The
// system's box has no lone Abort or lone Yes button, hence our own. Every
// part is an ordinary child window, so another process can read the texts
// with WM_GETTEXT.

#include <windows.h>

#include <string_view>

#include "app/MessageKindAndButton.h"

namespace velmora::win {

// Shows the box modally over owner (may be null) and waits until it is
// closed. Returns the button's id, or IDCANCEL for Esc and the close box.
// Raises std::runtime_error(kOutOfMemoryText) when the box cannot be made.
int ShowMessageBox(HWND owner, MessageKind kind, std::string_view text, MessageButton button);

inline constexpr char kConfirmTitle[] = "Confirm";
// Button texts, also of the start-up question.
inline constexpr char kYesButtonText[] = "&Yes";
inline constexpr char kNoButtonText[] = "&No";

// The confirmation box: title "Confirm", the question icon, "&Yes" (the
// default) and "&No". True only for Yes; No, Esc and the close box are not.
// Raises like ShowMessageBox.
[[nodiscard]] bool ShowConfirmBox(HWND owner, std::string_view text);

}  // namespace velmora::win
