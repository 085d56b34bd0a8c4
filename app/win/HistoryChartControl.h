#pragma once
// The "Health history" chart: a control that draws a HealthHistory with GDI
// as app/HistoryChart plans it, at the DPI of its window (sizes, fonts and
// lines scaled from 96 DPI). Its window text names it for screen readers;
// the sentence next to it carries the answer in text. Create it with the
// history as the creation parameter: the history must outlive the control.

#include <windows.h>

namespace velmora::win {

inline constexpr char kHistoryChartClass[] = "VelmoraHistoryChart";

[[nodiscard]] bool RegisterHistoryChartClass(HINSTANCE instance) noexcept;

}  // namespace velmora::win
