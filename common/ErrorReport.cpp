#include "common/ErrorReport.h"

#include <atomic>
#include <cstdio>

namespace velmora {

namespace {
std::atomic<EventSink*> gSink{nullptr};
std::atomic<ErrorNotifier*> gNotifier{nullptr};
}  // namespace

std::string FormatErrorEntry(std::string_view sourceFile, std::int32_t line, std::int32_t code) {
    const std::size_t cut = sourceFile.find_last_of("\\/:");
    const std::string_view name = cut == std::string_view::npos ? sourceFile : sourceFile.substr(cut + 1);
    std::string text = "FILE ";
    text.append(name);
    char tail[64];
    std::snprintf(tail, sizeof tail, " LINE %d CODE %d", static_cast<int>(line), static_cast<int>(code));
    text += tail;
    return text;
}

void WriteEventLog(std::string_view text) noexcept {
    if (EventSink* sink = gSink.load()) sink->Write(text);
}

void ReportError(std::string_view sourceFile, std::int32_t line, std::int32_t code) noexcept {
    std::string text;
    try {
        text = FormatErrorEntry(sourceFile, line, code);
    } catch (...) {
        return;  // nothing inside reporting is reported
    }
    WriteEventLog(text);
    if (ErrorNotifier* notifier = gNotifier.load()) notifier->NotifyInternalError(text);
}

void InstallEventSink(EventSink* sink) noexcept { gSink.store(sink); }
void InstallErrorNotifier(ErrorNotifier* notifier) noexcept { gNotifier.store(notifier); }

ScopedErrorReporting::ScopedErrorReporting(EventSink* sink, ErrorNotifier* notifier) noexcept
    : previousSink_(gSink.exchange(sink)), previousNotifier_(gNotifier.exchange(notifier)) {}

ScopedErrorReporting::~ScopedErrorReporting() {
    gSink.store(previousSink_);
    gNotifier.store(previousNotifier_);
}

}  // namespace velmora
