// The SQLite the Windows build compiles from Debian's source package: the
// version the native build links, and a WAL database that a writer creates
// and a read-only reader opens afterwards, on Windows' own file locking.

#include <process.h>
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace {

struct CloseDatabase {
    void operator()(sqlite3* database) const { sqlite3_close(database); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;

Database Open(const std::string& path, int flags) {
    sqlite3* raw = nullptr;
    const int result = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    Database database(raw);
    EXPECT_EQ(result, SQLITE_OK) << (raw ? sqlite3_errmsg(raw) : "no memory");
    return result == SQLITE_OK ? std::move(database) : nullptr;
}

// The first column of the first row, or the error message.
std::string QueryText(sqlite3* database, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(database, sql, -1, &raw, nullptr) != SQLITE_OK) return sqlite3_errmsg(database);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    if (sqlite3_step(raw) != SQLITE_ROW) return sqlite3_errmsg(database);
    const unsigned char* text = sqlite3_column_text(raw, 0);
    return text ? reinterpret_cast<const char*>(text) : "";
}

void Execute(sqlite3* database, const char* sql) {
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(database, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "") << " in " << sql;
    sqlite3_free(error);
}

class SqliteWalTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() / ("velmora-sqlite-" + std::to_string(::_getpid()));
        std::filesystem::remove_all(folder_);
        ASSERT_TRUE(std::filesystem::create_directory(folder_));
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    std::filesystem::path folder_;
};

TEST_F(SqliteWalTest, IsTheVersionOfDebiansPackage) { EXPECT_STREQ(sqlite3_libversion(), "3.40.1"); }

TEST_F(SqliteWalTest, AReadOnlyReaderSeesWhatAClosedWriterCommitted) {
    const std::string path = (folder_ / "history.db").string();
    {
        Database writer = Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        ASSERT_TRUE(writer);
        EXPECT_EQ(QueryText(writer.get(), "PRAGMA journal_mode=WAL"), "wal");
        Execute(writer.get(), "BEGIN; CREATE TABLE Sample(Drive TEXT, Hours INTEGER);"
                              "INSERT INTO Sample VALUES('R730', 1234); COMMIT");
    }
    Database reader = Open(path, SQLITE_OPEN_READONLY);
    ASSERT_TRUE(reader);
    EXPECT_EQ(QueryText(reader.get(), "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(QueryText(reader.get(), "SELECT Drive || ':' || Hours FROM Sample"), "R730:1234");
}

}  // namespace
