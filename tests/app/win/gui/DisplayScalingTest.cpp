// The toolbox's windows at the display's scaling, made in this process so
// that each label's own font (WM_GETFONT) can measure its text: the main
// window, a message box and the start-up question, each at the session's
// DPI and again after WM_DPICHANGED (which Wine never sends by itself). A
// label and a check box must hold its whole text and no two sibling
// controls may overlap. The suite runs in the ordinary prefix and again in
// one at 192 DPI (tests.cmake), which names the DPI it expects in
// VELMORA_EXPECT_DPI.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cmath>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "app/win/AppResources.h"
#include "app/win/CheckForUpdatesDialog.h"
#include "app/win/MainWindow.h"
#include "app/win/WorkerCalls.h"
#include "app/win/MessageBoxWindow.h"
#include "tests/app/win/gui/WindowProbe.h"
#include "tests/fakes/FakeDeviceIo.h"
#include "tests/fakes/FakePipeSystem.h"
#include "tests/fakes/FakeWmiSource.h"
#include "tests/service/win/ServiceTestSupport.h"

namespace velmora::win {
namespace {

using testing::ButtonsOf;
using testing::ClassOf;
using testing::Descendants;
using testing::WaitForTopLevel;
using testing::WindowText;

UINT SessionDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

bool HasStyle(HWND hwnd, DWORD style) { return (::GetWindowLongPtrA(hwnd, GWL_STYLE) & style) == style; }

std::string Describe(HWND hwnd) {
    return ClassOf(hwnd) + " " + std::to_string(::GetDlgCtrlID(hwnd)) + " \"" + WindowText(hwnd) + "\"";
}

// The text a control needs, in its own font: on one line, or wrapped to
// its width when it wraps and does not fit one.
SIZE NeededSize(HWND label, bool wraps = true) {
    const std::string text = WindowText(label);
    RECT client;
    ::GetClientRect(label, &client);
    HDC dc = ::GetDC(label);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(::SendMessageA(label, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font ? ::SelectObject(dc, font) : nullptr;
    SIZE line{};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &line);
    RECT wrapped{0, 0, client.right, 0};
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &wrapped,
                DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    if (previous) ::SelectObject(dc, previous);
    ::ReleaseDC(label, dc);
    // On one line when it fits there, else as the label wraps it.
    if (!wraps || line.cx <= client.right) return line;
    return {wrapped.right - wrapped.left, wrapped.bottom - wrapped.top};
}

// What is wrong with the layout of window's controls; empty when nothing.
std::vector<std::string> LayoutFaults(HWND window) {
    std::vector<std::string> faults;
    std::vector<HWND> shown;
    for (HWND child : Descendants(window)) {
        if (HasStyle(child, WS_VISIBLE)) shown.push_back(child);
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        RECT a;
        ::GetWindowRect(shown[i], &a);
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            RECT b;
            RECT common;
            ::GetWindowRect(shown[j], &b);
            if (::GetParent(shown[i]) == ::GetParent(shown[j]) && ::IntersectRect(&common, &a, &b)) {
                faults.push_back(Describe(shown[i]) + " overlaps " + Describe(shown[j]));
            }
        }
        const bool checkBox = ClassOf(shown[i]) == "Button" && (::GetWindowLongPtrA(shown[i], GWL_STYLE) & BS_TYPEMASK) ==
                                                                  BS_AUTOCHECKBOX;
        if (checkBox) {
            // At least its text beside its box.
            const SIZE text = NeededSize(shown[i], false);
            RECT client;
            ::GetClientRect(shown[i], &client);
            const int needed = text.cx + ::GetSystemMetrics(SM_CXMENUCHECK);
            if (needed > client.right) {
                faults.push_back(Describe(shown[i]) + " needs " + std::to_string(needed) + " wide, has " +
                                 std::to_string(client.right));
            }
        }
        if (ClassOf(shown[i]) == "Static" && !HasStyle(shown[i], SS_ICON) && !WindowText(shown[i]).empty()) {
            const SIZE needed = NeededSize(shown[i]);
            RECT client;
            ::GetClientRect(shown[i], &client);
            if (needed.cx > client.right || needed.cy > client.bottom) {
                faults.push_back(Describe(shown[i]) + " needs " + std::to_string(needed.cx) + " x " +
                                 std::to_string(needed.cy) + ", has " + std::to_string(client.right) + " x " +
                                 std::to_string(client.bottom));
            }
        }
    }
    return faults;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

RECT ScreenRect(HWND hwnd) {
    RECT rect;
    ::GetWindowRect(hwnd, &rect);
    return rect;
}

class DisplayScaling : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
    }

    void SetUp() override {
        ASSERT_TRUE(MainWindow::RegisterClasses(::GetModuleHandleA(nullptr)));
        if (const char* expected = std::getenv("VELMORA_EXPECT_DPI")) {
            ASSERT_EQ(SessionDpi(), static_cast<UINT>(std::atoi(expected))) << "the prefix's LogPixels did not apply";
        }
    }

    // The toolbox's main window, made (hidden) in this process on fakes.
    HWND CreateMainWindow() {
        window_ = std::make_unique<MainWindow>(DriveSources{wmi_, devices_, pipes_, calls_});
        window_->Create();
        HWND found = ::FindWindowA(kMainWindowClass, nullptr);
        return found && testing::ProcessOf(found) == ::GetCurrentProcessId() ? found : nullptr;
    }

    fakes::FakeWmiSource wmi_;
    fakes::FakeDeviceIo devices_;
    fakes::FakePipeSystem pipes_;
    WorkerCalls calls_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(DisplayScaling, MainWindowLabelsHoldTheirTextsAndNoControlsOverlapAtTheSessionsDpi) {
    HWND window = CreateMainWindow();
    ASSERT_NE(window, nullptr);
    const std::vector<std::string> faults = LayoutFaults(window);
    EXPECT_TRUE(faults.empty()) << "at " << SessionDpi() << " DPI:\n" << Joined(faults);
}

TEST_F(DisplayScaling, MainWindowTakesTheSuggestedRectAndLaysItsControlsOutAgainOnDpiChange) {
    HWND window = CreateMainWindow();
    ASSERT_NE(window, nullptr);
    const UINT from = SessionDpi();
    const UINT to = from == 192 ? 96 : 192;
    const auto scaled = [&](LONG size) { return ::MulDiv(size, static_cast<int>(to), static_cast<int>(from)); };
    // The controls that are not sized by their text: the toolbar, the ten
    // fields, the gauge and the banner.
    std::vector<int> ids = {IDC_TOOLBAR, IDC_GAUGE, IDC_BANNER};
    for (int i = 0; i < 10; ++i) ids.push_back(IDC_FIELD_FIRST + i);
    std::vector<RECT> before;
    for (int id : ids) {
        HWND control = ::GetDlgItem(window, id);
        ASSERT_NE(control, nullptr) << id;
        RECT rect = ScreenRect(control);
        ::MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&rect), 2);
        before.push_back(rect);
    }
    const RECT old = ScreenRect(window);
    RECT suggested{old.left, old.top, old.left + scaled(old.right - old.left), old.top + scaled(old.bottom - old.top)};

    ::SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));

    const RECT now = ScreenRect(window);
    EXPECT_TRUE(::EqualRect(&suggested, &now)) << "the window did not take the suggested rect";
    for (std::size_t i = 0; i < ids.size(); ++i) {
        RECT rect = ScreenRect(::GetDlgItem(window, ids[i]));
        ::MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&rect), 2);
        // One pixel each way for the rounding of each size.
        EXPECT_NEAR(rect.left, scaled(before[i].left), 1) << ids[i];
        EXPECT_NEAR(rect.top, scaled(before[i].top), 1) << ids[i];
        EXPECT_NEAR(rect.right - rect.left, scaled(before[i].right - before[i].left), 1) << ids[i];
        EXPECT_NEAR(rect.bottom - rect.top, scaled(before[i].bottom - before[i].top), 1) << ids[i];
    }
    const std::vector<std::string> faults = LayoutFaults(window);
    EXPECT_TRUE(faults.empty()) << "after the change to " << to << " DPI:\n" << Joined(faults);
}

// Waits for this process's top-level window captioned caption, gives its
// layout faults and presses its first button.
std::future<std::vector<std::string>> FaultsThenPress(const std::string& caption) {
    return std::async(std::launch::async, [caption] {
        std::vector<std::string> faults;
        HWND box = WaitForTopLevel(caption, ::GetCurrentProcessId());
        if (!box) return std::vector<std::string>{"no window \"" + caption + "\""};
        faults = LayoutFaults(box);
        const std::vector<HWND> buttons = ButtonsOf(box);
        if (buttons.empty()) {
            ::PostMessageA(box, WM_CLOSE, 0, 0);
        } else {
            ::PostMessageA(buttons.front(), BM_CLICK, 0, 0);
        }
        return faults;
    });
}

TEST_F(DisplayScaling, MessageBoxKeepsItsIconClearOfItsTextAtTheSessionsDpi) {
    auto seen = FaultsThenPress("Warning");
    (void)ShowMessageBox(nullptr, MessageKind::Warning,
                         "No drive of the maker was found on this computer. The program stays open; connect a "
                         "drive and press the refresh button.",
                         MessageButton::Yes);
    const std::vector<std::string> faults = seen.get();
    EXPECT_TRUE(faults.empty()) << "at " << SessionDpi() << " DPI:\n" << Joined(faults);
}

TEST_F(DisplayScaling, StartUpQuestionHoldsItsTextsAtTheSessionsDpi) {
    auto seen = FaultsThenPress(kStartupQuestionCaption);
    CheckForUpdatesDialog dialog;
    (void)dialog.Ask(nullptr);
    const std::vector<std::string> faults = seen.get();
    EXPECT_TRUE(faults.empty()) << "at " << SessionDpi() << " DPI:\n" << Joined(faults);
}

// The height of the font a control draws its text in.
LONG FontHeight(HWND control) {
    LOGFONTA font{};
    HGDIOBJ handle = reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0));
    if (!handle || !::GetObjectA(handle, sizeof font, &font)) return 0;
    return font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
}

// Waits for this process's top-level window captioned caption, moves it to
// the other DPI with the message Windows sends (192 from 96, 96 from 192),
// gives what is wrong after it and presses its first button.
std::future<std::vector<std::string>> FaultsAfterDpiChangeThenPress(const std::string& caption, int textId) {
    return std::async(std::launch::async, [caption, textId] {
        HWND box = WaitForTopLevel(caption, ::GetCurrentProcessId());
        if (!box) return std::vector<std::string>{"no window \"" + caption + "\""};
        const UINT from = SessionDpi();
        const UINT to = from == 192 ? 96 : 192;
        const auto scaled = [&](LONG size) { return ::MulDiv(size, static_cast<int>(to), static_cast<int>(from)); };
        const RECT old = ScreenRect(box);
        RECT suggested{old.left, old.top, old.left + scaled(old.right - old.left),
                       old.top + scaled(old.bottom - old.top)};
        const LONG fontBefore = FontHeight(::GetDlgItem(box, textId));

        ::SendMessageA(box, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));

        std::vector<std::string> faults = LayoutFaults(box);
        const RECT now = ScreenRect(box);
        // The suggested place, grown where the texts need more.
        if (now.left != suggested.left || now.top != suggested.top || now.right < suggested.right ||
            now.bottom < suggested.bottom) {
            faults.push_back("the window did not take the suggested rect");
        }
        const LONG fontAfter = FontHeight(::GetDlgItem(box, textId));
        if (std::abs(fontAfter - scaled(fontBefore)) > 1) {
            faults.push_back("the text's font is " + std::to_string(fontAfter) + " high, was " +
                             std::to_string(fontBefore));
        }
        ::PostMessageA(ButtonsOf(box).front(), BM_CLICK, 0, 0);
        return faults;
    });
}

// Wine never sends WM_DPICHANGED, so the test sends it, as Windows does
// when a window moves to a display of another scaling. One window of each
// layout: laid out from its measured text, and from the design's places.
TEST_F(DisplayScaling, DialogsTakeTheSuggestedRectAndLayTheirControlsOutAgainOnDpiChange) {
    {
        SCOPED_TRACE("message box");
        auto seen = FaultsAfterDpiChangeThenPress("Warning", IDC_BOX_TEXT);
        (void)ShowMessageBox(nullptr, MessageKind::Warning,
                             "No drive of the maker was found on this computer. The program stays open; connect a "
                             "drive and press the refresh button.",
                             MessageButton::Yes);
        const std::vector<std::string> faults = seen.get();
        EXPECT_TRUE(faults.empty()) << Joined(faults);
    }
    {
        SCOPED_TRACE("start-up question");
        auto seen = FaultsAfterDpiChangeThenPress(kStartupQuestionCaption, IDC_QUESTION_TEXT);
        CheckForUpdatesDialog dialog;
        (void)dialog.Ask(nullptr);
        const std::vector<std::string> faults = seen.get();
        EXPECT_TRUE(faults.empty()) << Joined(faults);
    }
}

// The manifest built into a program; empty when it has none.
std::string BuiltManifest(const std::string& program) {
    std::string text;
    HMODULE module = ::LoadLibraryExA((testing::ProgramDirectory() + program).c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return text;
    if (HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {  // RT_MANIFEST
        if (HGLOBAL loaded = ::LoadResource(module, found)) {
            text.assign(static_cast<const char*>(::LockResource(loaded)), ::SizeofResource(module, found));
        }
    }
    ::FreeLibrary(module);
    return text;
}

// Wine never asks for per-monitor awareness, so the built file is read.
TEST(ToolboxManifest, AsksForPerMonitorV2AwarenessWithTheOlderSystemsFallbackAndNoElevation) {
    const std::string manifest = BuiltManifest("SMART_VELMORA.exe");
    EXPECT_NE(manifest.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                            "PerMonitorV2, PerMonitor</dpiAwareness>"),
              std::string::npos)
        << manifest;
    EXPECT_NE(manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm"
                            "</dpiAware>"),
              std::string::npos)
        << manifest;
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
}

}  // namespace
}  // namespace velmora::win
