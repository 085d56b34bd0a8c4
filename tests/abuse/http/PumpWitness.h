#pragma once
// Proof that the thread's window messages keep flowing while the HTTP client
// waits: a hidden message-only window with a 25 ms timer, and a helper
// thread that posts it a message every 10 ms. The window records when it
// handled each; a wait that stopped pumping shows as a long gap.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

namespace velmora::testing {

struct PumpFigures {
    unsigned TimerTicks = 0;
    unsigned PostedHandled = 0;
    double LongestGapMs = 0;  // between handled messages, and from the start and to the end
};

class PumpWitness {
public:
    static constexpr UINT kPosted = WM_APP + 7;
    static constexpr UINT_PTR kTimerId = 1;
    static constexpr UINT kTimerMs = 25;
    static constexpr DWORD kPostEveryMs = 10;

    PumpWitness() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &PumpWitness::WindowProc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClassName;
        ::RegisterClassA(&windowClass);  // fails harmlessly when already registered
        window_ = ::CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    ::GetModuleHandleA(nullptr), this);
        if (window_ == nullptr) return;
        ::SetTimer(window_, kTimerId, kTimerMs, nullptr);
        poster_ = std::thread([this] {
            while (!stopping_) {
                ::PostMessageA(window_, kPosted, 0, 0);
                ::Sleep(kPostEveryMs);
            }
        });
    }

    ~PumpWitness() {
        stopping_ = true;
        if (poster_.joinable()) poster_.join();
        if (window_ != nullptr) {
            ::KillTimer(window_, kTimerId);
            ::DestroyWindow(window_);
        }
    }

    PumpWitness(const PumpWitness&) = delete;
    PumpWitness& operator=(const PumpWitness&) = delete;

    [[nodiscard]] bool Ok() const noexcept { return window_ != nullptr; }

    // Runs on this thread for each posted message handled while counting,
    // as a window's own handler would (a Cancel button, a closing window).
    std::function<void()> OnPosted;

    // Starts a new count; drops messages that queued up before.
    void Begin() {
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        figures_ = {};
        last_ = Now();
        counting_ = true;
    }

    // Ends the count; the time since the last handled message counts as a gap.
    [[nodiscard]] PumpFigures End() {
        counting_ = false;
        figures_.LongestGapMs = std::max(figures_.LongestGapMs, Now() - last_);
        return figures_;
    }

private:
    static constexpr char kClassName[] = "VelmoraPumpWitness";

    static double Now() {
        LARGE_INTEGER now;
        LARGE_INTEGER frequency;
        ::QueryPerformanceCounter(&now);
        ::QueryPerformanceFrequency(&frequency);
        return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
    }

    void Handled(bool timer) noexcept {
        if (!counting_) return;
        const double now = Now();
        figures_.LongestGapMs = std::max(figures_.LongestGapMs, now - last_);
        last_ = now;
        if (timer) {
            ++figures_.TimerTicks;
        } else {
            ++figures_.PostedHandled;
            if (OnPosted) {
                try {
                    OnPosted();
                } catch (...) {
                    // A window procedure lets nothing escape.
                }
            }
        }
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<PumpWitness*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && message == WM_TIMER && wParam == kTimerId) {
            self->Handled(true);
            return 0;
        }
        if (self != nullptr && message == kPosted) {
            self->Handled(false);
            return 0;
        }
        return ::DefWindowProcA(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    std::atomic<bool> stopping_{false};
    std::thread poster_;
    bool counting_ = false;
    double last_ = 0;
    PumpFigures figures_;
};

}  // namespace velmora::testing
