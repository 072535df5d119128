#include "TokenDbFixture.h"

#include "platform/SqlDatabase.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QImage>

namespace TokenDbFixture {

void Create(const QString& path, bool withSettingsRow) {
    SqlConnection db(path, SqlConnection::Mode::CreateIfMissing);
    db.Execute(
        "CREATE TABLE Tokens (TokenID INTEGER PRIMARY KEY, ParentID INTEGER, Caption TEXT, "
        "Command TEXT, Parameters TEXT, Description TEXT, SourceImage BLOB, Enabled INTEGER, "
        "TokenIconScale INTEGER, HideAfterExecution INTEGER);"
        "CREATE TABLE CarouselSettings (Capacity INTEGER, MoveIncrements INTEGER, RenderScale INTEGER, "
        "Width INTEGER, Tilt INTEGER, ImageSize INTEGER, ForeItemScale INTEGER, RearItemScale INTEGER, "
        "ReflectionStretch INTEGER, ReflectionStrength INTEGER, DepthDarkening INTEGER, "
        "TintStrength INTEGER, TintColour INTEGER, CaptionColour INTEGER, CaptionOutlineColour INTEGER, "
        "OverflowFade INTEGER, OverflowZoom INTEGER, OrbitImageOpacity INTEGER, TokenFillColour INTEGER, "
        "TokenFillOpacity INTEGER, SoundEnabled INTEGER);"
        "INSERT INTO Tokens VALUES (1, 0, 'Root', '', '', '', NULL, 1, 60, 0);");
    if (withSettingsRow)
        db.Execute("INSERT INTO CarouselSettings VALUES (9, 12, 150, 800, 200, 120, 130, 80, 50, 10, 30, 25, "
                   "16711680, 16777215, 0, -1, 0, 75, 255, 40, 0)");
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

qint64 FreePages(const QString& path) {
    SqlConnection db(path);
    SqlRowSet rows = db.Query("PRAGMA freelist_count");
    rows.MoveFirst();
    return rows.Value(rows.Columns().first()).toLongLong();
}

} // namespace TokenDbFixture
