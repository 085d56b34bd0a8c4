// The program's own message box and the handler boundary, shown in this
// process; a second thread reads the box as another program would and
// presses its button.

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/win/AppResources.h"
#include "app/win/HandlerGuard.h"
#include "app/win/MessageBoxWindow.h"
#include "app/win/ModalClockHold.h"
#include "common/ErrorReport.h"
#include "tests/app/win/gui/WindowProbe.h"
#include "tests/fakes/FakeWaitClock.h"
#include "update/HeldWaitClock.h"

namespace velmora::win {
namespace {

using testing::ButtonsOf;
using testing::TextById;
using testing::WaitForTopLevel;
using testing::WindowText;

struct SeenBox {
    bool Found = false;
    std::string Text;
    std::vector<std::string> Buttons;
};

// Waits for the box titled caption, reads it, runs whileOpen and presses its
// only button.
std::future<SeenBox> ReadAndPress(const std::string& caption, std::function<void()> whileOpen = {}) {
    return std::async(std::launch::async, [caption, whileOpen] {
        SeenBox seen;
        HWND box = WaitForTopLevel(caption, ::GetCurrentProcessId());
        if (!box) return seen;
        seen.Found = true;
        seen.Text = TextById(box, IDC_BOX_TEXT);
        const std::vector<HWND> buttons = ButtonsOf(box);
        for (HWND button : buttons) seen.Buttons.push_back(WindowText(button));
        if (whileOpen) whileOpen();
        if (buttons.size() == 1) ::SendMessageA(buttons[0], BM_CLICK, 0, 0);
        else ::PostMessageA(box, WM_CLOSE, 0, 0);
        return seen;
    });
}

TEST(MessageBoxWindow, EachKindHasItsTitleTheTextAndExactlyTheNamedButton) {
    struct Case {
        MessageKind kind;
        MessageButton button;
        const char* title;
        const char* buttonText;
        int result;
    };
    const Case cases[] = {
        {MessageKind::Error, MessageButton::Abort, "Error", "&Abort", IDABORT},
        {MessageKind::Warning, MessageButton::Yes, "Warning", "&Yes", IDYES},
        {MessageKind::Information, MessageButton::Ok, "Information", "OK", IDOK},
    };
    for (const Case& c : cases) {
        auto seen = ReadAndPress(c.title);
        const int result = ShowMessageBox(nullptr, c.kind, "First line\nsecond line", c.button);
        const SeenBox box = seen.get();
        ASSERT_TRUE(box.Found) << c.title;
        EXPECT_EQ(box.Text, "First line\nsecond line") << c.title;
        EXPECT_EQ(box.Buttons, std::vector<std::string>{c.buttonText}) << c.title;
        EXPECT_EQ(result, c.result) << c.title;
    }
}

TEST(MessageBoxWindow, InternalErrorBoxHasTheTwoLinesAndAnAbortButton) {
    auto seen = ReadAndPress("Error");
    (void)ShowMessageBox(nullptr, MessageKind::Error, kInternalErrorText, MessageButton::Abort);
    const SeenBox box = seen.get();
    ASSERT_TRUE(box.Found);
    EXPECT_EQ(box.Text, "Internal error!\nPlease see Application Log.");
    EXPECT_EQ(box.Buttons, std::vector<std::string>{"&Abort"});
}

TEST(GuardHandler, ExceptionLeavingAHandlerIsShownWithItsTextAndTheCallerGoesOn) {
    auto seen = ReadAndPress("Error");
    const bool completed = GuardHandler(nullptr, [] { throw std::out_of_range("Index out of range! (SetSelectedDisk)"); });
    const SeenBox box = seen.get();
    EXPECT_FALSE(completed);
    ASSERT_TRUE(box.Found);
    EXPECT_EQ(box.Text, "Index out of range! (SetSelectedDisk)");
    EXPECT_EQ(box.Buttons, std::vector<std::string>{"OK"});
}

// An update request's minute runs on the attached clock; a box opened while
// it waits, here the handler guard's, must not count.
TEST(ModalClockHold, TheAttachedClockStandsStillWhileABoxIsOpenAndRunsAgainAfter) {
    fakes::FakeWaitClock inner;
    HeldWaitClock clock(inner);
    const ModalClockAttachment attachment(clock);
    const std::uint64_t start = clock.NowMs();
    auto seen = ReadAndPress("Error", [&inner] { inner.Now += 120'000; });
    (void)GuardHandler(nullptr, [] { throw std::runtime_error("A handler failed."); });
    ASSERT_TRUE(seen.get().Found);
    EXPECT_EQ(clock.NowMs(), start);
    inner.Now += 40;
    EXPECT_EQ(clock.NowMs(), start + 40);
}

TEST(GuardHandler, SilentAbortCancelsWithoutAnyBox) {
    EXPECT_FALSE(GuardHandler(nullptr, [] { throw SilentAbort{}; }));
    EXPECT_TRUE(testing::TopLevelWindows("Error", ::GetCurrentProcessId()).empty());
    int runs = 0;
    EXPECT_TRUE(GuardHandler(nullptr, [&] { ++runs; }));
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace velmora::win
