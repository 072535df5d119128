#include "TokenDbFixture.h"

#include "platform/SqlDatabase.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QImage>

namespace TokenDbFixture {

const QList<QPair<QString, qint64>>& Settings() {
    // clang-format off
    static const QList<QPair<QString, qint64>> row = {
        {"Capacity", 9}, {"MoveIncrements", 12}, {"RenderScale", 150}, {"Width", 800}, {"Tilt", 200},
        {"ImageSize", 120}, {"ForeItemScale", 130}, {"RearItemScale", 80}, {"ReflectionStretch", 50},
        {"ReflectionStrength", 10}, {"DepthDarkening", 30}, {"TintStrength", 25}, {"TintColour", 16711680},
        {"CaptionColour", 16777215}, {"CaptionOutlineColour", 0}, {"OverflowFade", -1}, {"OverflowZoom", 0},
        {"OrbitImageOpacity", 75}, {"TokenFillColour", 255}, {"TokenFillOpacity", 40}, {"SoundEnabled", 0}};
    // clang-format on
    return row;
}

QStringList SettingsColumns() {
    QStringList columns;
    for (const auto& [column, value] : Settings())
        columns << column;
    return columns;
}

void Create(const QString& path, bool withSettingsRow) {
    SqlConnection db(path, SqlConnection::Mode::CreateIfMissing);
    db.Execute("CREATE TABLE Tokens (TokenID INTEGER PRIMARY KEY, ParentID INTEGER, Caption TEXT, "
               "Command TEXT, Parameters TEXT, Description TEXT, SourceImage BLOB, Enabled INTEGER, "
               "TokenIconScale INTEGER, HideAfterExecution INTEGER);"
               "CREATE TABLE CarouselSettings (" +
               SettingsColumns().join(" INTEGER, ") +
               " INTEGER);"
               "INSERT INTO Tokens VALUES (1, 0, 'Root', '', '', '', NULL, 1, 60, 0);");
    if (!withSettingsRow)
        return;
    QStringList values;
    for (const auto& [column, value] : Settings())
        values << QString::number(value);
    db.Execute("INSERT INTO CarouselSettings VALUES (" + values.join(',') + ")");
}

void AddRows(const QString& path, const QList<Row>& rows) {
    SqlConnection db(path);
    db.Execute("BEGIN");
    SqlCommand insert(db, "INSERT INTO Tokens VALUES ((?),(?),(?),(?),'',(?),(?),(?),(?),(?))");
    for (const Row& row : rows) {
        insert.BindInt32(1, row.id);
        insert.BindInt32(2, row.parent);
        insert.BindText(3, row.caption);
        insert.BindText(4, row.command);
        insert.BindText(5, row.description);
        insert.BindBytes(6, row.picture);
        insert.BindInt32(7, row.enabled ? 1 : 0);
        insert.BindInt32(8, row.iconScale);
        insert.BindInt32(9, row.hide ? 1 : 0);
        insert.Execute();
    }
    db.Execute("COMMIT");
}

QByteArray Png(int width, int height, unsigned rgb) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor::fromRgb(rgb));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray FileHash(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

void LeaveFreePages(const QString& path) {
    SqlConnection db(path);
    db.Execute("INSERT INTO Tokens (TokenID, ParentID, Caption, SourceImage) "
               "VALUES (99999, 1, 'Big', zeroblob(200000))");
    db.Execute("DELETE FROM Tokens WHERE TokenID = 99999");
}

} // namespace TokenDbFixture

namespace DbProbe {

QList<QVariantMap> Rows(const QString& path, const QString& sql) {
    SqlConnection db(path);
    SqlRowSet rows = db.Query(sql);
    QList<QVariantMap> result;
    for (rows.MoveFirst(); !rows.EndOfRows(); rows.MoveNext()) {
        QVariantMap row;
        for (const QString& column : rows.Columns())
            row.insert(column, rows.Value(column));
        result << row;
    }
    return result;
}

QVariant Scalar(const QString& path, const QString& sql) {
    const QList<QVariantMap> rows = Rows(path, sql);
    return rows.isEmpty() || rows.first().isEmpty() ? QVariant() : rows.first().first();
}

QVariant Stored(const QString& path, int id, const QString& column) {
    return Scalar(path, QStringLiteral("SELECT %1 FROM Tokens WHERE TokenID = %2").arg(column).arg(id));
}

QVariantMap SettingsRow(const QString& path) {
    const QList<QVariantMap> rows = Rows(path, QStringLiteral("SELECT * FROM CarouselSettings"));
    return rows.isEmpty() ? QVariantMap() : rows.first();
}

bool Integrity(const QString& path) {
    return Scalar(path, QStringLiteral("PRAGMA integrity_check")).toString() == QLatin1String("ok");
}

qint64 FreePages(const QString& path) {
    return Scalar(path, QStringLiteral("PRAGMA freelist_count")).toLongLong();
}

} // namespace DbProbe
