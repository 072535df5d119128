#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// Thin RAII wrapper over the SQLite C API. Every failure throws SqlError with SQLite's result code
// and message, prefixed with what was being done.
class SqlError : public std::runtime_error {
public:
    SqlError(int code, const QString& message)
        : std::runtime_error(message.toStdString()), mCode(code), mMessage(message) {}
    int Code() const { return mCode; }
    const QString& Message() const { return mMessage; }

private:
    int mCode;
    QString mMessage;
};

class SqlRowSet;

class SqlConnection {
public:
    // Opens an existing database file for reading and writing; never creates one unless asked.
    // Opening checks that the file really is a SQLite database.
    enum class Mode { OpenExisting, CreateIfMissing };
    // How long a statement waits for a lock another connection holds before it fails.
    static constexpr int BusyTimeoutMs = 1000;
    explicit SqlConnection(const QString& path, Mode mode = Mode::OpenExisting);
    ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    const QString& Path() const { return mPath; }
    // Runs one or more statements that take no parameters.
    void Execute(const QString& sql);
    // Rows changed by the most recent INSERT, UPDATE or DELETE.
    int RowsChanged() const;
    bool TableExists(const QString& table);

    // Named transactions (SAVEPOINT semantics, so they may nest).
    void BeginTransaction(const QString& name);
    void CommitTransaction(const QString& name);
    void RollbackTransaction(const QString& name);

    // Rebuilds the file without free pages.
    void Compact();
    // Whether the file this connection opened was deleted, renamed or replaced since: what is
    // written through the connection then goes to a file nobody will read again.
    bool FileHasMoved() const;

    // Reads every row of a query into memory.
    SqlRowSet Query(const QString& sql);

    sqlite3* Handle() const { return mDb; }
    [[noreturn]] void Fail(int code, const QString& doing) const;

private:
    sqlite3* mDb = nullptr;
    QString mPath;
};

// A prepared statement with 1-based "(?)" parameters.
class SqlCommand {
public:
    SqlCommand(SqlConnection& connection, const QString& sql);
    ~SqlCommand();
    SqlCommand(const SqlCommand&) = delete;
    SqlCommand& operator=(const SqlCommand&) = delete;

    void BindText(int position, const QString& value);
    void BindBytes(int position, const QByteArray& value);
    void BindInt32(int position, qint32 value);
    // Runs the statement to completion; returns the rows it changed.
    int Execute();

private:
    void check(int rc, const char* doing) const;
    SqlConnection& mConnection;
    sqlite3_stmt* mStatement = nullptr;
    QString mSql;
};

// The result of a query, read whole. Values come back as the engine stored them: qint64 for
// integers, double, QString for text, QByteArray for blobs, an invalid QVariant for NULL.
class SqlRowSet {
public:
    int RecordCount() const { return int(mRows.size()); }
    void MoveFirst() { mCurrent = 0; }
    void MoveNext() { ++mCurrent; }
    bool EndOfRows() const { return mCurrent >= RecordCount(); }
    // Value of a column of the current row by name (case-insensitive, as SQL names are).
    // Throws SqlError when the column does not exist or there is no current row.
    QVariant Value(const QString& column) const;
    const QStringList& Columns() const { return mColumns; }

private:
    friend class SqlConnection;
    QStringList mColumns;
    std::vector<std::vector<QVariant>> mRows;
    int mCurrent = 0;
};
