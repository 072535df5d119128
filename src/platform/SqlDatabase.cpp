#include "SqlDatabase.h"

#include <QStringList>
#include <sqlite3.h>

namespace {
QString quotedName(const QString& name) {
    return QLatin1Char('"') + QString(name).replace('"', "\"\"") + '"';
}
} // namespace

SqlConnection::SqlConnection(const QString& path, Mode mode) : mPath(path) {
    int flags = SQLITE_OPEN_READWRITE;
    if (mode == Mode::CreateIfMissing)
        flags |= SQLITE_OPEN_CREATE;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &mDb, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message =
            mDb ? QString::fromUtf8(sqlite3_errmsg(mDb)) : QStringLiteral("out of memory");
        sqlite3_close(mDb);
        mDb = nullptr;
        throw SqlError(rc, QStringLiteral("Cannot open database \"%1\": %2").arg(path, message));
    }
    // A lock another program holds for longer than a second is reported rather than waited out,
    // so a locked file never freezes the window for long.
    sqlite3_busy_timeout(mDb, BusyTimeoutMs);
    // SQLite opens lazily; reading the schema proves the file is a database (and not locked).
    sqlite3_stmt* probe = nullptr;
    int probeRc = sqlite3_prepare_v2(mDb, "SELECT count(*) FROM sqlite_master", -1, &probe, nullptr);
    if (probeRc == SQLITE_OK)
        probeRc = sqlite3_step(probe);
    sqlite3_finalize(probe);
    if (probeRc != SQLITE_ROW) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(mDb));
        sqlite3_close(mDb);
        mDb = nullptr;
        throw SqlError(probeRc, QStringLiteral("Cannot read database \"%1\": %2").arg(path, message));
    }
}

SqlConnection::~SqlConnection() {
    sqlite3_close_v2(mDb);
}

void SqlConnection::Fail(int code, const QString& doing) const {
    throw SqlError(code, QStringLiteral("%1: %2").arg(doing, QString::fromUtf8(sqlite3_errmsg(mDb))));
}

void SqlConnection::Execute(const QString& sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(mDb, sql.toUtf8().constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const QString text = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_free(message);
        throw SqlError(rc, QStringLiteral("%1 (in \"%2\")").arg(text, sql));
    }
}

int SqlConnection::RowsChanged() const {
    return sqlite3_changes(mDb);
}

bool SqlConnection::TableExists(const QString& table) {
    SqlRowSet rows = Query(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name=%1")
                               .arg(QLatin1Char('\'') + QString(table).replace('\'', "''") + '\''));
    return rows.RecordCount() > 0;
}

void SqlConnection::BeginTransaction(const QString& name) {
    Execute("SAVEPOINT " + quotedName(name));
}
void SqlConnection::CommitTransaction(const QString& name) {
    Execute("RELEASE SAVEPOINT " + quotedName(name));
}
void SqlConnection::RollbackTransaction(const QString& name) {
    Execute("ROLLBACK TO SAVEPOINT " + quotedName(name));
    Execute("RELEASE SAVEPOINT " + quotedName(name));
}

void SqlConnection::Compact() {
    Execute(QStringLiteral("VACUUM"));
}

bool SqlConnection::FileHasMoved() const {
    int moved = 0;
    if (sqlite3_file_control(mDb, "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK)
        return false;
    return moved != 0;
}

SqlRowSet SqlConnection::Query(const QString& sql) {
    sqlite3_stmt* statement = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    int rc = sqlite3_prepare_v2(mDb, utf8.constData(), int(utf8.size()), &statement, nullptr);
    if (rc != SQLITE_OK)
        Fail(rc, QStringLiteral("Cannot prepare \"%1\"").arg(sql));
    SqlRowSet rows;
    const int columns = sqlite3_column_count(statement);
    for (int c = 0; c < columns; ++c)
        rows.mColumns << QString::fromUtf8(sqlite3_column_name(statement, c));
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        std::vector<QVariant> row(columns);
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(statement, c)) {
            case SQLITE_INTEGER:
                row[c] = qint64(sqlite3_column_int64(statement, c));
                break;
            case SQLITE_FLOAT:
                row[c] = sqlite3_column_double(statement, c);
                break;
            case SQLITE_TEXT:
                row[c] = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, c)),
                                           sqlite3_column_bytes(statement, c));
                break;
            case SQLITE_BLOB:
                row[c] = QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, c)),
                                    sqlite3_column_bytes(statement, c));
                break;
            default:
                break;
            }
        }
        rows.mRows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE)
        Fail(rc, QStringLiteral("Cannot read \"%1\"").arg(sql));
    return rows;
}

SqlCommand::SqlCommand(SqlConnection& connection, const QString& sql) : mConnection(connection), mSql(sql) {
    const QByteArray utf8 = sql.toUtf8();
    const int rc =
        sqlite3_prepare_v2(connection.Handle(), utf8.constData(), int(utf8.size()), &mStatement, nullptr);
    if (rc != SQLITE_OK)
        connection.Fail(rc, QStringLiteral("Cannot prepare \"%1\"").arg(sql));
}

SqlCommand::~SqlCommand() {
    sqlite3_finalize(mStatement);
}

void SqlCommand::check(int rc, const char* doing) const {
    if (rc != SQLITE_OK)
        mConnection.Fail(rc, QStringLiteral("%1 in \"%2\"").arg(QLatin1String(doing), mSql));
}

void SqlCommand::BindText(int position, const QString& value) {
    const QByteArray utf8 = value.toUtf8();
    check(sqlite3_bind_text(mStatement, position, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT),
          "Cannot bind text");
}

void SqlCommand::BindBytes(int position, const QByteArray& value) {
    // An empty array is still a value (a zero-length blob), never NULL.
    check(sqlite3_bind_blob(mStatement, position, value.constData(), int(value.size()), SQLITE_TRANSIENT),
          "Cannot bind bytes");
}

void SqlCommand::BindInt32(int position, qint32 value) {
    check(sqlite3_bind_int(mStatement, position, value), "Cannot bind integer");
}

int SqlCommand::Execute() {
    int rc;
    while ((rc = sqlite3_step(mStatement)) == SQLITE_ROW) {
    }
    sqlite3_reset(mStatement);
    if (rc != SQLITE_DONE)
        mConnection.Fail(rc, QStringLiteral("Cannot execute \"%1\"").arg(mSql));
    return mConnection.RowsChanged();
}

QVariant SqlRowSet::Value(const QString& column) const {
    if (EndOfRows())
        throw SqlError(SQLITE_RANGE, QStringLiteral("No current row to read \"%1\" from").arg(column));
    for (int c = 0; c < mColumns.size(); ++c)
        if (QString::compare(mColumns[c], column, Qt::CaseInsensitive) == 0)
            return mRows[mCurrent][c];
    throw SqlError(SQLITE_ERROR, QStringLiteral("No column named \"%1\"").arg(column));
}
