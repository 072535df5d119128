#pragma once

#include "ProblemReporter.h"
#include "platform/SqlDatabase.h"

#include <QList>
#include <QString>
#include <memory>
#include <utility>

class cToken;

// A settings row in its stored form: each column's name and the whole number it holds.
using StoredSettings = QList<std::pair<QString, qint32>>;

// The one gateway to the token database file: token rows (read all, insert or update one, delete
// one with everything below it) and the single row of carousel settings. Opening never creates or
// alters anything: a file that is not a database, or lacks a table, a column or the root row, is
// refused with a RuntimeError naming the file and the problem. The file is compacted when the
// object is destroyed. Writes to a file deleted or replaced since it was opened are refused. Engine failures
// surface as RuntimeError carrying the engine's error code.
class clsDatabase {
public:
    explicit clsDatabase(const QString& pPath);
    ~clsDatabase();
    clsDatabase(const clsDatabase&) = delete;
    clsDatabase& operator=(const clsDatabase&) = delete;

    const QString& Path() const { return mPath; }
    // Where a failed read of the token rows is reported.
    void SetProblemReporter(ProblemReporter pReporter) { mReporter = std::move(pReporter); }

    // Every token row by ascending TokenID. A failure is shown ("Error Fetching Token Data") and an
    // empty row set returned.
    SqlRowSet GetTokenData();
    void CompactDatabase();
    // Closes the file without compacting it: a start that failed leaves the file as it found it.
    void LeaveUncompacted() { mCompactOnClose = false; }
    // Inserts (IsNew) or updates the token's row; the row number comes from the token's key.
    void SaveToken(const cToken& pToken, bool IsNew);
    // Deletes the row and, pass after pass, every row whose parent is gone, in one transaction that
    // is rolled back when any statement fails.
    void DeleteToken(const QString& pKey);
    SqlRowSet GetSettings();
    // Writes the columns' values into every row of the settings table (no row: nothing changes).
    void SaveSettings(const StoredSettings& pColumns);

    // How many times the last DeleteToken ran the orphan purge.
    int LastPurgePasses() const { return mLastPurgePasses; }

private:
    void checkStructure();
    void checkFileInPlace() const;
    SqlCommand& prepare(const QString& pStatement);

    QString mPath;
    std::unique_ptr<SqlConnection> mConnection;
    QString mStatement; // the text most recently prepared
    std::unique_ptr<SqlCommand> mCommand;
    int mLastPurgePasses = 0;
    bool mCompactOnClose = true;
    ProblemReporter mReporter;
};

// The row number written into statements for a key: the key with every "ID" removed, which must
// leave a decimal number (type mismatch otherwise, so nothing but a number reaches a statement).
qint32 RowNumberOfKey(const QString& pKey);
