#include "BenchDatabase.h"

#include "platform/SqlDatabase.h"
#include "store/FirstStart.h"
#include "store/StarterPictures.h"
#include "ui/CarouselSettingsTable.h"

#include <QTemporaryDir>

QString WriteBenchDatabase(const QTemporaryDir& dir, const QString& name, int rows, int parents,
                           int firstId) {
    const QString path = dir.filePath(name);
    FirstStart::CreateTokenDatabaseIfMissing(path, CarouselSettings::StoredStarter());
    SqlConnection db(path);
    db.Execute("DELETE FROM Tokens WHERE TokenID > 1");
    const QByteArray picture = StarterPictures::Png(StarterPictures::Picture::Files);
    db.Execute("BEGIN");
    SqlCommand insert(db, "INSERT INTO Tokens (TokenID, ParentID, Caption, Command, Parameters, Description, "
                          "SourceImage, Enabled, TokenIconScale, HideAfterExecution) "
                          "VALUES ((?),(?),(?),'/usr/bin/true','','A token',(?),1,60,0)");
    for (int i = 0; i < rows; ++i) {
        const int id = firstId + i;
        const int parent = i < parents ? 1 : firstId + (i % parents);
        insert.BindInt32(1, id);
        insert.BindInt32(2, parent);
        insert.BindText(3, QStringLiteral("Token %1").arg(id));
        insert.BindBytes(4, picture);
        insert.Execute();
    }
    db.Execute("COMMIT");
    return path;
}
