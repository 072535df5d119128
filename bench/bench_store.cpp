// The token store: loading every token row, and deleting a large subtree.
#include "BenchDatabase.h"
#include "BenchRunner.h"

#include "platform/ImageList.h"
#include "platform/SqlDatabase.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {

void loadTenThousand(BenchContext& c) {
    QTemporaryDir dir;
    const QString path = WriteBenchDatabase(dir, "load.db", 10000, 100);
    ImageList images;
    std::vector<double> samples;
    for (int run = 0; run < 8; ++run) {
        QElapsedTimer timer;
        timer.start();
        auto database = std::make_unique<clsDatabase>(path);
        cTokenManager manager(*database, images);
        manager.LoadAllTokens();
        const double elapsed = timer.nsecsElapsed() / 1e6;
        if (manager.Count() != 10001)
            qFatal("loaded %d tokens", manager.Count());
        if (run > 0) // the first run warms the file cache
            samples.push_back(elapsed);
    }
    c.Report("db.load.10000", "ms", samples);
}

// A hundred thousand tokens, a hundred on the first level: from opening the file until the level
// on show has its images (the rest are left on order).
void openHundredThousand(BenchContext& c) {
    QTemporaryDir dir;
    const QString path = WriteBenchDatabase(dir, "open.db", 100000, 100);
    ImageList images;
    std::vector<double> loads;
    std::vector<double> opens;
    for (int run = 0; run < 4; ++run) {
        QElapsedTimer timer;
        timer.start();
        clsDatabase database(path);
        cTokenManager manager(database, images);
        manager.LoadAllTokens();
        const double loaded = timer.nsecsElapsed() / 1e6;
        manager.RebuildImageCache(true);
        const double opened = timer.nsecsElapsed() / 1e6;
        if (run > 0) {
            loads.push_back(loaded);
            opens.push_back(opened);
        }
    }
    c.Report("store.open.100000.load", "ms", loads);
    c.Report("store.open.100000", "ms", opens);
}

void deleteSubtree(BenchContext& c) {
    QTemporaryDir dir;
    std::vector<double> samples;
    for (int run = 0; run < 6; ++run) {
        // 1000 other tokens, then a subtree of 1000: its top (ID 1002), 9 children and 990 below them.
        const QString path = WriteBenchDatabase(dir, QStringLiteral("delete%1.db").arg(run), 1000, 10);
        {
            SqlConnection db(path);
            db.Execute("BEGIN");
            db.Execute("INSERT INTO Tokens (TokenID, ParentID, Caption) VALUES (1002, 1, 'Subtree')");
            SqlCommand insert(db, "INSERT INTO Tokens (TokenID, ParentID, Caption, SourceImage) "
                                  "VALUES ((?),(?),'Below',zeroblob(4000))");
            for (int i = 0; i < 999; ++i) {
                insert.BindInt32(1, 1003 + i);
                insert.BindInt32(2, i < 9 ? 1002 : 1003 + (i % 9));
                insert.Execute();
            }
            db.Execute("COMMIT");
        }
        clsDatabase database(path);
        QElapsedTimer timer;
        timer.start();
        database.DeleteToken("ID1002");
        const double elapsed = timer.nsecsElapsed() / 1e6;
        if (run > 0)
            samples.push_back(elapsed);
    }
    c.Report("db.delete_subtree.1000", "ms", samples);
}

static BenchRegistration loadRegistration({"db.load.10000"}, loadTenThousand);
static BenchRegistration openRegistration({"store.open.100000.load", "store.open.100000"},
                                          openHundredThousand);
static BenchRegistration deleteRegistration({"db.delete_subtree.1000"}, deleteSubtree);

} // namespace
