#pragma once

#include <QByteArray>
#include <QString>

class SqlConnection;

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

// Creates the file with both tables, the root row (ID 1, "Root") and, when asked, one settings row.
void Create(const QString& path, bool withSettingsRow = true);
void AddRows(const QString& path, const QList<Row>& rows);
// A small PNG of the given size and colour.
QByteArray Png(int width, int height, unsigned rgb = 0x3366cc);
QByteArray FileHash(const QString& path);
// Writes a large row and deletes it again, leaving free pages for a compaction to remove.
void LeaveFreePages(const QString& path);
qint64 FreePages(const QString& path);

} // namespace TokenDbFixture
