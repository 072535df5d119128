#include "clsDatabase.h"

#include "StoredValue.h"
#include "cToken.h"
#include "platform/RuntimeError.h"

#include <QFileInfo>
#include <QStringList>
#include <QtDebug>

namespace {

const QString Source = QStringLiteral("clsDatabase");
// A file that exists but cannot serve as the token database.
constexpr int UnusableDatabase = 3049;

const QStringList TokenColumns{"TokenID",        "ParentID",          "Caption",     "Command",
                               "Parameters",     "Description",       "SourceImage", "Enabled",
                               "TokenIconScale", "HideAfterExecution"};
const QStringList SettingsColumns{"Capacity",
                                  "MoveIncrements",
                                  "RenderScale",
                                  "Width",
                                  "Tilt",
                                  "ImageSize",
                                  "ForeItemScale",
                                  "RearItemScale",
                                  "ReflectionStretch",
                                  "ReflectionStrength",
                                  "DepthDarkening",
                                  "TintStrength",
                                  "TintColour",
                                  "CaptionColour",
                                  "CaptionOutlineColour",
                                  "OverflowFade",
                                  "OverflowZoom",
                                  "OrbitImageOpacity",
                                  "TokenFillColour",
                                  "TokenFillOpacity",
                                  "SoundEnabled"};

const QString PurgeStatement =
    QStringLiteral("DELETE FROM Tokens WHERE TokenID > 1 AND ParentID NOT IN (SELECT TokenID FROM Tokens)");

RuntimeError engineError(const SqlError& error) {
    return RuntimeError(error.Code(), Source, error.Message());
}

// Runs a database step, turning engine errors into the program's run-time errors.
template <typename Step> auto guarded(Step step) {
    try {
        return step();
    } catch (const SqlError& error) {
        throw engineError(error);
    }
}

RuntimeError unusable(const QString& path, const QString& problem) {
    return RuntimeError(UnusableDatabase, Source,
                        QStringLiteral("The token database \"%1\" cannot be used: %2.").arg(path, problem));
}

qint32 asFlag(bool value, qint32 whenTrue) {
    return value ? whenTrue : 0;
}

} // namespace

qint32 RowNumberOfKey(const QString& pKey) {
    const QString digits = QString(pKey).remove(QStringLiteral("ID"));
    bool ok = false;
    const qint32 number = digits.toInt(&ok);
    if (!ok)
        throw RuntimeError(13, Source, QStringLiteral("Type mismatch: \"%1\" is not a token key").arg(pKey));
    return number;
}

clsDatabase::clsDatabase(const QString& pPath) : mPath(pPath) {
    if (!QFileInfo(pPath).isFile())
        throw RuntimeError(ErrorNumber::FileNotFound, Source,
                           QStringLiteral("The token database \"%1\" does not exist.").arg(pPath));
    try {
        mConnection = std::make_unique<SqlConnection>(pPath, SqlConnection::Mode::OpenExisting);
        checkStructure();
    } catch (const SqlError& error) {
        throw unusable(pPath, error.Message());
    }
}

clsDatabase::~clsDatabase() {
    mCommand.reset();
    if (!mCompactOnClose)
        return;
    if (mConnection->FileHasMoved()) {
        qWarning().noquote() << "Tessaro: the token database" << mPath
                             << "was deleted or replaced while Tessaro ran; it was not compacted.";
        return;
    }
    try {
        CompactDatabase();
    } catch (const RuntimeError& error) {
        qWarning().noquote() << "Tessaro: the token database was not compacted:" << error.Description();
    }
}

// Everything is read before anything could be written: the tables, their columns and the root row.
void clsDatabase::checkStructure() {
    const std::pair<QString, const QStringList*> tables[] = {{"Tokens", &TokenColumns},
                                                             {"CarouselSettings", &SettingsColumns}};
    for (const auto& [table, columns] : tables) {
        if (!mConnection->TableExists(table))
            throw unusable(mPath, QStringLiteral("it has no table %1").arg(table));
        SqlRowSet info = mConnection->Query(QStringLiteral("PRAGMA table_info(%1)").arg(table));
        QStringList present;
        for (info.MoveFirst(); !info.EndOfRows(); info.MoveNext())
            present << info.Value("name").toString();
        for (const QString& column : *columns)
            if (!present.contains(column, Qt::CaseInsensitive))
                throw unusable(mPath, QStringLiteral("table %1 has no column %2").arg(table, column));
    }
    if (mConnection->Query(QStringLiteral("SELECT TokenID FROM Tokens WHERE TokenID = 1")).RecordCount() == 0)
        throw unusable(mPath,
                       QStringLiteral("it has no root token (the row with TokenID 1 in table Tokens)"));
}

// Writes to a file that was deleted or replaced since it was opened would vanish unseen: refuse them.
void clsDatabase::checkFileInPlace() const {
    if (mConnection->FileHasMoved())
        throw RuntimeError(UnusableDatabase, Source,
                           QStringLiteral("The token database \"%1\" was deleted or replaced while Tessaro "
                                          "was running; the change was not saved.")
                               .arg(mPath));
}

SqlCommand& clsDatabase::prepare(const QString& pStatement) {
    if (!mCommand || pStatement != mStatement) {
        mCommand.reset();
        mStatement = pStatement;
        mCommand = std::make_unique<SqlCommand>(*mConnection, pStatement);
    }
    return *mCommand;
}

SqlRowSet clsDatabase::GetTokenData() {
    mStatement = QStringLiteral("SELECT * FROM Tokens ORDER BY TokenID");
    try {
        return mConnection->Query(mStatement);
    } catch (const SqlError& error) {
        ReportProblem(mReporter, engineError(error).MessageText(),
                      QStringLiteral("Error Fetching Token Data"));
        return {};
    }
}

void clsDatabase::CompactDatabase() {
    guarded([this] { mConnection->Compact(); });
}

void clsDatabase::SaveToken(const cToken& pToken, bool IsNew) {
    QString statement;
    if (IsNew) {
        statement = QStringLiteral("INSERT INTO Tokens (") + "Caption, Command, Parameters, Description, " +
                    "SourceImage, Enabled, ParentID, TokenIconScale, HideAfterExecution) VALUES "
                    "((?),(?),(?),(?),(?),(?),(?),(?),(?))";
    } else {
        statement = QStringLiteral("UPDATE Tokens SET ") + "Caption =(?), Command =(?), Parameters =(?), " +
                    "Description =(?), SourceImage =(?), " +
                    "Enabled =(?), ParentID=(?), TokenIconScale =(?), HideAfterExecution =(?) " +
                    "WHERE TokenID = " + QString::number(RowNumberOfKey(pToken.Key()));
    }
    const qint32 parentRow = RowNumberOfKey(pToken.ParentKey());
    checkFileInPlace();
    guarded([&] {
        SqlCommand& command = prepare(statement);
        command.BindText(1, pToken.Caption());
        command.BindText(2, pToken.Command());
        command.BindText(3, pToken.Parameters());
        command.BindText(4, pToken.Description());
        command.BindBytes(5, pToken.SourceImage());
        command.BindInt32(6, asFlag(pToken.Enabled(), 1));
        command.BindInt32(7, parentRow);
        command.BindInt32(8, pToken.IconScale());
        command.BindInt32(9, asFlag(pToken.HideAfterExecution(), 1));
        command.Execute();
    });
}

void clsDatabase::DeleteToken(const QString& pKey) {
    const QString first =
        QStringLiteral("DELETE FROM Tokens WHERE TokenID = ") + QString::number(RowNumberOfKey(pKey));
    const QString transaction = QStringLiteral("CascadeDelete");
    mLastPurgePasses = 0;
    checkFileInPlace();
    guarded([&] {
        mConnection->BeginTransaction(transaction);
        try {
            prepare(first).Execute();
            int changed = 0;
            do {
                changed = prepare(PurgeStatement).Execute();
                ++mLastPurgePasses;
            } while (changed != 0);
            mConnection->CommitTransaction(transaction);
        } catch (...) {
            // Leave nothing half-deleted and no transaction open; then report the failure.
            try {
                mConnection->RollbackTransaction(transaction);
            } catch (const SqlError&) {
            }
            throw;
        }
    });
}

SqlRowSet clsDatabase::GetSettings() {
    mStatement = QStringLiteral("SELECT * FROM CarouselSettings");
    return guarded([this] { return mConnection->Query(mStatement); });
}

void clsDatabase::SaveSettings(const StoredSettings& pColumns) {
    QStringList assignments;
    for (const auto& column : pColumns)
        assignments << column.first + QStringLiteral(" =(?)");
    const QString statement =
        QStringLiteral("UPDATE CarouselSettings SET ") + assignments.join(QStringLiteral(", "));
    checkFileInPlace();
    guarded([&] {
        SqlCommand& command = prepare(statement);
        for (int position = 1; position <= pColumns.size(); ++position)
            command.BindInt32(position, pColumns[position - 1].second);
        command.Execute();
    });
}
