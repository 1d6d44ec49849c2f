#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

class SqliteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SqliteConnection {
public:
    explicit SqliteConnection(const std::string& path);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    void execute(const std::string& sql);
    sqlite3* handle() const { return db_; }
    int64_t changes() const;

private:
    sqlite3* db_ = nullptr;
};

// One prepared statement. Parameters are numbered from 1, result columns from 0.
class SqliteStatement {
public:
    SqliteStatement(const SqliteConnection& db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    SqliteStatement& bindText(int index, std::string_view value);
    SqliteStatement& bindText(int index, const std::string& value) { return bindText(index, std::string_view(value)); }
    SqliteStatement& bindInt(int index, int64_t value);
    SqliteStatement& bindReal(int index, double value);
    SqliteStatement& bindNull(int index);
    SqliteStatement& bindText(int index, const std::optional<std::string>& value);
    SqliteStatement& bindInt(int index, const std::optional<int64_t>& value);

    // True while a result row is available.
    bool step();
    // Runs a statement that returns no rows.
    void run();

    bool isNull(int column) const;
    std::string text(int column) const;
    std::optional<std::string> optionalText(int column) const;
    int64_t integer(int column) const;
    std::optional<int64_t> optionalInteger(int column) const;
    double real(int column) const;

private:
    void check(int rc) const;

    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

// BEGIN IMMEDIATE on construction; rolls back unless commit() was reached.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteConnection& db);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    void commit();

private:
    SqliteConnection& db_;
    bool done_ = false;
};
