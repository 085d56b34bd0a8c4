#include "app/win/HealthHistoryWindow.h"

#include <algorithm>
#include <utility>

#include "app/HistoryChart.h"
#include "app/win/AppResources.h"
#include "app/win/GuiFonts.h"
#include "app/win/HistoryChartControl.h"

namespace velmora::win {

namespace {

// Sizes at 96 DPI.
constexpr int kChartClientWidth = 640;
constexpr int kChartClientHeight = 440;
constexpr int kMessageClientWidth = 480;
constexpr int kMargin = 12;
constexpr int kGap = 8;
constexpr int kTextPixels = 13;
constexpr int kTextHeight = 34;  // two lines: a long message wraps
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

// Nine tenths of the work area at most, so the window fits a small screen
// at a large scaling; the controls are laid out in what it got.
int Fit(int wanted, LONG available) { return std::min(wanted, static_cast<int>(available) * 9 / 10); }

}  // namespace

HealthHistoryWindow::HealthHistoryWindow(const std::string& databasePath, const DriveInfo* drive)
    : caption_(HealthHistoryCaption(drive)), history_(ReadHealthHistory(databasePath, drive)) {}

ModalFrame HealthHistoryWindow::Frame() const {
    RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int controlsHeight = 2 * Scale(kMargin) + Scale(kTextHeight) + Scale(kGap) + Scale(kButtonHeight);
    if (!history_.HasChart) {
        return {caption_, Fit(Scale(kMessageClientWidth), work.right - work.left),
                Fit(controlsHeight, work.bottom - work.top), false};
    }
    return {caption_, Fit(Scale(kChartClientWidth), work.right - work.left),
            Fit(Scale(kChartClientHeight), work.bottom - work.top), false};
}

void HealthHistoryWindow::OnInit() {
    if (history_.HasChart) {
        (void)AddControl(kHistoryChartClass, kChartName, 0, 0, 0, 0, 0, IDC_HISTORY_CHART, 0, &history_);
    }
    // A read-only edit rather than a label: the Tab key reaches it and a
    // screen reader reads it; it looks like the window's own text.
    (void)AddControl("EDIT", history_.Text.c_str(), ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_TABSTOP, 0, 0, 0,
                     0, IDC_HISTORY_TEXT);
    (void)AddControl("BUTTON", "Close", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 0, 0, 0, IDC_HISTORY_CLOSE);
}

// The chart draws its lines and labels at its DPI itself.
void HealthHistoryWindow::LayOut() {
    constexpr UINT kPlace = SWP_NOZORDER | SWP_NOACTIVATE;
    // The old font goes once the controls have the new one.
    const GdiObject previousFont = std::exchange(font_, CreateScaledFont(kTextPixels, Dpi()));
    RECT client;
    ::GetClientRect(Handle(), &client);
    const int width = client.right - 2 * Scale(kMargin);
    const int buttonTop = client.bottom - Scale(kMargin) - Scale(kButtonHeight);
    const int textTop = buttonTop - Scale(kGap) - Scale(kTextHeight);
    if (HWND chart = ::GetDlgItem(Handle(), IDC_HISTORY_CHART)) {
        const int chartHeight = std::max(textTop - Scale(kGap) - Scale(kMargin), 0);
        ::SetWindowPos(chart, nullptr, Scale(kMargin), Scale(kMargin), width, chartHeight, kPlace);
    }
    HWND text = ::GetDlgItem(Handle(), IDC_HISTORY_TEXT);
    HWND close = ::GetDlgItem(Handle(), IDC_HISTORY_CLOSE);
    ::SetWindowPos(text, nullptr, Scale(kMargin), textTop, width, Scale(kTextHeight), kPlace);
    ::SetWindowPos(close, nullptr, client.right - Scale(kMargin) - Scale(kButtonWidth), buttonTop, Scale(kButtonWidth),
                   Scale(kButtonHeight), kPlace);
    SetControlFont(text, font_);
    SetControlFont(close, font_);
}

void HealthHistoryWindow::OnShown() {
    // The dialog selects an edit's whole text when it takes the focus.
    ::SendDlgItemMessageA(Handle(), IDC_HISTORY_TEXT, EM_SETSEL, 0, 0);
}

bool HealthHistoryWindow::OnCommand(int id, int notifyCode) {
    if (id == IDC_HISTORY_CLOSE) {
        End(IDCLOSE);
        return true;
    }
    return ModalWindow::OnCommand(id, notifyCode);
}

}  // namespace velmora::win
