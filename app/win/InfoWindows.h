#pragma once
// The three passive windows of the Help menu: the about picture, the
// product's licence and the licence of NSIS, with which the setup program
// is made. Each runs modally over owner until closed.

#include <windows.h>

#include <string>
#include <string_view>

namespace velmora::win {

void RunAboutWindow(HWND owner);
void RunLicenseWindow(HWND owner);
void RunNsisLicenseWindow(HWND owner);

// A text resource as an edit control wants it: every line ended by CR LF.
[[nodiscard]] std::string EditControlText(std::string_view text);

}  // namespace velmora::win
