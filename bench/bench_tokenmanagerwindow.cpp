// The Token Manager window: rebuilding its tree from every token.
#include "BenchRunner.h"

#include "carousel/cCarousel.h"
#include "launcher/CarouselFeed.h"
#include "platform/ImageList.h"
#include "platform/SqlDatabase.h"
#include "store/FirstStart.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"
#include "ui/CarouselSettingsTable.h"
#include "ui/TokenTreeWidget.h"
#include "ui/frmTokenManager.h"

#include <QTemporaryDir>

namespace {

// `rows` tokens below the root: a hundred levels under it, the rest spread evenly below those.
QString writeTree(const QTemporaryDir& dir, int rows) {
    const QString path = dir.filePath(QStringLiteral("tree%1.db").arg(rows));
    FirstStart::CreateTokenDatabaseIfMissing(path, CarouselSettings::StoredStarter());
    SqlConnection db(path);
    db.Execute("DELETE FROM Tokens WHERE TokenID > 1");
    db.Execute("BEGIN");
    SqlCommand insert(db, "INSERT INTO Tokens (TokenID, ParentID, Caption, Command, Parameters, Description, "
                          "Enabled, TokenIconScale, HideAfterExecution) "
                          "VALUES ((?),(?),(?),'/usr/bin/true','','A token',(?),60,0)");
    const int parents = 100;
    for (int i = 0; i < rows; ++i) {
        const int id = 2 + i;
        insert.BindInt32(1, id);
        insert.BindInt32(2, i < parents ? 1 : 2 + (i % parents));
        insert.BindText(3, QStringLiteral("Token %1").arg((id * 7919) % rows)); // siblings out of order
        insert.BindInt32(4, id % 10 == 0 ? 0 : 1);
        insert.Execute();
    }
    db.Execute("COMMIT");
    return path;
}

void populateTree(BenchContext& c, int rows, const QString& figure) {
    QTemporaryDir dir;
    clsDatabase database(writeTree(dir, rows));
    ImageList images;
    cCarousel carousel(images);
    cTokenManager tokens(database, images);
    CarouselFeed feed(tokens, carousel);
    tokens.LoadAllTokens(); // the tree needs the tokens, not their composed images
    auto* window = new frmTokenManager(tokens, carousel);
    window->show();
    const QString deepest = QStringLiteral("ID%1").arg(rows + 1);
    auto samples = MeasureMilliseconds(2, 10, [&] { window->PopulateTree(deepest, false); });
    if (window->Tree()->NodeCount() != rows + 1)
        qFatal("the tree holds %d nodes", window->Tree()->NodeCount());
    c.Report(figure, "ms", samples);
    c.Report(figure + QStringLiteral(".hide_inactive"), "ms",
             MeasureMilliseconds(2, 10, [&] { window->PopulateTree(deepest, true); }));
    delete window;
}

BenchRegistration populate1000({"manager.populate_tree.1000", "manager.populate_tree.1000.hide_inactive"},
                               [](BenchContext& c) { populateTree(c, 1000, "manager.populate_tree.1000"); });
BenchRegistration populate10000({"manager.populate_tree.10000", "manager.populate_tree.10000.hide_inactive"},
                                [](BenchContext& c) {
                                    populateTree(c, 10000, "manager.populate_tree.10000");
                                });

} // namespace
