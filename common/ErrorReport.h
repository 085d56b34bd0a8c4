#pragma once
// The one way failures are recorded: an error entry "FILE %s LINE %d CODE %d"
// in the Application log under "SMART VELMORA.exe", and in the toolbox a box
// that points the user there. Reporting never fails and never changes flow.

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

inline constexpr char kEventSourceName[] = "SMART VELMORA.exe";
inline constexpr char kInternalErrorText[] = "Internal error!\nPlease see Application Log.";

// Reporting units, as the FILE field names them.
namespace unit {
inline constexpr char Umain[] = "Umain";
inline constexpr char smart[] = "smart";
inline constexpr char URawSMART[] = "URawSMART";
inline constexpr char pipe[] = "pipe";
inline constexpr char NVMe[] = "NVMe";
}  // namespace unit

// Where entry texts go: the event log on Windows, a recorder in tests.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void Write(std::string_view text) noexcept = 0;
};

// Tells the user after an entry was written (the toolbox's box; the console
// prints the text; the service has none).
class ErrorNotifier {
public:
    virtual ~ErrorNotifier() = default;
    virtual void NotifyInternalError(std::string_view entryText) noexcept = 0;
};

// "FILE %s LINE %d CODE %d" with the path's directories stripped (up to the
// last '\\', '/' or ':').
[[nodiscard]] std::string FormatErrorEntry(std::string_view sourceFile, std::int32_t line, std::int32_t code);

void ReportError(std::string_view sourceFile, std::int32_t line, std::int32_t code) noexcept;
void WriteEventLog(std::string_view text) noexcept;

// Process-wide destinations, installed once at program start. Null means none.
void InstallEventSink(EventSink* sink) noexcept;
void InstallErrorNotifier(ErrorNotifier* notifier) noexcept;

// Installs destinations for a scope and restores the previous ones (tests).
class ScopedErrorReporting {
public:
    ScopedErrorReporting(EventSink* sink, ErrorNotifier* notifier) noexcept;
    ~ScopedErrorReporting();
    ScopedErrorReporting(const ScopedErrorReporting&) = delete;
    ScopedErrorReporting& operator=(const ScopedErrorReporting&) = delete;

private:
    EventSink* previousSink_;
    ErrorNotifier* previousNotifier_;
};

}  // namespace velmora
