#pragma once
// A thin RAII layer over SQLite's C interface: a connection, a prepared
// statement and a write transaction. Every failure throws SqliteError with
// SQLite's result code and the connection's message, so callers convert it
// to their own result once, where they can say what failed.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace velmora::history {

class SqliteError : public std::runtime_error {
public:
    SqliteError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    // The primary result code (SQLITE_BUSY, SQLITE_CORRUPT, ...).
    [[nodiscard]] int Code() const noexcept { return code_; }

private:
    int code_;
};

class SqliteConnection {
public:
    // sqlite3_open_v2 with these flags (SQLITE_OPEN_*).
    SqliteConnection(const std::string& path, int flags);

    // Runs one or more statements that return no rows.
    void Execute(std::string_view sql);
    // The first column of the first row of a query, as an integer (0 when
    // there is no row), e.g. a PRAGMA's value.
    [[nodiscard]] std::int64_t QueryInteger(std::string_view sql);
    [[nodiscard]] std::string QueryText(std::string_view sql);

    [[nodiscard]] sqlite3* Handle() const noexcept { return db_.get(); }
    // Throws SqliteError for a result code other than SQLITE_OK.
    void Check(int result) const;

private:
    struct Closer {
        void operator()(sqlite3* db) const noexcept;
    };
    std::unique_ptr<sqlite3, Closer> db_;
};

class SqliteStatement {
public:
    SqliteStatement(SqliteConnection& connection, std::string_view sql);

    // Parameters count from 1; an empty optional binds NULL.
    SqliteStatement& Bind(int index, std::int64_t value);
    SqliteStatement& Bind(int index, const std::optional<std::int64_t>& value);
    SqliteStatement& Bind(int index, std::string_view text);
    SqliteStatement& Bind(int index, const std::optional<std::string>& text);

    // True while a row is ready, false when the statement is done.
    [[nodiscard]] bool Step();
    // Runs a statement that returns no row, then makes it ready to run again.
    void Run();
    void Reset();

    // Columns count from 0.
    [[nodiscard]] std::int64_t Integer(int column) const;
    [[nodiscard]] std::optional<std::int64_t> OptionalInteger(int column) const;
    [[nodiscard]] std::string Text(int column) const;

private:
    struct Finalizer {
        void operator()(sqlite3_stmt* statement) const noexcept;
    };
    SqliteConnection& connection_;
    std::unique_ptr<sqlite3_stmt, Finalizer> statement_;
};

// A transaction rolled back unless committed. Write begins IMMEDIATE, so a
// busy database is noticed before any work; Read sees one consistent state.
class SqliteTransaction {
public:
    enum class Kind { Read, Write };
    SqliteTransaction(SqliteConnection& connection, Kind kind);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    void Commit();

private:
    SqliteConnection& connection_;
    bool open_ = true;
};

}  // namespace velmora::history
