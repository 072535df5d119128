#include "StoreRig.h"
#include "desktop/modCentredMessageBox.h"
#include "platform/Imaging.h"

#include <QSet>
#include <QSignalSpy>
#include <QTest>

using TokenDbFixture::Row;

namespace {
QStringList keysOf(const ImageCollection& images) {
    QStringList keys;
    for (const auto& [key, bytes] : images)
        keys << key;
    return keys;
}

// The tree used by most cases: two levels below the root, a disabled branch and
// a branch below it.
//   1 Root
//   +- 2 Apps        +- 5 Editor, 6 Terminal, 7 Old (disabled) +- 11 Older
//   +- 3 Docs
//   +- 12 Games      +- 13 Pong
//   +- 4 Hidden (disabled) +- 8 Secret
QList<Row> tree() {
    const QByteArray picture = TokenDbFixture::Png(40, 40);
    return {{2, 1, "Apps", true, picture},     {3, 1, "Docs", true, picture},
            {4, 1, "Hidden", false, picture},  {5, 2, "Editor", true, picture},
            {6, 2, "Terminal", true, picture}, {7, 2, "Old", false, picture},
            {8, 4, "Secret", true, picture},   {11, 7, "Older", true, picture},
            {12, 1, "Games", true, picture},   {13, 12, "Pong", true, picture}};
}

// The cache invariant: one image for every active token under its image key, in
// exactly one of the two collections; the current images are the enabled
// children of the current root.
QString invariantBroken(const cTokenManager& manager) {
    const ImageCollection& current = *manager.CurrentImages();
    const ImageCollection& cache = manager.ImageCache();
    QSet<QString> expectedAll, expectedCurrent;
    for (const auto& [key, token] : manager) {
        if (manager.IsActive(key))
            expectedAll.insert(cTokenManager::ImageKeyOf(*token));
        if (token->ParentKey() == manager.CurrentRootKey() && token->Enabled())
            expectedCurrent.insert(cTokenManager::ImageKeyOf(*token));
    }
    const QStringList currentKeys = keysOf(current), cacheKeys = keysOf(cache);
    const QSet<QString> currentSet(currentKeys.begin(), currentKeys.end());
    const QSet<QString> cacheSet(cacheKeys.begin(), cacheKeys.end());
    if (currentSet.intersects(cacheSet))
        return "an image is in both collections";
    if ((currentSet | cacheSet) != expectedAll)
        return "images: " + (currentKeys + cacheKeys).join(',');
    if (currentSet != expectedCurrent)
        return "current images: " + currentKeys.join(',');
    for (const auto& [key, image] : current)
        if (image.isNull())
            return "no image on show for " + key;
    return {};
}

// A thousand tokens with pictures: twenty below the root, each with 49 below it.
QList<Row> thousand() {
    const QByteArray picture = TokenDbFixture::Png(40, 40, 0x2a7ab0);
    QList<Row> rows;
    for (int i = 0; i < 1000; ++i)
        rows << Row{2 + i, i < 20 ? 1 : 2 + i % 20, QStringLiteral("Token %1").arg(2 + i), true, picture};
    return rows;
}

QStringList tokenKeysOf(const ImageCollection& images) {
    QStringList keys;
    for (const auto& [imageKey, image] : images)
        keys << QStringLiteral("ID") + imageKey.mid(imageKey.lastIndexOf(QStringLiteral("ID")) + 2);
    return keys;
}

// The images that are not what composing the token here, on this thread, in the manager's present
// look gives: missing, stale or drawn differently by a worker.
QStringList imagesNotAsComposedHere(const cTokenManager& manager, const ImageCollection& images) {
    QStringList wrong;
    const QStringList tokens = tokenKeysOf(images);
    for (int i = 0; i < images.Count(); ++i) {
        const auto token = manager.Item(tokens[i]);
        const QImage expected = TokenImageRenderer::ComposeTokenImage(
            Imaging::Decode(token->SourceImage()), token->IconScaleValue(), token->Caption(),
            manager.ImageSize(), manager.Appearance());
        if (images.ItemAt(i) != expected)
            wrong << images.KeyAt(i);
    }
    return wrong;
}

// Runs the event loop until the workers have handed over every image on order.
void waitForEveryImage(const cTokenManager& manager) {
    QSignalSpy composed(&manager, &cTokenManager::ImagesComposed);
    if (manager.PendingImages() > 0)
        QVERIFY(composed.wait(60000));
    QCOMPARE(manager.PendingImages(), 0);
}

#define VERIFY_INVARIANT(manager)                                                                            \
    do {                                                                                                     \
        const QString broken = invariantBroken(manager);                                                     \
        QVERIFY2(broken.isEmpty(), qPrintable(broken));                                                      \
    } while (false)
} // namespace

class TestImageCache : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        SetMessageBoxResponder([](const MessageBoxRequest& request) {
            qWarning() << "unexpected message" << request.prompt;
            return MsgBox::ResultOk;
        });
    }

    void initFillsBothCollections() {
        StoreRig rig(tree());
        rig.manager->Init();
        VERIFY_INVARIANT(*rig.manager);
        QCOMPARE(keysOf(*rig.manager->CurrentImages()), (QStringList{"AppsID2", "DocsID3", "GamesID12"}));
        QCOMPARE(keysOf(rig.manager->ImageCache()),
                 (QStringList{"RootID1", "EditorID5", "TerminalID6", "PongID13"}));
        // Each image is a composed square of the carousel's image size.
        const QImage image = rig.manager->CurrentImages()->Item("AppsID2");
        QCOMPARE(image.size(), QSize(rig.carousel->ImageSize(), rig.carousel->ImageSize()));
    }

    void currentImagesAreOrderedByCaption() {
        StoreRig rig({{2, 1, "zebra"}, {3, 1, "Apple"}, {4, 1, "mango"}, {5, 1, "Banana"}});
        rig.manager->Init();
        QCOMPARE(keysOf(*rig.manager->CurrentImages()),
                 (QStringList{"AppleID3", "BananaID5", "mangoID4", "zebraID2"}));
    }

    void disablingDropsTheSubtreesImages() {
        StoreRig rig(tree());
        rig.manager->Init();
        rig.manager->SetEnabledState("ID2", false);
        VERIFY_INVARIANT(*rig.manager);
        for (const char* key : {"AppsID2", "EditorID5", "TerminalID6"}) {
            QVERIFY(!rig.manager->ImageCache().Exists(key));
            QVERIFY(!rig.manager->CurrentImages()->Exists(key));
        }
        QCOMPARE(
            SqlConnection(rig.path).Query("SELECT Enabled FROM Tokens WHERE TokenID = 2").Value("Enabled"),
            QVariant(qint64(0)));

        // Enabling a branch brings back the images of everything below that is now
        // active.
        rig.manager->SetEnabledState("ID7", true);
        VERIFY_INVARIANT(*rig.manager);
        QVERIFY(!rig.manager->ImageCache().Exists("OlderID11")); // Apps is still off
        rig.manager->SetEnabledState("ID2", true);
        VERIFY_INVARIANT(*rig.manager);
        QVERIFY(rig.manager->ImageCache().Exists("OlderID11"));
        QVERIFY(rig.manager->ImageCache().Exists("OldID7"));
    }

    void renamingMovesTheImageToTheNewName_data() {
        QTest::addColumn<QString>("root");
        QTest::addColumn<bool>("onShow");
        QTest::addColumn<bool>("previousGiven");
        QTest::newRow("on the level on show") << "ID1" << true << true;
        QTest::newRow("on another level") << "ID2" << false << true;
        QTest::newRow("old name not given") << "ID1" << true << false;
    }
    void renamingMovesTheImageToTheNewName() {
        QFETCH(QString, root);
        QFETCH(bool, onShow);
        QFETCH(bool, previousGiven);
        StoreRig rig(tree());
        rig.manager->Init();
        QString front;
        rig.manager->SetCurrentRoot(root, front, false);
        rig.manager->Item("ID12")->SetCaption("Play");
        rig.manager->SaveToken("ID12", false, previousGiven ? "Games" : "");
        VERIFY_INVARIANT(*rig.manager);
        QVERIFY(!rig.manager->CurrentImages()->Exists("GamesID12"));
        QVERIFY(!rig.manager->ImageCache().Exists("GamesID12"));
        QCOMPARE(rig.manager->CurrentImages()->Exists("PlayID12"), onShow);
        QCOMPARE(rig.manager->ImageCache().Exists("PlayID12"), !onShow);
        QCOMPARE(
            SqlConnection(rig.path).Query("SELECT Caption FROM Tokens WHERE TokenID = 12").Value("Caption"),
            QVariant(QStringLiteral("Play")));
    }

    void deletingASubtree() {
        StoreRig rig(tree());
        rig.manager->Init();
        rig.database->DeleteToken("ID2");
        for (const char* key : {"ID2", "ID5", "ID6", "ID7", "ID11"})
            rig.manager->RemoveToken(key);
        rig.manager->RebuildImageCache(false);
        VERIFY_INVARIANT(*rig.manager);
        QCOMPARE(keysOf(*rig.manager->CurrentImages()), (QStringList{"DocsID3", "GamesID12"}));
        QCOMPARE(keysOf(rig.manager->ImageCache()), (QStringList{"RootID1", "PongID13"}));
    }

    void composeCounts() {
        StoreRig rig(tree());
        rig.manager->Init();
        rig.manager->FinishPendingImages();
        const int active = 7; // the root, Apps, Docs, Games, Editor, Terminal, Pong
        QCOMPARE(rig.manager->ComposedTokenImages(),
                 active + 1); // and the unused-capacity image

        int before = rig.manager->ComposedTokenImages();
        rig.manager->RebuildImageCache(true);
        rig.manager->FinishPendingImages();
        QCOMPARE(rig.manager->ComposedTokenImages() - before, active + 1);
        VERIFY_INVARIANT(*rig.manager);

        before = rig.manager->ComposedTokenImages();
        rig.manager->RebuildImageCache(false);
        QCOMPARE(rig.manager->ComposedTokenImages(), before); // nothing is missing

        rig.manager->Item("ID6")->SetDescription("A new description");
        rig.manager->SaveToken("ID6", false, QString());
        rig.manager->FinishPendingImages(); // the token is not on show: its image comes from a worker
        QCOMPARE(rig.manager->ComposedTokenImages() - before,
                 1); // only the saved token

        before = rig.manager->ComposedTokenImages();
        const int orbits = rig.manager->ComposedOrbitImages();
        QString front;
        rig.manager->SetCurrentRoot("ID2", front, true);
        QCOMPARE(rig.manager->ComposedTokenImages(),
                 before); // a level change composes no token image
        QCOMPARE(rig.manager->ComposedOrbitImages() - orbits, 1);
        VERIFY_INVARIANT(*rig.manager);
        QCOMPARE(keysOf(*rig.manager->CurrentImages()), (QStringList{"EditorID5", "TerminalID6"}));
        QCOMPARE(front, QStringLiteral("TerminalID6"));
    }

    void levelChangesMoveImagesWithoutLosingAny() {
        StoreRig rig(tree());
        rig.manager->Init();
        const QImage apps = rig.manager->CurrentImages()->Item("AppsID2");
        QString front;
        rig.manager->SetCurrentRoot("ID2", front, false);
        VERIFY_INVARIANT(*rig.manager);
        QCOMPARE(rig.manager->ImageCache().Item("AppsID2").cacheKey(), apps.cacheKey());
        front.clear();
        rig.manager->SetCurrentRoot("ID1", front, false);
        VERIFY_INVARIANT(*rig.manager);
        QCOMPARE(rig.manager->CurrentImages()->Item("AppsID2").cacheKey(), apps.cacheKey());
        // An inactive level shows nothing and stops nothing.
        front.clear();
        rig.manager->SetCurrentRoot("ID4", front, true);
        QCOMPARE(rig.manager->CurrentImages()->Count(), 0);
        QVERIFY(front.isEmpty());
    }

    void orbitImageHasAHaloMargin() {
        StoreRig rig({{2, 1, "Apps", true, TokenDbFixture::Png(196, 196)}});
        SqlConnection(rig.path).Execute(
            "UPDATE Tokens SET SourceImage = (SELECT SourceImage FROM Tokens WHERE "
            "TokenID = 2) WHERE TokenID = 1");
        rig.manager->Init();
        QCOMPARE(Imaging::Decode(rig.manager->CreateOrbitImage()).size(), QSize(216, 216));
    }

    void badPictureGivesABlankSquare() {
        StoreRig rig({{2, 1, "Broken", true, QByteArray("\x89PNG not really", 15)}, {3, 1, "Plain"}});
        rig.manager->SetFillOpacity(0.5);
        rig.manager->Init();
        VERIFY_INVARIANT(*rig.manager);
        const int size = rig.carousel->ImageSize();
        const QImage broken = rig.manager->CurrentImages()->Item("BrokenID2");
        QCOMPARE(broken.size(), QSize(size, size));
        for (int y = 0; y < size; y += 7)
            for (int x = 0; x < size; x += 7)
                QCOMPARE(qAlpha(broken.pixel(x, y)), 0);
        // A token with the default (empty) picture still gets its badge.
        const QImage plain = rig.manager->CurrentImages()->Item("PlainID3");
        QVERIFY(qAlpha(plain.pixel(size / 2, size / 2)) > 0);
    }

    // ---- Composed on the workers ---------------------------------------------------------

    void everyLevelShowsAllItsImagesWhileTheRestAreComposed_data() {
        QTest::addColumn<bool>("held");
        QTest::newRow("composed in the background") << false;
        QTest::newRow("held back while the launcher starts") << true;
    }
    void everyLevelShowsAllItsImagesWhileTheRestAreComposed() {
        QFETCH(bool, held);
        StoreRig rig(thousand());
        if (held)
            rig.manager->HoldBackgroundImages();
        rig.manager->Init();
        QVERIFY2(rig.manager->PendingImages() > 0, "the images off the first level are composed later");
        VERIFY_INVARIANT(*rig.manager);
        QCOMPARE(imagesNotAsComposedHere(*rig.manager, *rig.manager->CurrentImages()), QStringList());
        const QStringList levels = tokenKeysOf(*rig.manager->CurrentImages());
        QCOMPARE(levels.size(), 20);
        for (const QString& level : levels) {
            QString front;
            rig.manager->SetCurrentRoot(level, front, false);
            VERIFY_INVARIANT(*rig.manager);
            QCOMPARE(rig.manager->CurrentImages()->Count(), 49);
            QCOMPARE(imagesNotAsComposedHere(*rig.manager, *rig.manager->CurrentImages()), QStringList());
            // Images the workers finished meanwhile are filed between the visits.
            QCoreApplication::processEvents();
        }
        if (held)
            rig.manager->ReleaseBackgroundImages();
        waitForEveryImage(*rig.manager);
        VERIFY_INVARIANT(*rig.manager);
        QCOMPARE(imagesNotAsComposedHere(*rig.manager, rig.manager->ImageCache()), QStringList());
    }

    void changeOfLookInTheMiddleOfARegenerationLeavesNothingStale() {
        StoreRig rig(thousand());
        rig.manager->Init();
        rig.carousel->Build(QString());
        const QImage shown = rig.manager->CurrentImages()->ItemAt(0);
        QSignalSpy replaced(rig.manager.get(), &cTokenManager::LevelImagesReplaced);
        QSignalSpy builds(rig.carousel.get(), &cCarousel::MoveComplete);

        rig.manager->SetFillColour(0x0000FF);
        rig.manager->SetFillOpacity(1.0);
        QCOMPARE(rig.manager->CurrentImages()->ItemAt(0).cacheKey(),
                 shown.cacheKey()); // storing draws nothing
        rig.manager->RebuildImageCache(true);
        // The level on show keeps its images until its new ones have all arrived.
        QCOMPARE(rig.manager->CurrentImages()->ItemAt(0).cacheKey(), shown.cacheKey());
        QVERIFY(rig.manager->PendingImages() > 0);
        rig.manager->SetTextColour(0x00FF00);
        rig.manager->SetTextOutlineColour(0x000000);
        rig.manager->RebuildImageCache(true);
        waitForEveryImage(*rig.manager);

        QCOMPARE(replaced.count(), 1);
        QCOMPARE(builds.count(), 1);
        VERIFY_INVARIANT(*rig.manager);
        QCOMPARE(imagesNotAsComposedHere(*rig.manager, *rig.manager->CurrentImages()), QStringList());
        QCOMPARE(imagesNotAsComposedHere(*rig.manager, rig.manager->ImageCache()), QStringList());
        // The carousel shows the new images.
        for (const CarouselSlot& slot : rig.carousel->Slots())
            if (rig.manager->CurrentImages()->Exists(slot.Key))
                QCOMPARE(rig.images.Get(slot.Key).cacheKey(),
                         rig.manager->CurrentImages()->Item(slot.Key).cacheKey());
        QVERIFY(rig.manager->CurrentImages()->ItemAt(0) != shown); // the new look shows
    }
};

QTEST_MAIN(TestImageCache)
#include "tst_imagecache.moc"
