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

bool MessagePumpClock::Pause() {
    ::Sleep(2);
    return PumpPendingMessages();
}

}  // namespace velmora::win
