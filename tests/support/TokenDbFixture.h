#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// Token database files written with raw SQL in the encodings the launcher has always used (1/0
// switches in Tokens, -1/0 in CarouselSettings, percentages, 0x00BBGGRR colours, PNG blobs, ParentID 0
// on the root), independent of the code under test.
namespace TokenDbFixture {

struct Row {
    int id;
    int parent;
    QString caption;
    bool enabled = true;
    QByteArray picture = {};
    QString command = {};
    int iconScale = 60;
    bool hide = false;
    QString description = {};
};

// The settings row Create() writes: every column with its stored value, in table order.
const QList<QPair<QString, qint64>>& Settings();
QStringList SettingsColumns();

// Creates the file with both tables, the root row (ID 1, "Root") and, when asked, one settings row.
void Create(const QString& path, bool withSettingsRow = true);
void AddRows(const QString& path, const QList<Row>& rows);
// A small PNG of the given size and colour.
QByteArray Png(int width, int height, unsigned rgb = 0x3366cc);
QByteArray FileHash(const QString& path);
// Writes a large row and deletes it again, leaving free pages for a compaction to remove.
void LeaveFreePages(const QString& path);

} // namespace TokenDbFixture

// Reading a token database straight from the file, past the code under test.
namespace DbProbe {
QVariant Scalar(const QString& path, const QString& sql);
// Every row of the query, each as column → value.
QList<QVariantMap> Rows(const QString& path, const QString& sql);
// One column of one token; invalid when there is no such token.
QVariant Stored(const QString& path, int id, const QString& column);
// The first settings row as column → stored value; empty without one.
QVariantMap SettingsRow(const QString& path);
bool Integrity(const QString& path);
qint64 FreePages(const QString& path);
} // namespace DbProbe
