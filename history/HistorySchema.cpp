#include "history/HistorySchema.h"

namespace velmora::history {

namespace {

constexpr std::string_view kVersion1[] = {
    "CREATE TABLE drives(id INTEGER PRIMARY KEY, serial_number TEXT, model TEXT, firmware TEXT, "
    "interface TEXT, capacity_gb INTEGER, first_seen INTEGER, last_seen INTEGER, UNIQUE(serial_number, model))",
    // Keyed by drive and time, so one drive's samples are read in order
    // without a sort and a second sample in the same second replaces the first.
    "CREATE TABLE samples(drive_id INTEGER NOT NULL REFERENCES drives(id), time INTEGER NOT NULL, "
    "refreshed INTEGER, power_on_hours INTEGER, power_cycles INTEGER, max_erase_count INTEGER, "
    "avg_erase_count INTEGER, gb_written INTEGER, temperature INTEGER, over_temperature INTEGER, "
    "life_meter INTEGER, status TEXT, PRIMARY KEY(drive_id, time)) WITHOUT ROWID",
    "CREATE INDEX samples_time ON samples(time)",
    "CREATE TABLE events(id INTEGER PRIMARY KEY, time INTEGER, event_id INTEGER, drive_id INTEGER, message TEXT)",
    "CREATE TABLE runs(id INTEGER PRIMARY KEY, started INTEGER, finished INTEGER, reason TEXT, drives INTEGER, "
    "error TEXT)",
};

}  // namespace

std::span<const std::string_view> SchemaVersion1() { return kVersion1; }

}  // namespace velmora::history
