#pragma once
// Raised by a handler that cancels what the user started without telling
// them: the window drops the event and shows no box.

namespace velmora {

struct SilentAbort {};

}  // namespace velmora
