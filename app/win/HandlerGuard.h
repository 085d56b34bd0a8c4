#pragma once
// The boundary every window and dialog procedure runs its handlers behind:
// an exception that leaves a handler is shown in an error box with its text
// and the program goes on; a silent abort cancels without a box.

#include <windows.h>

#include <exception>
#include <string_view>

#include "app/SilentAbort.h"

namespace velmora::win {

// The error box with the exception's text and an OK button, owned by owner.
void ShowExceptionBox(HWND owner, std::string_view text) noexcept;

// Runs handler(); false when it raised (the exception has been dealt with).
template <typename Handler>
[[nodiscard]] bool GuardHandler(HWND owner, Handler&& handler) noexcept {
    try {
        handler();
        return true;
    } catch (const SilentAbort&) {
        return false;
    } catch (const std::exception& error) {
        ShowExceptionBox(owner, error.what());
    } catch (...) {
        ShowExceptionBox(owner, "Unknown error.");
    }
    return false;
}

}  // namespace velmora::win
