#pragma once
// "history": what the health watch stored, for any user, as text or JSON.
// Exit status 0 when the history was read (also when it holds no rows),
// 3 when there is no history yet, 4 when it cannot be read.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "cli/StatusCommand.h"
#include "history/HistoryReader.h"

namespace velmora::cli {

struct HistoryQuery {
    bool Json = false;
    std::optional<std::string> SerialNumber;                        // only this drive and its events
    std::int64_t Since = std::numeric_limits<std::int64_t>::min();  // Unix seconds UTC
};

// databasePath: UTF-8. JSON is UTF-8; text is in the system code page, as
// the console shows it.
[[nodiscard]] ConsoleOutput RunHistory(const std::string& databasePath, const HistoryQuery& query);

// The answers shared by the commands that read the history: exit 4 with
// the reason when it cannot be read, and, for a reader that did not open,
// exit 3 when there is no history yet.
[[nodiscard]] ConsoleOutput CannotReadHistory(const std::string& databasePath, const std::string& error);
[[nodiscard]] std::optional<ConsoleOutput> RefuseUnopenedHistory(const history::HistoryReader& reader,
                                                                 const std::string& databasePath);

}  // namespace velmora::cli
