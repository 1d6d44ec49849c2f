#include "Sqlite.h"

SqliteConnection::SqliteConnection(const std::string& path)
{
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw SqliteError("cannot open database " + path + ": " + message);
    }
    sqlite3_extended_result_codes(db_, 1);
}

SqliteConnection::~SqliteConnection()
{
    sqlite3_close_v2(db_);
}

void SqliteConnection::execute(const std::string& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errmsg(db_);
        sqlite3_free(error);
        throw SqliteError(message);
    }
}

int64_t SqliteConnection::changes() const
{
    return sqlite3_changes64(db_);
}

SqliteStatement::SqliteStatement(const SqliteConnection& db, std::string_view sql)
    : db_(db.handle())
{
    check(sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr));
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(statement_);
}

void SqliteStatement::check(int rc) const
{
    if (rc != SQLITE_OK)
        throw SqliteError(sqlite3_errmsg(db_));
}

SqliteStatement& SqliteStatement::bindText(int index, std::string_view value)
{
    // SQLITE_TRANSIENT: the text may be a temporary; embedded NULs are kept by the length.
    check(sqlite3_bind_text64(statement_, index, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
    return *this;
}

SqliteStatement& SqliteStatement::bindInt(int index, int64_t value)
{
    check(sqlite3_bind_int64(statement_, index, value));
    return *this;
}

SqliteStatement& SqliteStatement::bindReal(int index, double value)
{
    check(sqlite3_bind_double(statement_, index, value));
    return *this;
}

SqliteStatement& SqliteStatement::bindNull(int index)
{
    check(sqlite3_bind_null(statement_, index));
    return *this;
}

SqliteStatement& SqliteStatement::bindText(int index, const std::optional<std::string>& value)
{
    return value ? bindText(index, std::string_view(*value)) : bindNull(index);
}

SqliteStatement& SqliteStatement::bindInt(int index, const std::optional<int64_t>& value)
{
    return value ? bindInt(index, *value) : bindNull(index);
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw SqliteError(sqlite3_errmsg(db_));
}

void SqliteStatement::run()
{
    while (step()) {
    }
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::string SqliteStatement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    const int size = sqlite3_column_bytes(statement_, column);
    return data ? std::string(data, static_cast<size_t>(size)) : std::string();
}

std::optional<std::string> SqliteStatement::optionalText(int column) const
{
    if (isNull(column))
        return std::nullopt;
    return text(column);
}

int64_t SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(statement_, column);
}

std::optional<int64_t> SqliteStatement::optionalInteger(int column) const
{
    if (isNull(column))
        return std::nullopt;
    return integer(column);
}

double SqliteStatement::real(int column) const
{
    return sqlite3_column_double(statement_, column);
}

SqliteTransaction::SqliteTransaction(SqliteConnection& db)
    : db_(db)
{
    db_.execute("BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction()
{
    if (!done_) {
        try {
            db_.execute("ROLLBACK");
        } catch (const SqliteError&) {
            // The failed statement may already have ended the transaction.
        }
    }
}

void SqliteTransaction::commit()
{
    db_.execute("COMMIT");
    done_ = true;
}
