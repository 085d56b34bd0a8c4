#pragma once
// Where the programs keep machine-wide files: the product's folder under
// the common application data folder (%ProgramData%), and the health
// watch's history there.

#include <string>

namespace velmora::win {

// "<ProgramData>\VELMORA", system code page; empty when the system cannot
// name the common application data folder.
[[nodiscard]] std::string ProductDataFolder();

// "<ProgramData>\VELMORA\History" and the database in it; empty as above.
[[nodiscard]] std::string HistoryFolder();
[[nodiscard]] std::string HistoryDatabasePath();

}  // namespace velmora::win
