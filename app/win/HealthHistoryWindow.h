#pragma once
// "Health history": the health watch's history of the drive the main window
// shows, read once when the window opens: the chart of its life meter and
// temperature with the forecast, and under it the sentence, in a read-only
// text that the Tab key reaches; or one message alone when there is
// nothing to chart. Sizes, fonts and lines follow the window's DPI. Esc and
// Close end it.

#include <string>

#include "app/HealthHistory.h"
#include "app/win/ModalWindow.h"
#include "common/win/UniqueHandle.h"
#include "drives/DriveTable.h"

namespace velmora::win {

class HealthHistoryWindow final : public ModalWindow {
public:
    // databasePath in the system code page; drive: the one shown, or none.
    HealthHistoryWindow(const std::string& databasePath, const DriveInfo* drive);

private:
    [[nodiscard]] ModalFrame Frame() const override;
    void OnInit() override;
    void LayOut() override;
    void OnShown() override;
    bool OnCommand(int id, int notifyCode) override;

    std::string caption_;
    HealthHistory history_;
    GdiObject font_;
};

}  // namespace velmora::win
