#include "update/win/MessagePump.h"

#include <windows.h>

namespace velmora::win {

bool PumpPendingMessages() noexcept {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return true;
}

std::uint64_t MessagePumpClock::NowMs() { return ::GetTickCount64(); }

bool MessagePumpClock::Pause(WakeEvent wake) {
    // Without an event the step is short, as the waiter polls; with one it
    // only bounds how late the waiter's time limits are checked.
    constexpr DWORD kPollStepMs = 2;
    constexpr DWORD kEventStepMs = 50;
    HANDLE event = static_cast<HANDLE>(wake);
    static_cast<void>(::MsgWaitForMultipleObjectsEx(event ? 1 : 0, event ? &event : nullptr,
                                                    event ? kEventStepMs : kPollStepMs, QS_ALLINPUT,
                                                    MWMO_INPUTAVAILABLE));
    return PumpPendingMessages();
}

}  // namespace velmora::win
