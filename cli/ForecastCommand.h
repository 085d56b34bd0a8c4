#pragma once
// "forecast": each drive's wear forecast from the health watch's history,
// as text or JSON. Exit status as "history": 0 read, 3 no history yet,
// 4 it cannot be read.

#include <string>

#include "cli/StatusCommand.h"

namespace velmora::cli {

// databasePath: UTF-8.
[[nodiscard]] ConsoleOutput RunForecast(const std::string& databasePath, bool json);

}  // namespace velmora::cli
