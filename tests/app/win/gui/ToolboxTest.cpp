// SMART_VELMORA.exe as a user meets it, looked at from this process: the
// service installed and running on the example drive set, the main window
// found by its caption, its fields read with WM_GETTEXT, a real mouse click
// on the second drive button; the start-up boxes of an unknown Windows
// version and of a machine without the maker's drives; and the health
// history window of the shown drive, from a history the watch's own store
// wrote and without one.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "drives/DriveView.h"
#include "app/HistoryChart.h"
#include "app/win/AppResources.h"
#include "service/win/SmartVelmoraService.h"
#include "tests/app/win/gui/HistorySeed.h"
#include "tests/app/win/gui/ToolboxProcess.h"
#include "tests/app/win/gui/UpdateTestSupport.h"
#include "tests/app/win/gui/WindowProbe.h"
#include "tests/service/win/ServiceTestSupport.h"

namespace velmora::testing {
namespace {

constexpr DWORD kServiceTimeoutMs = 60000;
constexpr DWORD kEndTimeoutMs = 30000;

std::string ExampleDriveSet() { return WindowsPathOf(std::string(VELMORA_EXAMPLES) + "/demo-drives.ini"); }

std::string ReadExampleDriveSet() {
    std::ifstream file(std::string(VELMORA_EXAMPLES) + "/demo-drives.ini", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// A drive-set file of this test in the temporary folder.
std::string WriteDriveSet(const char* name, const std::string& text) {
    char folder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// The example set with another Windows version.
std::string ExampleWithVersion(const std::string& version) {
    std::string text = ReadExampleDriveSet();
    const std::string line = "Version=10.0.19045";
    text.replace(text.find(line), line.size(), "Version=" + version);
    return text;
}

// Only the example's disk of another maker.
std::string OtherMakerOnly() {
    const std::string text = ReadExampleDriveSet();
    const std::size_t os = text.find("[os]");
    const std::size_t firstDisk = text.find("[disk]");
    const std::size_t otherDisk = text.find("[disk]\nIndex=2");
    return text.substr(os, firstDisk - os) + text.substr(otherDisk);
}

bool StartService() {
    win::ServiceHandle service = OpenService(win::kServiceName, SERVICE_START | SERVICE_QUERY_STATUS);
    if (!service) return false;
    if (QueryState(service.get()) != SERVICE_RUNNING) {
        if (!::StartServiceA(service.get(), 0, nullptr) && ::GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
            return false;
        }
        if (!WaitForState(service.get(), SERVICE_RUNNING, kServiceTimeoutMs)) return false;
    }
    return WaitUntil([] { return ::WaitNamedPipeA(kPipeName, 50) || ::GetLastError() != ERROR_FILE_NOT_FOUND; },
                     kServiceTimeoutMs);
}

void RemoveEverything() {
    static_cast<void>(RemoveService(win::kServiceName));
    static_cast<void>(SetDriveSetPath(nullptr));
}

// The Help menu's items, text and command, as the toolbox's resources make
// the menu. (Wine keeps a menu's items in the process that owns it, so the
// running window's menu cannot be read from here.)
std::vector<std::pair<std::string, UINT>> HelpMenuItems() {
    std::vector<std::pair<std::string, UINT>> items;
    HMODULE toolbox = ::LoadLibraryExA((ProgramDirectory() + "SMART_VELMORA.exe").c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE);
    HMENU menu = toolbox ? ::LoadMenuA(toolbox, MAKEINTRESOURCEA(IDR_MAINMENU)) : nullptr;
    HMENU help = menu ? ::GetSubMenu(menu, 2) : nullptr;
    for (int i = 0; help && i < ::GetMenuItemCount(help); ++i) {
        char text[64] = {};
        ::GetMenuStringA(help, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        items.emplace_back(text, ::GetMenuItemID(help, i));
    }
    if (menu) ::DestroyMenu(menu);
    if (toolbox) ::FreeLibrary(toolbox);
    return items;
}

std::map<FieldId, std::string> ReadFields(HWND window) {
    std::map<FieldId, std::string> fields;
    for (int i = 0; i < static_cast<int>(kFieldCount); ++i) {
        fields[static_cast<FieldId>(i)] = TextById(window, IDC_FIELD_FIRST + i);
    }
    return fields;
}

class ToolboxOnExampleSet : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RemoveEverything();
        const std::string set = ExampleDriveSet();
        ASSERT_TRUE(SetDriveSetPath(&set));
        const ProgramRun install = RunProgram(ServiceExePath(), "/INSTALL /SILENT");
        ASSERT_TRUE(install.Ended);
        ASSERT_EQ(install.ExitCode, 0u);
        ASSERT_TRUE(StartService()) << "service did not start";
        ASSERT_TRUE(DontAskAtStartUp());
    }
    static void TearDownTestSuite() { RemoveEverything(); }

    // Starts the toolbox on the set given (the example when null).
    HWND StartToolbox(const std::string* driveSet = nullptr) {
        const std::string path = driveSet ? *driveSet : ExampleDriveSet();
        EXPECT_TRUE(SetDriveSetPath(&path));
        toolbox_ = std::make_unique<ToolboxProcess>();
        EXPECT_TRUE(toolbox_->Started());
        return toolbox_->WaitForWindow(kToolboxCaption);
    }

    void CloseToolbox(HWND window) {
        ::PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(toolbox_->WaitForEnd(kEndTimeoutMs));
        EXPECT_EQ(toolbox_->ExitCode(), 0u);
    }

    std::unique_ptr<ToolboxProcess> toolbox_;
};

TEST_F(ToolboxOnExampleSet, MainWindowShowsTheFirstDrivesValuesFromTheService) {
    HWND window = StartToolbox();
    ASSERT_NE(window, nullptr) << "no window captioned " << kToolboxCaption;
    ASSERT_TRUE(WaitUntil([&] { return TextById(window, IDC_GAUGE) != "0%"; })) << "the first drive was not shown";

    const std::map<FieldId, std::string> expected = {
        {FieldId::Model, "VELMORA R730 SSD"}, {FieldId::Capacity, "256GB"},
        {FieldId::SerialNumber, "VM0A1B2C3D"}, {FieldId::Firmware, "Q5RT2B1"},
        {FieldId::PowerOnHours, "1234"},      {FieldId::PowerCycles, "321"},
        {FieldId::MaxEraseCount, "210"},      {FieldId::AvgEraseCount, "150"},
        {FieldId::GBWritten, "4567"},         {FieldId::Temperature, "35"},
    };
    EXPECT_EQ(ReadFields(window), expected);
    EXPECT_EQ(TextById(window, IDC_GAUGE), "95%");
    EXPECT_EQ(TextById(window, IDC_STATUS), "STAT_OK");
    HWND toolbar = DescendantById(window, IDC_TOOLBAR);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(ToolbarButtonImage(toolbar, IDC_DRIVE_BUTTON_FIRST), toolbar_image::DriveShown);
    EXPECT_EQ(ToolbarButtonImage(toolbar, IDC_DRIVE_BUTTON_FIRST + 1), toolbar_image::DrivePresent);
    EXPECT_EQ(ToolbarButtonImage(toolbar, IDC_DRIVE_BUTTON_FIRST + 2), toolbar_image::DriveAbsent);
    EXPECT_EQ(ToolbarButtonImage(toolbar, IDC_REFRESH_BUTTON), toolbar_image::RefreshActive);
    EXPECT_TRUE(TopLevelWindows("Error", toolbox_->Id()).empty()) << "an error box is open";
    CloseToolbox(window);
}

TEST_F(ToolboxOnExampleSet, ClickOnTheSecondDriveButtonShowsTheSecondDrive) {
    HWND window = StartToolbox();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return TextById(window, IDC_GAUGE) == "95%"; }));
    HWND toolbar = DescendantById(window, IDC_TOOLBAR);
    ASSERT_NE(toolbar, nullptr);
    ::SetForegroundWindow(window);
    RECT bar{};
    ::GetWindowRect(toolbar, &bar);
    // Injected input can be dropped while Wine settles the pointer, so the
    // click is repeated until it lands; clicking a shown drive only refreshes it.
    const auto secondShown = [&] { return TextById(window, IDC_FIELD_FIRST) == "VELMORA LP520 NVMe SSD"; };
    ASSERT_TRUE(WaitUntil([&] {
        ClickAt(bar.left + 42 + 21, bar.top + 21);  // the middle of TBDrive2
        return WaitUntil(secondShown, 3000);
    })) << "model still " << TextById(window, IDC_FIELD_FIRST);
    ASSERT_TRUE(WaitUntil([&] { return TextById(window, IDC_GAUGE) == "97%"; }));
    const std::map<FieldId, std::string> expected = {
        {FieldId::Model, "VELMORA LP520 NVMe SSD"}, {FieldId::Capacity, "512GB"},
        {FieldId::SerialNumber, "0025_38A1_2B3C_4D5E."}, {FieldId::Firmware, "N2RT1A05"},
        {FieldId::PowerOnHours, "2210"},            {FieldId::PowerCycles, "275"},
        {FieldId::MaxEraseCount, ""},               {FieldId::AvgEraseCount, ""},
        {FieldId::GBWritten, "4500"},               {FieldId::Temperature, "38"},
    };
    EXPECT_EQ(ReadFields(window), expected);
    EXPECT_EQ(TextById(window, IDC_STATUS), "STAT_OK");
    EXPECT_EQ(ToolbarButtonImage(toolbar, IDC_DRIVE_BUTTON_FIRST), toolbar_image::DrivePresent);
    EXPECT_EQ(ToolbarButtonImage(toolbar, IDC_DRIVE_BUTTON_FIRST + 1), toolbar_image::DriveShown);

    EXPECT_TRUE(TopLevelWindows("Error", toolbox_->Id()).empty());
    CloseToolbox(window);
}

TEST_F(ToolboxOnExampleSet, UnknownWindowsVersionEndsTheProgramAfterItsAbortBox) {
    const std::string set = WriteDriveSet("velmora-vista.ini", ExampleWithVersion("6.0.6002"));
    ASSERT_TRUE(SetDriveSetPath(&set));
    ToolboxProcess toolbox;
    ASSERT_TRUE(toolbox.Started());

    HWND box = toolbox.WaitForWindow("Error");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextById(box, IDC_BOX_TEXT), "Unsupported operating system!");
    const std::vector<HWND> buttons = ButtonsOf(box);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(WindowText(buttons[0]), "&Abort");
    EXPECT_TRUE(TopLevelWindows(kToolboxCaption, toolbox.Id()).empty()) << "the main window must not be shown";

    ::SendMessageA(buttons[0], BM_CLICK, 0, 0);
    EXPECT_TRUE(toolbox.WaitForEnd(kEndTimeoutMs));
    EXPECT_EQ(toolbox.ExitCode(), 1u);
    ::DeleteFileA(set.c_str());
}

TEST_F(ToolboxOnExampleSet, SetWithoutTheMakersDrivesShowsTheNotFoundWarningAndStaysOpen) {
    const std::string set = WriteDriveSet("velmora-other-maker.ini", OtherMakerOnly());
    HWND window = StartToolbox(&set);
    ASSERT_NE(window, nullptr);

    HWND box = toolbox_->WaitForWindow("Warning");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextById(box, IDC_BOX_TEXT), "VELMORA SSD not found!");
    const std::vector<HWND> buttons = ButtonsOf(box);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(WindowText(buttons[0]), "&Abort");
    ::SendMessageA(buttons[0], BM_CLICK, 0, 0);

    ASSERT_TRUE(WaitUntil([&] { return TopLevelWindows("Warning", toolbox_->Id()).empty(); }));
    EXPECT_FALSE(toolbox_->WaitForEnd(0));
    EXPECT_EQ(TextById(window, IDC_FIELD_FIRST), "");
    EXPECT_EQ(TextById(window, IDC_STATUS), "STAT_UN");
    HWND toolbar = DescendantById(window, IDC_TOOLBAR);
    for (int button = 0; button < kDriveButtonCount; ++button) {
        EXPECT_EQ(ToolbarButtonImage(toolbar, IDC_DRIVE_BUTTON_FIRST + button), toolbar_image::DriveAbsent);
    }
    EXPECT_EQ(ToolbarButtonImage(toolbar, IDC_REFRESH_BUTTON), toolbar_image::RefreshInactive);
    CloseToolbox(window);
    ::DeleteFileA(set.c_str());
}

// ---- health history

constexpr char kHistoryCaption[] = "Health history: VELMORA R730 SSD (serial number VM0A1B2C3D)";

// Chooses Help > Health history, as the menu does: its item's command.
HWND OpenHealthHistory(const ToolboxProcess& toolbox, HWND window) {
    const auto items = HelpMenuItems();
    const auto item = std::find_if(items.begin(), items.end(), [](const auto& i) { return i.first == "&Health history"; });
    EXPECT_NE(item, items.end());
    // Next to the other view of the drives' data.
    EXPECT_TRUE(item != items.begin() && std::prev(item)->first == "&RAW SMART data");
    if (item == items.end()) return nullptr;
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(item->second, 0), 0);
    return toolbox.WaitForWindow(kHistoryCaption);
}

TEST_F(ToolboxOnExampleSet, HealthHistoryOfTheShownDriveGivesItsForecastAndEscapeClosesIt) {
    // 2026-04-21T09:00:00Z, a failed read 20 days later, 2026-06-10T09:00:00Z:
    // 3 % in 50 days, so 92 % lasts 1533 days after 2026-06-10.
    ASSERT_TRUE(WriteHistory({ExampleRun(1776762000, 95, 34), ExampleRun(1778490000, std::nullopt),
                              ExampleRun(1781082000, 92, 37)}));
    HWND window = StartToolbox();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return TextById(window, IDC_GAUGE) == "95%"; }));

    HWND history = OpenHealthHistory(*toolbox_, window);
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(TextById(history, IDC_HISTORY_TEXT),
              "At the current rate the life meter reaches 0 % around 2030-08 (about 4 years)");
    EXPECT_EQ(TextById(history, IDC_HISTORY_CHART), kChartName);
    // The sentence has the focus: Esc there goes to the window.
    ::PostMessageA(DescendantById(history, IDC_HISTORY_TEXT), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return TopLevelWindows(kHistoryCaption, toolbox_->Id()).empty(); }));
    CloseToolbox(window);
    RemoveHistory();
}

TEST_F(ToolboxOnExampleSet, HealthHistoryWithoutADatabaseSaysThereIsNoneYetAndCloseClosesIt) {
    RemoveHistory();
    HWND window = StartToolbox();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return TextById(window, IDC_GAUGE) == "95%"; }));

    HWND history = OpenHealthHistory(*toolbox_, window);
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(TextById(history, IDC_HISTORY_TEXT), "No history yet: is the SMART_VELMORA_WATCH service running?");
    EXPECT_EQ(DescendantById(history, IDC_HISTORY_CHART), nullptr);
    ::SendMessageA(DescendantById(history, IDC_HISTORY_CLOSE), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return TopLevelWindows(kHistoryCaption, toolbox_->Id()).empty(); }));
    CloseToolbox(window);
}

}  // namespace
}  // namespace velmora::testing
