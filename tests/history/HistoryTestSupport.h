#pragma once
// A scratch folder for real database files, deleted with everything in it,
// and small builders for runs and samples.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "history/RunRecord.h"
#include "history/Sqlite.h"

#include <sqlite3.h>

namespace velmora::history::test_support {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-history-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
    [[nodiscard]] std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline DriveIdentity Drive(const std::string& serial) { return {serial, "VELMORA R730 SSD", "Q5RT2B1", "SATA", 256}; }

// A refreshed drive with health data, or one whose refresh failed (no status given).
inline TimedSample Sample(std::int64_t time, const std::string& serial, std::string status = "OK",
                          std::optional<std::int64_t> meter = 80) {
    TimedSample timed{time, {Drive(serial), {}}};
    SampleValues& v = timed.Sample.Values;
    v.Refreshed = true;
    v.PowerOnHours = 1000 + time;
    v.Temperature = 40;
    v.LifeMeter = meter;
    v.Status = std::move(status);
    return timed;
}

inline RunRecord MakeRun(std::int64_t started, std::vector<TimedSample> samples, std::string reason = kReasonInterval) {
    RunRecord run;
    run.Started = started;
    run.Finished = started + 5;
    run.Reason = std::move(reason);
    run.Samples = std::move(samples);
    return run;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A second connection, as a reader of the file sees it.
inline std::int64_t QueryInteger(const std::string& path, const std::string& sql) {
    SqliteConnection reader(path, SQLITE_OPEN_READONLY);
    return reader.QueryInteger(sql);
}

inline std::string QueryText(const std::string& path, const std::string& sql) {
    SqliteConnection reader(path, SQLITE_OPEN_READONLY);
    return reader.QueryText(sql);
}

}  // namespace velmora::history::test_support
