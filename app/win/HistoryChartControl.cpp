#include "app/win/HistoryChartControl.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "app/HistoryChart.h"
#include "app/win/GuiFonts.h"
#include "common/win/UniqueHandle.h"

namespace velmora::win {

namespace {

// Sizes at 96 DPI.
constexpr int kLabelPixels = 12;
constexpr int kPadding = 8;
constexpr int kLabelGap = 6;
constexpr int kTickLabelSpacing = 16;
constexpr int kLineWidth = 2;
constexpr int kGridWidth = 1;
constexpr int kLegendSample = 20;
constexpr int kLegendGap = 16;

constexpr COLORREF kLifeColour = RGB(0, 120, 188);  // the main window's life meter
constexpr COLORREF kTemperatureColour = RGB(200, 80, 0);
constexpr COLORREF kGridColour = RGB(218, 218, 218);
constexpr COLORREF kFrameColour = RGB(128, 128, 128);

struct MemoryDcTraits {
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type dc) noexcept { ::DeleteDC(dc); }
};
using MemoryDc = UniqueHandle<MemoryDcTraits>;

// Puts an object into a DC for the scope, and the previous one back.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~Selection() { ::SelectObject(dc_, previous_); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), length);
    return text;
}

SIZE TextSize(HDC dc, const std::wstring& text) noexcept {
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

int WidestLabel(HDC dc, const std::vector<ChartTick>& ticks) {
    int widest = 0;
    for (const ChartTick& tick : ticks) widest = std::max<int>(widest, TextSize(dc, Wide(tick.Label)).cx);
    return widest;
}

GdiObject SolidPen(int width, COLORREF colour) { return GdiObject(::CreatePen(PS_SOLID, width, colour)); }

GdiObject DashedPen(int width, COLORREF colour) {
    LOGBRUSH brush{BS_SOLID, colour, 0};
    return GdiObject(::ExtCreatePen(PS_GEOMETRIC | PS_DASH | PS_ENDCAP_FLAT, static_cast<DWORD>(width), &brush, 0,
                                    nullptr));
}

void PutText(HDC dc, int x, int y, const std::wstring& text) noexcept {
    ::TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

// Lines through their points; a line of one point is a dot as wide as the pen.
void DrawLines(HDC dc, const std::vector<std::vector<ChartPoint>>& lines, COLORREF colour, int width) {
    const GdiObject pen = SolidPen(width, colour);
    const GdiObject brush(::CreateSolidBrush(colour));
    const Selection penSelection(dc, pen.get());
    const Selection brushSelection(dc, brush.get());
    std::vector<POINT> points;
    for (const auto& line : lines) {
        if (line.size() == 1) {
            const ChartPoint p = line.front();
            ::Ellipse(dc, p.X - width, p.Y - width, p.X + width + 1, p.Y + width + 1);
            continue;
        }
        points.clear();
        for (const ChartPoint& p : line) points.push_back({p.X, p.Y});
        ::Polyline(dc, points.data(), static_cast<int>(points.size()));
    }
}

class ChartPainter {
public:
    ChartPainter(HDC dc, const RECT& client, UINT dpi) : dc_(dc), client_(client), dpi_(dpi) {}

    void Paint(const HealthHistory& history) {
        ::FillRect(dc_, &client_, ::GetSysColorBrush(COLOR_BTNFACE));
        const GdiObject font = CreateScaledFont(kLabelPixels, dpi_);
        const Selection fontSelection(dc_, font.get());
        ::SetBkMode(dc_, TRANSPARENT);
        ::SetTextColor(dc_, ::GetSysColor(COLOR_BTNTEXT));
        lineHeight_ = TextSize(dc_, L"0").cy;

        // The value labels do not depend on the area: plan once to measure them.
        ChartPlan plan = PlanChart(history, {0, 0, 1, 1}, 0);
        const bool temperatures = !plan.TemperatureTicks.empty();
        ChartArea area;
        area.Left = client_.left + Scale(kPadding) + WidestLabel(dc_, plan.LifeTicks) + Scale(kLabelGap);
        area.Right = client_.right - Scale(kPadding) -
                     (temperatures ? WidestLabel(dc_, plan.TemperatureTicks) + Scale(kLabelGap) : 0);
        area.Top = client_.top + 2 * Scale(kPadding) + lineHeight_;
        area.Bottom = client_.bottom - Scale(kPadding) - lineHeight_ - Scale(kLabelGap);
        if (area.Right - area.Left < 2 || area.Bottom - area.Top < 2) return;
        const int dateWidth = TextSize(dc_, L"0000-00-00").cx + Scale(kTickLabelSpacing);
        plan = PlanChart(history, area, (area.Right - area.Left) / std::max(dateWidth, 1) + 1);

        DrawPlotArea(area, plan);
        DrawLines(dc_, plan.TemperatureLines, kTemperatureColour, Scale(kLineWidth));
        DrawLines(dc_, plan.LifeLines, kLifeColour, Scale(kLineWidth));
        if (plan.ForecastLine) {
            const GdiObject pen = DashedPen(Scale(kLineWidth), kLifeColour);
            const Selection penSelection(dc_, pen.get());
            const auto& [from, to] = *plan.ForecastLine;
            ::MoveToEx(dc_, from.X, from.Y, nullptr);
            ::LineTo(dc_, to.X, to.Y);
        }
        DrawLabels(area, plan);
        DrawLegend(area, temperatures, plan.ForecastLine.has_value());
    }

private:
    [[nodiscard]] int Scale(int size) const { return ScaleToDpi(size, dpi_); }

    void DrawPlotArea(const ChartArea& area, const ChartPlan& plan) {
        const RECT plot{area.Left, area.Top, area.Right + 1, area.Bottom + 1};
        ::FillRect(dc_, &plot, ::GetSysColorBrush(COLOR_WINDOW));
        const GdiObject grid = SolidPen(Scale(kGridWidth), kGridColour);
        {
            const Selection gridSelection(dc_, grid.get());
            for (const ChartTick& tick : plan.LifeTicks) {
                ::MoveToEx(dc_, area.Left, tick.Position, nullptr);
                ::LineTo(dc_, area.Right, tick.Position);
            }
            for (const ChartTick& tick : plan.TimeTicks) {
                ::MoveToEx(dc_, tick.Position, area.Top, nullptr);
                ::LineTo(dc_, tick.Position, area.Bottom);
            }
        }
        const GdiObject frame = SolidPen(Scale(kGridWidth), kFrameColour);
        const Selection frameSelection(dc_, frame.get());
        const Selection noFill(dc_, ::GetStockObject(NULL_BRUSH));
        ::Rectangle(dc_, plot.left, plot.top, plot.right, plot.bottom);
    }

    void DrawLabels(const ChartArea& area, const ChartPlan& plan) {
        for (const ChartTick& tick : plan.LifeTicks) {
            const std::wstring text = Wide(tick.Label);
            PutText(dc_, area.Left - Scale(kLabelGap) - TextSize(dc_, text).cx, tick.Position - lineHeight_ / 2, text);
        }
        for (const ChartTick& tick : plan.TemperatureTicks) {
            PutText(dc_, area.Right + Scale(kLabelGap), tick.Position - lineHeight_ / 2, Wide(tick.Label));
        }
        // Centred under their ticks, kept inside the control.
        for (const ChartTick& tick : plan.TimeTicks) {
            const std::wstring text = Wide(tick.Label);
            const int width = TextSize(dc_, text).cx;
            const int x = std::clamp(tick.Position - width / 2, static_cast<int>(client_.left),
                                     static_cast<int>(client_.right) - width);
            PutText(dc_, x, area.Bottom + Scale(kLabelGap), text);
        }
    }

    void DrawLegend(const ChartArea& area, bool temperatures, bool forecast) {
        int x = area.Left;
        const int y = client_.top + Scale(kPadding);
        const auto entry = [&](const char* label, const GdiObject& pen) {
            {
                const Selection penSelection(dc_, pen.get());
                ::MoveToEx(dc_, x, y + lineHeight_ / 2, nullptr);
                ::LineTo(dc_, x + Scale(kLegendSample), y + lineHeight_ / 2);
            }
            x += Scale(kLegendSample) + Scale(kLabelGap);
            const std::wstring text = Wide(label);
            PutText(dc_, x, y, text);
            x += TextSize(dc_, text).cx + Scale(kLegendGap);
        };
        entry(kLifeMeterLegend, SolidPen(Scale(kLineWidth), kLifeColour));
        if (temperatures) entry(kTemperatureLegend, SolidPen(Scale(kLineWidth), kTemperatureColour));
        if (forecast) entry(kForecastLegend, DashedPen(Scale(kLineWidth), kLifeColour));
    }

    HDC dc_;
    RECT client_;
    UINT dpi_;
    int lineHeight_ = 0;
};

// Drawn into a bitmap first, so the chart does not flicker.
void Paint(HWND hwnd, HDC dc) {
    RECT client;
    ::GetClientRect(hwnd, &client);
    const auto* history = reinterpret_cast<const HealthHistory*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    MemoryDc memory(::CreateCompatibleDC(dc));
    GdiObject bitmap(::CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (!history || !memory || !bitmap) return;
    const Selection bitmapSelection(memory.get(), bitmap.get());
    ChartPainter(memory.get(), client, WindowDpi(hwnd)).Paint(*history);
    ::BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK ChartProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
        case WM_NCCREATE:
            ::SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
            break;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = ::BeginPaint(hwnd, &paint);
            try {
                Paint(hwnd, dc);
            } catch (...) {
                // Out of memory while drawing: the chart stays empty, the sentence still tells.
            }
            ::EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        default:
            break;
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

bool RegisterHistoryChartClass(HINSTANCE instance) noexcept {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ChartProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kHistoryChartClass;
    return ::RegisterClassExA(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace velmora::win
