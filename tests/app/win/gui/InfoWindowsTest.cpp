// The licence window's text area, shown in this process and typed into from
// a second thread as a user would.

#include <gtest/gtest.h>

#include <future>
#include <string>

#include "app/win/AppResources.h"
#include "app/win/InfoWindows.h"
#include "tests/app/win/gui/WindowProbe.h"

namespace velmora::win {
namespace {

using testing::DescendantById;
using testing::WaitForTopLevel;
using testing::WaitUntil;
using testing::WindowText;

constexpr DWORD kKeyTimeoutMs = 5000;

struct TypedReturn {
    std::string Before;
    std::string After;
};

// Types Enter at the start of the text of the window titled caption, then
// closes the window.
std::future<TypedReturn> TypeReturnInto(const std::string& caption) {
    return std::async(std::launch::async, [caption] {
        TypedReturn typed{"", "<no window>"};
        HWND window = WaitForTopLevel(caption, ::GetCurrentProcessId());
        if (!window) return typed;
        HWND memo = DescendantById(window, IDC_INFO_TEXT);
        if (memo) {
            typed.Before = WindowText(memo);
            ::SendMessageA(memo, EM_SETSEL, 0, 0);
            // Posted, so the key passes the dialog's keyboard handling as typed keys do.
            ::PostMessageA(memo, WM_CHAR, '\r', 0);
            (void)WaitUntil([&] { return WindowText(memo) != typed.Before; }, kKeyTimeoutMs);
            typed.After = WindowText(memo);
        }
        ::PostMessageA(window, WM_CLOSE, 0, 0);
        return typed;
    });
}

TEST(LicenseWindow, EnterBreaksTheLineInTheEditableText) {
    auto typed = TypeReturnInto("License");
    RunLicenseWindow(nullptr);
    const TypedReturn seen = typed.get();
    EXPECT_EQ(seen.After, "\r\n" + seen.Before);
}

}  // namespace
}  // namespace velmora::win
