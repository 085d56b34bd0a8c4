#include "app/win/RawSmartWindow.h"

#include <stdexcept>
#include <utility>

#include "drives/OsVersion.h"
#include "drives/RawReport.h"
#include "app/win/AppResources.h"
#include "app/win/GuiFonts.h"
#include "app/win/TextFileWriter.h"

namespace velmora::win {

SaveFileSettings RawReportSaveSettings() {
    SaveFileSettings settings;
    settings.SuggestedName = "smart.txt";
    settings.FilterDescription = "*.txt";
    settings.FilterPattern = "*.txt";
    settings.DefaultExtension = "txt";
    return settings;
}

std::string RawReportEditText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

RawSmartWindow::RawSmartWindow(WmiSource& wmi, DeviceIo& devices, PipeSystem& pipes)
    : wmi_(wmi), devices_(devices), pipes_(pipes) {}

ModalFrame RawSmartWindow::Frame() const { return {"RAW SMART data", Scale(465), Scale(475), true}; }

void RawSmartWindow::OnInit() {
    HWND text = AddControl("EDIT", "", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, 0, 0, 0, 0,
                           IDC_RAW_TEXT, WS_EX_CLIENTEDGE);
    // The report of many disks may pass the edit control's default limit.
    ::SendMessageA(text, EM_SETLIMITTEXT, 0, 0);
    (void)AddControl("BUTTON", "Save to file", BS_PUSHBUTTON | WS_TABSTOP, 0, 0, 0, 0, IDC_RAW_SAVE);
    HWND close = AddControl("BUTTON", "Close", BS_PUSHBUTTON | WS_TABSTOP, 0, 0, 0, 0, IDC_RAW_CLOSE);
    ::SetFocus(close);
}

void RawSmartWindow::LayOut() {
    // The old fonts go once the controls have the new ones.
    const GdiObject previousFont = std::exchange(font_, CreateDesignFont("MS Sans Serif", Scale(11)));
    const GdiObject previousTextFont = std::exchange(textFont_, CreateDesignFont("Arial", Scale(11), Pitch::Fixed));
    const auto place = [&](int id, int x, int y, int width, int height, const GdiObject& font) {
        HWND control = ::GetDlgItem(Handle(), id);
        ::SetWindowPos(control, nullptr, Scale(x), Scale(y), Scale(width), Scale(height),
                       SWP_NOZORDER | SWP_NOACTIVATE);
        SetControlFont(control, font);
    };
    place(IDC_RAW_TEXT, 0, 0, 465, 433, textFont_);
    place(IDC_RAW_SAVE, 296, 440, 75, 25, font_);
    place(IDC_RAW_CLOSE, 376, 440, 75, 25, font_);
}

void RawSmartWindow::OnShown() {
    // The window stays busy while each disk's exchange with the service runs.
    HCURSOR previous = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    RawReport report = CollectRawReport(wmi_, devices_, pipes_, OSVersionPrefix);
    lines_ = std::move(report.Lines);
    ::SetDlgItemTextA(Handle(), IDC_RAW_TEXT, RawReportEditText(lines_).c_str());
    ::SetCursor(previous);
}

bool RawSmartWindow::OnCommand(int id, int notifyCode) {
    switch (id) {
        case IDC_RAW_SAVE:
            Save();
            return true;
        case IDC_RAW_CLOSE:
            End(IDCLOSE);
            return true;
        default:
            return ModalWindow::OnCommand(id, notifyCode);
    }
}

void RawSmartWindow::Save() {
    const auto path = ChooseSaveFile(Handle(), RawReportSaveSettings());
    if (!path) return;
    WriteWholeFile(*path, RawReportFileBytes(lines_));
}

}  // namespace velmora::win
