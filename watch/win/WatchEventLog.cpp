#include "watch/win/WatchEventLog.h"

#include <string>
#include <vector>

#include "common/AnsiText.h"
#include "common/ErrorReport.h"
#include "common/win/SystemText.h"

namespace velmora::win {
namespace {

WORD EntryType(watch::EventType type) noexcept {
    switch (type) {
    case watch::EventType::Warning: return EVENTLOG_WARNING_TYPE;
    case watch::EventType::Error: return EVENTLOG_ERROR_TYPE;
    case watch::EventType::Information: break;
    }
    return EVENTLOG_INFORMATION_TYPE;
}

DWORD Severity(watch::EventType type) noexcept {
    switch (type) {
    case watch::EventType::Warning: return 0x2;
    case watch::EventType::Error: return 0x3;
    case watch::EventType::Information: break;
    }
    return 0x1;
}

}  // namespace

DWORD WatchEventIdentifier(watch::EventId id, watch::EventType type) noexcept {
    return (Severity(type) << 30) | static_cast<DWORD>(id);
}

void WatchEventLog::Raise(const watch::WatchEvent& event) noexcept {
    if (!api_.Register || !api_.Report || !api_.Deregister) return;
    try {
        std::vector<std::string> texts;
        texts.reserve(event.Strings.size());
        for (const std::string& text : event.Strings) texts.push_back(Utf16ToAnsi(Utf8OrAnsiToUtf16(text)));
        std::vector<LPCSTR> strings;
        strings.reserve(texts.size());
        for (const std::string& text : texts) strings.push_back(text.c_str());

        const EventSourceScope source(api_, api_.Register(nullptr, kEventSourceName));
        if (!source.get()) return;
        (void)api_.Report(source.get(), EntryType(event.Type), 0, WatchEventIdentifier(event.Id, event.Type), nullptr,
                          static_cast<WORD>(strings.size()), 0, strings.empty() ? nullptr : strings.data(), nullptr);
    } catch (...) {
        // An entry that cannot even be built is lost, as a closed log would lose it.
    }
}

}  // namespace velmora::win
