#pragma once
// TFDAVERUri, the toolbox's main window: builds its controls, draws what the
// window logic and the drive presenter tell it, and forwards its events to
// the logic behind the handler guard. It owns the drive table.

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drives/DriveTable.h"
#include "app/MainWindowLogic.h"
#include "drives/PipeClient.h"
#include "app/win/AppResources.h"
#include "app/win/DriveToolbar.h"
#include "app/win/MainWindowUpdateSide.h"
#include "app/win/ModalClockHold.h"
#include "app/win/WorkerCalls.h"
#include "common/DeviceIo.h"
#include "common/WmiSource.h"
#include "common/win/UniqueHandle.h"

namespace velmora::win {

inline constexpr char kMainWindowClass[] = "TFDAVERUri";

// Where the windows read drives and SMART data from, and the worker their
// blocking calls run on; all must outlive the window.
struct DriveSources {
    WmiSource& Wmi;
    DeviceIo& Devices;
    PipeSystem& Pipes;
    const WorkerCalls& Calls;
};

class MainWindow final : public MainWindowView, private DrivePressFilter {
public:
    explicit MainWindow(DriveSources sources);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Registers the window classes this window uses; false on failure.
    [[nodiscard]] static bool RegisterClasses(HINSTANCE instance) noexcept;

    // Creates the window, hidden, with its caption, menu and controls.
    // Raises on failure.
    void Create();
    // The constructor's checks; false when the program must end.
    [[nodiscard]] bool CheckStartup(std::int32_t comSecurityResult);
    // Shows the window and queues its first showing.
    void Show(int showCommand);

    // MainWindowView
    void SetFieldText(FieldId field, const std::string& text) override;
    void SetTemperatureColour(TemperatureColour colour) override;
    void SetGaugePosition(int percent) override;
    void SetStatusPicture(std::string_view resourceName) override;
    void SetDriveButtonImage(int button, int image) override;
    void SetRefreshButtonImage(int image) override;
    void ProcessPendingMessages() override;
    void ShowWarning(std::string_view text) override;
    void ShowMessage(MessageKind kind, std::string_view text, MessageButton button) override;
    void SetGaugeColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) override;
    void StartFirstTickTimer() override;
    void CloseWindow() override;
    void OpenRawSmartWindow() override;
    void OpenHealthHistoryWindow(const DriveInfo* shownDrive) override;
    void OpenAboutWindow() override;
    void OpenLicenseWindow() override;
    void OpenInstallerLicenseWindow() override;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    // False while an update command or a call on the worker runs: the close
    // is then deferred.
    [[nodiscard]] bool CloseNow() noexcept;
    // True while the thread waits for the worker: a command sent meanwhile
    // is posted again, to run after the call.
    [[nodiscard]] bool DeferWhileWaiting(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    [[nodiscard]] update::UpdateFlow& Updates() noexcept { return updates_->Flow(); }
    // Layout: every size is given at 96 DPI and scaled to dpi_.
    struct LabelSlot {
        HWND Label;
        const char* Text;
        int X;
        int Y;
        bool Small;                 // the degree sign's font
        bool AfterTemperatureWord;  // X counts from the end of "Temperature "
    };
    [[nodiscard]] int Scale(int size) const noexcept;
    void CreateControls();
    void AddLabel(const char* text, int x, int y, bool small = false, bool afterTemperatureWord = false);
    void LayOut() noexcept;
    // WM_DPICHANGED: the window moves to suggested, and its fonts, images and
    // controls follow dpi.
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void OnCommand(int id);
    [[nodiscard]] LRESULT FieldColour(HWND field, HDC dc) noexcept;
    [[nodiscard]] bool AllowDrivePress(int tag) noexcept override;

    DriveSources sources_;
    DriveTable table_;
    MainWindowLogic logic_;
    std::unique_ptr<MainWindowUpdateSide> updates_;
    // Closing was asked for while an update command ran; the window goes
    // once that command has returned.
    bool closePending_ = false;
    // The system's own modal loop of the menu or of moving the window, from
    // its entering message to its leaving one.
    std::optional<ModalClockHold> systemLoop_;
    HWND hwnd_ = nullptr;
    DriveToolbar toolbar_;
    std::array<HWND, kFieldCount> fields_{};
    HWND gauge_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    std::vector<LabelSlot> labels_;
    GdiObject font_;
    GdiObject degreeFont_;
    GdiObject overTemperatureBrush_;
    TemperatureColour temperatureColour_ = TemperatureColour::Normal;
    int nextLabelId_ = IDC_LABEL_FIRST;
};

}  // namespace velmora::win
