#pragma once
// The life meter CGSSD_Life: a horizontal bar from 0 to 100 that prints its
// percentage in the middle, in the bar's colour over the empty part and in
// white over the filled part. The standard progress bar prints nothing. The
// window text is the printed percentage ("95%"), so tests can read it.

#include <windows.h>

namespace velmora::win {

inline constexpr char kGaugeClass[] = "VelmoraGauge";

// wParam: the position, clamped to 0..100.
inline constexpr UINT kGaugeSetPosition = WM_USER + 1;
// lParam: the bar's COLORREF.
inline constexpr UINT kGaugeSetColour = WM_USER + 2;
// Returns the position.
inline constexpr UINT kGaugeGetPosition = WM_USER + 3;

[[nodiscard]] bool RegisterGaugeClass(HINSTANCE instance) noexcept;

}  // namespace velmora::win
