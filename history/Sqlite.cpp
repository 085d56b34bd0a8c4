#include "history/Sqlite.h"

#include <sqlite3.h>

namespace velmora::history {

namespace {

[[noreturn]] void Throw(int result, sqlite3* db) {
    // The connection's message names the cause ("database is locked",
    // "database or disk is full"); without a connection, the code's text.
    const char* message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(result);
    throw SqliteError(result & 0xFF, message);
}

}  // namespace

void SqliteConnection::Closer::operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }

SqliteConnection::SqliteConnection(const std::string& path, int flags) {
    sqlite3* db = nullptr;
    const int result = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    db_.reset(db);  // a failed open still gives a handle to close
    if (result != SQLITE_OK) Throw(result, db);
    sqlite3_extended_result_codes(db, 1);
}

void SqliteConnection::Check(int result) const {
    if (result != SQLITE_OK) Throw(result, db_.get());
}

void SqliteConnection::Execute(std::string_view sql) {
    Check(sqlite3_exec(db_.get(), std::string(sql).c_str(), nullptr, nullptr, nullptr));
}

std::int64_t SqliteConnection::QueryInteger(std::string_view sql) {
    SqliteStatement statement(*this, sql);
    return statement.Step() ? statement.Integer(0) : 0;
}

std::string SqliteConnection::QueryText(std::string_view sql) {
    SqliteStatement statement(*this, sql);
    return statement.Step() ? statement.Text(0) : std::string();
}

void SqliteStatement::Finalizer::operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }

SqliteStatement::SqliteStatement(SqliteConnection& connection, std::string_view sql) : connection_(connection) {
    sqlite3_stmt* statement = nullptr;
    connection_.Check(
        sqlite3_prepare_v2(connection_.Handle(), sql.data(), static_cast<int>(sql.size()), &statement, nullptr));
    statement_.reset(statement);
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value) {
    connection_.Check(sqlite3_bind_int64(statement_.get(), index, value));
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, const std::optional<std::int64_t>& value) {
    if (value) return Bind(index, *value);
    connection_.Check(sqlite3_bind_null(statement_.get(), index));
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
    connection_.Check(
        sqlite3_bind_text(statement_.get(), index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, const std::optional<std::string>& text) {
    if (text) return Bind(index, std::string_view(*text));
    connection_.Check(sqlite3_bind_null(statement_.get(), index));
    return *this;
}

bool SqliteStatement::Step() {
    const int result = sqlite3_step(statement_.get());
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    Throw(result, connection_.Handle());
}

void SqliteStatement::Run() {
    while (Step()) {
    }
    Reset();
}

void SqliteStatement::Reset() {
    sqlite3_reset(statement_.get());
    sqlite3_clear_bindings(statement_.get());
}

std::int64_t SqliteStatement::Integer(int column) const { return sqlite3_column_int64(statement_.get(), column); }

std::optional<std::int64_t> SqliteStatement::OptionalInteger(int column) const {
    if (sqlite3_column_type(statement_.get(), column) == SQLITE_NULL) return std::nullopt;
    return Integer(column);
}

std::string SqliteStatement::Text(int column) const {
    const unsigned char* text = sqlite3_column_text(statement_.get(), column);
    if (text == nullptr) return {};
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<std::size_t>(sqlite3_column_bytes(statement_.get(), column)));
}

SqliteTransaction::SqliteTransaction(SqliteConnection& connection, Kind kind) : connection_(connection) {
    connection_.Execute(kind == Kind::Write ? "BEGIN IMMEDIATE" : "BEGIN");
}

SqliteTransaction::~SqliteTransaction() {
    // A failed statement may have rolled back already; then this does nothing.
    if (open_ && !sqlite3_get_autocommit(connection_.Handle())) {
        sqlite3_exec(connection_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void SqliteTransaction::Commit() {
    connection_.Execute("COMMIT");
    open_ = false;
}

}  // namespace velmora::history
