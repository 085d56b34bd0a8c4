#pragma once
// TFRawSMART: the raw SMART report of every disk, built once when the window
// has been shown, which the user can save to a text file.

#include <string>
#include <vector>

#include "drives/PipeClient.h"
#include "app/win/ModalWindow.h"
#include "app/win/SaveFileDialog.h"
#include "common/DeviceIo.h"
#include "common/WmiSource.h"
#include "common/win/UniqueHandle.h"

namespace velmora::win {

// SD1: "smart.txt", one "*.txt" filter, overwrite prompt, no read-only box,
// resizable; a name typed without an extension gets ".txt".
[[nodiscard]] SaveFileSettings RawReportSaveSettings();

// The lines as the text area shows them, each ended by CR LF.
[[nodiscard]] std::string RawReportEditText(const std::vector<std::string>& lines);

class RawSmartWindow final : public ModalWindow {
public:
    // All three must outlive the window.
    RawSmartWindow(WmiSource& wmi, DeviceIo& devices, PipeSystem& pipes);

private:
    [[nodiscard]] ModalFrame Frame() const override;
    void OnInit() override;
    void LayOut() override;
    void OnShown() override;
    bool OnCommand(int id, int notifyCode) override;
    void Save();

    WmiSource& wmi_;
    DeviceIo& devices_;
    PipeSystem& pipes_;
    std::vector<std::string> lines_;
    GdiObject font_;
    GdiObject textFont_;
};

}  // namespace velmora::win
