#include "TokenDbFixture.h"
#include "app/cTessaro.h"
#include "carousel/cCarousel.h"
#include "desktop/modCentredMessageBox.h"
#include "launcher/FramePacing.h"
#include "launcher/MainWindowKeys.h"
#include "launcher/cfMain.h"
#include "platform/ImageList.h"
#include "platform/RuntimeError.h"
#include "platform/SqlDatabase.h"
#include "store/cToken.h"
#include "store/cTokenManager.h"
#include "ui/CarouselSettingsTable.h"
#include "ui/frmCarouselSettings.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

using TokenDbFixture::Row;

namespace {
// The value a setting has reached in its owner, read from the owner itself, in the units the
// controller hands over (percentages as percentages, fill opacity and render scale as fractions).
double LiveValue(cTessaro& controller, const QString& column) {
    const auto& table = CarouselSettings::Table();
    for (int i = 0; i < CarouselSettings::Count; ++i)
        if (column == QLatin1String(table[i].Column))
            return controller.LiveSettings()[i];
    qFatal("no setting %s", qPrintable(column));
}

const QStringList Columns =
    QStringLiteral(
        "Capacity MoveIncrements Width Tilt ForeItemScale RearItemScale ReflectionStrength "
        "ReflectionStretch TintColour TintStrength DepthDarkening ImageSize OrbitImageOpacity "
        "CaptionColour CaptionOutlineColour OverflowFade OverflowZoom TokenFillColour TokenFillOpacity "
        "RenderScale SoundEnabled")
        .split(' ');

void Store(const QString& path, const QString& column, const QVariant& value) {
    SqlConnection db(path);
    SqlCommand update(db, QStringLiteral("UPDATE CarouselSettings SET %1 = (?)").arg(column));
    if (value.typeId() == QMetaType::QString)
        update.BindText(1, value.toString());
    else
        update.BindInt32(1, value.toInt());
    update.Execute();
}

QList<QWidget*> VisibleWindows() {
    QList<QWidget*> windows;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible())
            windows << window;
    return windows;
}

// The token image workers that are alive in this process.
int TokenImageThreads() {
    int count = 0;
    for (const QFileInfo& task :
         QDir(QStringLiteral("/proc/self/task")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(task.filePath() + QStringLiteral("/comm"));
        if (name.open(QIODevice::ReadOnly) && name.readAll().trimmed() == TokenImageWork::ThreadName)
            ++count;
    }
    return count;
}

QList<Row> PictureTokens(int count) {
    const QByteArray picture = TokenDbFixture::Png(48, 48);
    QList<Row> rows;
    for (int i = 0; i < count; ++i)
        rows << Row{10 + i, i < 10 ? 1 : 10 + i % 10, QStringLiteral("Token %1").arg(i), true, picture};
    return rows;
}

QList<Row> Children(int count) {
    QList<Row> rows;
    for (int i = 0; i < count; ++i)
        rows << Row{10 + i, 1, QString(QChar('A' + i)) + QStringLiteral(" token")};
    return rows;
}
} // namespace

class TestController : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> mDir;
    QList<MessageBoxRequest> mMessages;

    QString NewDatabase(const QList<Row>& rows = {}, bool withSettingsRow = true) {
        const QString path = mDir->filePath(QStringLiteral("Tokens.db"));
        TokenDbFixture::Create(path, withSettingsRow);
        TokenDbFixture::AddRows(path, rows);
        return path;
    }

    std::unique_ptr<cTessaro> Started(const QString& path) {
        auto controller = std::make_unique<cTessaro>(path);
        controller->Init();
        return controller;
    }

private slots:
    void initTestCase() {
        FramePacer::SetInterval(0);
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            mMessages << request;
            return MsgBox::ResultOk;
        });
    }

    void init() {
        mDir = std::make_unique<QTemporaryDir>();
        QVERIFY(mDir->isValid());
        mMessages.clear();
    }

    void cleanup() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(VisibleWindows().isEmpty(), "a window outlived its controller");
    }

    // ---- Construction ------------------------------------------------------------------------

    void unusableDatabaseStopsConstructionBeforeAnythingElse_data() {
        QTest::addColumn<QString>("breakage");
        QTest::addColumn<QString>("problem");
        QTest::newRow("not a database") << "garbage" << QStringLiteral("not a database");
        QTest::newRow("Tokens table missing") << "DROP TABLE Tokens" << QStringLiteral("Tokens");
        QTest::newRow("settings table missing")
            << "DROP TABLE CarouselSettings" << QStringLiteral("CarouselSettings");
        QTest::newRow("root row missing") << "DELETE FROM Tokens WHERE TokenID = 1" << QStringLiteral("root");
    }
    void unusableDatabaseStopsConstructionBeforeAnythingElse() {
        QFETCH(QString, breakage);
        QFETCH(QString, problem);
        const QString path = mDir->filePath(QStringLiteral("Tokens.db"));
        if (breakage == QLatin1String("garbage")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(4096, 'x'));
        } else {
            NewDatabase();
            SqlConnection(path).Execute(breakage);
        }
        const QByteArray before = TokenDbFixture::FileHash(path);
        const int windowsBefore = int(QApplication::topLevelWidgets().size());
        try {
            cTessaro controller(path);
            QFAIL("the controller was made on an unusable database");
        } catch (const RuntimeError& error) {
            QVERIFY2(error.Description().contains(path), qPrintable(error.Description()));
            QVERIFY2(error.Description().contains(problem, Qt::CaseInsensitive),
                     qPrintable(error.Description()));
        }
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);
        QCOMPARE(TokenDbFixture::FileHash(path), before);
    }

    void missingDatabaseIsCreatedOnTheFirstStart() {
        const QString path = mDir->filePath(QStringLiteral("Tessaro/Tokens.db"));
        auto controller = Started(path);
        QVERIFY(QFileInfo::exists(path));
        QVERIFY(controller->TokenManager().Exists(QStringLiteral("ID1")));
        QVERIFY(controller->MainWindow().IsShown());
        QCOMPARE(controller->MainWindow().Form()->windowTitle(), QStringLiteral("Tessaro"));
    }

    // ---- Settings ----------------------------------------------------------------------------

    void storedValuesAreUsedConvertedAndClamped_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<double>("live");
        // Each conversion and clamp has its own check where the row is read; here a few values that would
        // stop the launcher (no animation steps, a 0 x 0 window) show the clamped value is what is used.
        QTest::newRow("no animation steps") << "MoveIncrements" << QVariant(0) << 1.0;
        QTest::newRow("render scale 0") << "RenderScale" << QVariant(0) << 0.5;
        QTest::newRow("render scale 900 %") << "RenderScale" << QVariant(900) << 2.0;
        QTest::newRow("tiny images") << "ImageSize" << QVariant(10) << 96.0;
        QTest::newRow("numeric text") << "Capacity" << QVariant(QStringLiteral("7")) << 7.0;
    }
    void storedValuesAreUsedConvertedAndClamped() {
        QFETCH(QString, column);
        QFETCH(QVariant, stored);
        QFETCH(double, live);
        const QString path = NewDatabase(Children(3));
        Store(path, column, stored);
        auto controller = Started(path);
        QCOMPARE(LiveValue(*controller, column), live);
        QVERIFY(mMessages.isEmpty());
    }

    void wholeRowIsAppliedBeforeAnythingIsBuilt() {
        const QString path = NewDatabase(Children(5));
        // Every setting different from its default and from the others.
        const QList<std::pair<QString, int>> stored{{"Capacity", 9},
                                                    {"MoveIncrements", 12},
                                                    {"Width", 800},
                                                    {"Tilt", 200},
                                                    {"ForeItemScale", 130},
                                                    {"RearItemScale", 80},
                                                    {"ReflectionStrength", 10},
                                                    {"ReflectionStretch", 50},
                                                    {"TintColour", 0x00FF0000},
                                                    {"TintStrength", 25},
                                                    {"DepthDarkening", 30},
                                                    {"ImageSize", 120},
                                                    {"OrbitImageOpacity", 75},
                                                    {"CaptionColour", 0x00FFFFFF},
                                                    {"CaptionOutlineColour", 0x00102030},
                                                    {"OverflowFade", -1},
                                                    {"OverflowZoom", 1},
                                                    {"TokenFillColour", 255},
                                                    {"TokenFillOpacity", 40},
                                                    {"RenderScale", 150},
                                                    {"SoundEnabled", 0}};
        QCOMPARE(stored.size(), Columns.size());
        for (const auto& [column, value] : stored)
            Store(path, column, value);
        auto controller = Started(path);
        for (const auto& [column, value] : stored) {
            double expected = value;
            if (column == QLatin1String("TokenFillOpacity") || column == QLatin1String("RenderScale"))
                expected = value * 0.01;
            else if (column.startsWith(QLatin1String("Overflow")) || column == QLatin1String("SoundEnabled"))
                expected = value != 0 ? 1 : 0;
            QVERIFY2(qFuzzyCompare(1 + LiveValue(*controller, column), 1 + expected), qPrintable(column));
        }
        // The first frame was composed with the stored look: the carousel's buffer follows the width.
        QCOMPARE(controller->Carousel().MainLayerSize().width(), 800);
        QCOMPARE(controller->Carousel().Images().Count(), 5);
    }

    void emptySettingsTableKeepsEveryDefault() {
        const QString path = NewDatabase(Children(2), false);
        auto controller = Started(path);
        // The defaults are those of freshly made owners, which nobody has told anything.
        QTemporaryDir otherDir;
        const QString otherPath = otherDir.filePath(QStringLiteral("Tokens.db"));
        TokenDbFixture::Create(otherPath, false);
        cTessaro untouched(otherPath);
        for (const QString& column : Columns)
            QVERIFY2(LiveValue(*controller, column) == LiveValue(untouched, column), qPrintable(column));
        QVERIFY(controller->SoundEnabled());
        QCOMPARE(controller->MainWindow().RenderScale(), 1.0);
        QCOMPARE(controller->LiveSettings(), CarouselSettingsValues{});
    }

    void unconvertibleSettingEndsStartUp() {
        const QString path = NewDatabase();
        Store(path, QStringLiteral("Capacity"), QStringLiteral("many"));
        const QByteArray before = TokenDbFixture::FileHash(path);
        {
            cTessaro controller(path);
            try {
                controller.Init();
                QFAIL("a setting that is not a number was applied");
            } catch (const RuntimeError& error) {
                QCOMPARE(error.Number(), 13);
                QVERIFY2(error.Description().contains(QLatin1String("Capacity")),
                         qPrintable(error.Description()));
            }
            QVERIFY(!controller.MainWindow().IsShown());
        }
        // The failed start closes the file without compacting it: its bytes are as they were.
        QCOMPARE(TokenDbFixture::FileHash(path), before);
    }

    // ---- The first level -----------------------------------------------------------------------

    void middleEntryStartsAtTheFront_data() {
        QTest::addColumn<int>("children");
        QTest::addColumn<QString>("front");
        QTest::newRow("none") << 0 << QString();
        QTest::newRow("one") << 1 << "ID10";
        QTest::newRow("two: the later middle") << 2 << "ID11";
        QTest::newRow("four: the third") << 4 << "ID12";
        QTest::newRow("five: the third") << 5 << "ID12";
        QTest::newRow("six: the fourth") << 6 << "ID13";
    }
    void middleEntryStartsAtTheFront() {
        QFETCH(int, children);
        QFETCH(QString, front);
        auto controller = Started(NewDatabase(Children(children)));
        const auto images = controller->TokenManager().CurrentImages();
        QCOMPARE(images->Count(), children);
        // The carousel shows the very collection the token manager fills.
        QCOMPARE(&controller->Carousel().Images(), images.get());
        const auto active = controller->TokenManager().ActiveToken();
        QCOMPARE(active ? active->Key() : QString(), front);
        if (children > 0)
            QCOMPARE(images->KeyAt(children / 2), active->Caption() + front);
        QVERIFY(controller->MainWindow().IsShown());
    }

    // ---- Release -----------------------------------------------------------------------------

    void releaseStopsTheWindowFirstAndCompactsTheFile() {
        const QString path = NewDatabase(PictureTokens(400));
        auto controller = Started(path);
        TokenDbFixture::LeaveFreePages(path);
        QVERIFY(DbProbe::FreePages(path) > 0);
        // A move leaves the description fade's timer running when the controller goes, and a new
        // token size leaves token images being composed on the workers.
        controller->MainWindow().Form_KeyDown(MainKey::Right);
        auto* size = controller->ShowCarouselSettings()->findChild<QScrollBar*>("HScrollSetting10");
        const int newSize = size->value() + 20;
        size->setValue(newSize);
        QVERIFY(controller->TokenManager().PendingImages() > 0);
        QTRY_VERIFY(TokenImageThreads() > 0);
        QPointer<QWidget> form = controller->MainWindow().Form();
        QPointer<cwCarousel> widget = controller->MainWindow().CarouselWidget();
        QVERIFY(form && widget);
        controller->ShutDown(nullptr);
        controller.reset();
        QCOMPARE(TokenImageThreads(), 0);
        // The settings window stored the new size as it closed.
        QCOMPARE(
            SqlConnection(path).Query("SELECT ImageSize FROM CarouselSettings").Value("ImageSize").toInt(),
            newSize);
        QVERIFY(!form || !form->isVisible());
        // Whatever was still queued for the window runs now, against objects that are gone.
        QTest::qWait(300);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!form);
        QVERIFY(!widget);
        QCOMPARE(DbProbe::FreePages(path), 0);
        SqlConnection db(path);
        SqlRowSet check = db.Query("PRAGMA integrity_check");
        check.MoveFirst();
        QCOMPARE(check.Value(check.Columns().first()).toString(), QStringLiteral("ok"));
    }
};

QTEST_MAIN(TestController)
#include "tst_controller.moc"
