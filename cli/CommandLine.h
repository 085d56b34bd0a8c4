#pragma once
// The console program's command line: one command, its options, or an
// error text for the usage message.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::cli {

enum class CommandKind { Status, Raw, Capture, Updates, History, Forecast, Metrics, WatchNow, Help };

struct Command {
    CommandKind Kind = CommandKind::Help;
    bool Json = false;
    std::optional<std::string> File;    // raw, metrics: optional target; capture: required
    std::optional<std::string> Drive;   // history: one drive's serial number
    std::optional<std::int64_t> Since;  // history: first second, Unix seconds UTC
};

struct ParseResult {
    std::optional<Command> Parsed;
    std::string Error;  // set when Parsed is empty
};

// Arguments without the program name.
[[nodiscard]] ParseResult ParseCommandLine(const std::vector<std::string>& arguments);

[[nodiscard]] std::string UsageText();

// Exit statuses, first that applies.
namespace exit_status {
inline constexpr int AllOk = 0;
inline constexpr int SomeBad = 1;
inline constexpr int SomeUnknown = 2;
inline constexpr int NoDrive = 3;
inline constexpr int Failure = 4;  // wrong command line, refused system, failed enumeration or I/O
}  // namespace exit_status

}  // namespace velmora::cli
