#include "common/win/EventLogSink.h"

#include <string>

namespace velmora::win {

EventLogApi SystemEventLogApi() noexcept {
    return EventLogApi{&::RegisterEventSourceA, &::ReportEventA, &::DeregisterEventSource};
}

void EventLogSink::Write(std::string_view text) noexcept {
    if (!api_.Register || !api_.Report || !api_.Deregister) return;
    try {
        const std::string entry(text);  // terminated; an absent text is the empty text
        const EventSourceScope source(api_, api_.Register(nullptr, kEventSourceName));
        if (!source.get()) return;
        LPCSTR strings[] = {entry.c_str()};
        (void)api_.Report(source.get(), EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
    } catch (...) {
        // An entry that cannot even be copied is lost, as a closed log would lose it.
    }
}

}  // namespace velmora::win
