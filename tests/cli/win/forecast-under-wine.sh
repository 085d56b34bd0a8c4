#!/bin/bash
# "forecast --json" under Wine on a history seeded with Debian's sqlite3 where
# the watch keeps it, %ProgramData%\VELMORA\History\history.db, compared
# byte for byte with the answer worked out by hand. The drives repeat
# portable cases, whose comments carry the same hand work.
# Usage: forecast-under-wine.sh BIN_DIR PREFIX SOURCE_DIR SQLITE3
set -uo pipefail
bin=$1 prefix=$2 source=$3 sqlite3=$4
. "$source/scripts/wine-lib.sh"
unset DISPLAY
work=$(mktemp -d)
trap 'wine_end "$prefix"; rm -rf "$work"' EXIT

wine_prefix "$prefix"
history_dir=$prefix/drive_c/ProgramData/VELMORA/History
rm -rf "$history_dir"  # the prefix outlives a run
mkdir -p "$history_dir"

# The tables are schema version 1's statements as history/HistorySchema.cpp
# gives them: a version's statements never change, later versions add steps.
# Times from 1796749200, 2026-12-08T17:00:00Z, in whole days.
"$sqlite3" -bail "$history_dir/history.db" <<'SQL' || exit 1
BEGIN;
CREATE TABLE drives(id INTEGER PRIMARY KEY, serial_number TEXT, model TEXT, firmware TEXT, interface TEXT, capacity_gb INTEGER, first_seen INTEGER, last_seen INTEGER, UNIQUE(serial_number, model));
CREATE TABLE samples(drive_id INTEGER NOT NULL REFERENCES drives(id), time INTEGER NOT NULL, refreshed INTEGER, power_on_hours INTEGER, power_cycles INTEGER, max_erase_count INTEGER, avg_erase_count INTEGER, gb_written INTEGER, temperature INTEGER, over_temperature INTEGER, life_meter INTEGER, status TEXT, PRIMARY KEY(drive_id, time)) WITHOUT ROWID;
CREATE INDEX samples_time ON samples(time);
CREATE TABLE events(id INTEGER PRIMARY KEY, time INTEGER, event_id INTEGER, drive_id INTEGER, message TEXT);
CREATE TABLE runs(id INTEGER PRIMARY KEY, started INTEGER, finished INTEGER, reason TEXT, drives INTEGER, error TEXT);
PRAGMA user_version = 1;
INSERT INTO drives VALUES(1, 'VM1', 'VELMORA R730 SSD', 'Q5RT2B1', 'SATA', 256, 0, 0);
INSERT INTO drives VALUES(2, 'VM2', 'VELMORA LP520 NVMe SSD', 'N2RT1A05', 'NVMe', 512, 0, 0);
INSERT INTO drives VALUES(3, 'VM3', 'VELMORA R730 SSD', 'Q5RT2B1', 'SATA', 256, 0, 0);
-- Falling (WearForecastTest "falling", ForecastCommandTest VM1): days 0, 10,
-- 20 at 100, 99, 98 % and 1000, 1100, 1200 GB: -0.1 % and 10 GB a day;
-- 98 / 0.1 = 980 days after 2026-12-28 is 2029-09-03.
INSERT INTO samples(drive_id, time, refreshed, life_meter, gb_written, status) VALUES
  (1, 1796749200, 1, 100, 1000, 'OK'), (1, 1797613200, 1, 99, 1100, 'OK'), (1, 1798477200, 1, 98, 1200, 'OK');
-- Too short (ForecastCommandTest VM2): days 17 and 20 at 97 %, 4500 and
-- 4510 GB: flat, 10/3 GB a day, but 3 days are under the 7 a forecast needs.
INSERT INTO samples(drive_id, time, refreshed, life_meter, gb_written, status) VALUES
  (2, 1798218000, 1, 97, 4500, 'OK'), (2, 1798477200, 1, 97, 4510, 'OK');
-- Flat (WearForecastTest "flat"): days 0 and 30 at 90 %, no GB written
-- reported: a slope of 0 over 30 days is no measurable wear.
INSERT INTO samples(drive_id, time, refreshed, life_meter, gb_written, status) VALUES
  (3, 1796749200, 1, 90, NULL, 'OK'), (3, 1799341200, 1, 90, NULL, 'OK');
COMMIT;
SQL

cat >"$work/expected.json" <<'JSON'
{"drives": [{"serial_number": "VM1", "model": "VELMORA R730 SSD", "life_meter": 98, "life_per_day": -0.1, "gb_written_per_day": 10, "days_left": 980, "date_life_zero": "2029-09-03", "basis_days": 20, "samples": 3, "reason": null}, {"serial_number": "VM2", "model": "VELMORA LP520 NVMe SSD", "life_meter": 97, "life_per_day": 0, "gb_written_per_day": 3.3333333333333335, "days_left": null, "date_life_zero": null, "basis_days": 3, "samples": 2, "reason": "not enough history"}, {"serial_number": "VM3", "model": "VELMORA R730 SSD", "life_meter": 90, "life_per_day": 0, "gb_written_per_day": null, "days_left": null, "date_life_zero": null, "basis_days": 30, "samples": 2, "reason": "no measurable wear"}]}
JSON

timeout 120 wine "$bin/SMART_VELMORA_CLI.exe" forecast --json >"$work/forecast.json" 2>"$work/forecast.err"
status=$?
failures=0
if [ "$status" -ne 0 ]; then
  echo "FAILED: forecast --json exited $status"; cat "$work/forecast.err"; failures=1
fi
if ! cmp -s "$work/forecast.json" "$work/expected.json"; then
  echo "FAILED: forecast --json differs from the hand-worked answer"
  diff "$work/expected.json" "$work/forecast.json"; failures=1
fi
[ "$failures" -eq 0 ] && echo "ok: forecast --json gives the hand-worked forecast of each drive"
exit "$failures"
