#pragma once
// History databases for tests, built with SQL from the schema in a folder
// of their own that is removed afterwards. SQL errors throw, so a broken
// fixture fails the test that builds it.

#include <sqlite3.h>

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "history/HistorySchema.h"

namespace velmora::history::testing {

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-history-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
    [[nodiscard]] std::string File(std::string_view name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

enum class Journal { Rollback, PersistentWal };

// A writable connection to a history database; a new file gets the tables
// of schema version 1.
class FixtureDatabase {
public:
    explicit FixtureDatabase(const std::string& path, Journal journal = Journal::Rollback) {
        const bool existed = std::filesystem::exists(path);
        if (sqlite3_open_v2(path.c_str(), &database_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("cannot create ") + path);
        if (journal == Journal::PersistentWal) {
            int persist = 1;
            sqlite3_file_control(database_, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
            Exec("PRAGMA journal_mode=WAL");
        }
        if (existed) return;
        Exec("BEGIN");
        for (std::string_view statement : SchemaVersion1()) Exec(statement);
        Exec("PRAGMA user_version=" + std::to_string(kSchemaVersion));
        Exec("COMMIT");
    }
    ~FixtureDatabase() { Close(); }
    FixtureDatabase(const FixtureDatabase&) = delete;
    FixtureDatabase& operator=(const FixtureDatabase&) = delete;

    void Exec(std::string_view sql) {
        char* message = nullptr;
        if (sqlite3_exec(database_, std::string(sql).c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string text = message ? message : "unknown error";
            sqlite3_free(message);
            throw std::runtime_error(text + " in: " + std::string(sql));
        }
    }

    void Close() {
        sqlite3_close(database_);
        database_ = nullptr;
    }

private:
    sqlite3* database_ = nullptr;
};

}  // namespace velmora::history::testing
