#pragma once
// The history database's tables. Users query the file with sqlite3, so the
// schema is an interface: columns and tables are only ever added, in a new
// schema version with its upgrade step in code, never renamed or dropped.
// Times are Unix seconds UTC.

#include <span>
#include <string_view>

namespace velmora::history {

inline constexpr char kHistoryFileName[] = "history.db";

// PRAGMA user_version of a database this program writes.
inline constexpr int kSchemaVersion = 1;

// drives:  one row per drive ever seen, keyed by serial number and model.
// samples: one row per drive and sample, the values as "status --json" gives
//          them (NULL where it gives null; over_temperature and refreshed
//          0 or 1; status "OK", "BAD" or "UNKNOWN").
// events:  every event the watch raised, with the number Event Viewer shows.
// runs:    one row per finished sampling run: when it started and ended, why
//          it ran ("start", "interval" or "request"), how many drives it
//          stored and, when it stored none, why not (NULL on success).
//          "watch --now" waits for its run here.
[[nodiscard]] std::span<const std::string_view> SchemaVersion1();

}  // namespace velmora::history
