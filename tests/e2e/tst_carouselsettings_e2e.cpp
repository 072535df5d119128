// The settings window in the real program on a private X server: a right click on the carousel
// opens it in front with the keyboard, a slider moved with the keys changes the carousel on screen,
// and DONE writes the new value to the CarouselSettings row.
#include "LauncherScreen.h"
#include "TessaroRun.h"
#include "XvfbSession.h"
#include "platform/SqlDatabase.h"

#include <QMap>
#include <QTest>

using namespace TestSupport;

namespace {
// Places in the settings window, in its own coordinates.
const QPoint DoneButton(152, 504);
const int RightMargin = 300; // between the right column of sliders and the window's edge
const QRgb SettingsBackground = qRgb(0xE8, 0xE8, 0xE8);

using SettingsRow = QMap<QString, qint64>;

// The CarouselSettings row as the program has written it (empty while the file cannot be read).
SettingsRow StoredSettings(const QString& path) {
    SettingsRow row;
    try {
        SqlConnection db(path);
        SqlRowSet rows = db.Query(QStringLiteral("SELECT * FROM CarouselSettings"));
        rows.MoveFirst();
        if (!rows.EndOfRows())
            for (const QString& column : rows.Columns())
                row.insert(column, rows.Value(column).toLongLong());
    } catch (const SqlError&) {
        row.clear();
    }
    return row;
}
} // namespace

class TestCarouselSettingsEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void sliderMovedWithTheKeysChangesCarouselAndFile_data() {
        QTest::addColumn<int>("tabs"); // from the first slider, which has the focus at the start
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("column"); // empty: nothing changes
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("terminated"); // ended by SIGTERM (a logout) instead of DONE
        QTest::newRow("reflection strength: Page Up and Right")
            << 8 << QStringList{"Page_Up", "Right"} << "ReflectionStrength" << 6 << false;
        QTest::newRow("render scale: Right") << 0 << QStringList{"Right"} << "RenderScale" << 5 << false;
        QTest::newRow("opened and closed") << 0 << QStringList{} << QString() << 0 << false;
        QTest::newRow("render scale, then SIGTERM")
            << 0 << QStringList{"Right"} << "RenderScale" << 5 << true;
    }

    void sliderMovedWithTheKeysChangesCarouselAndFile() {
        QFETCH(int, tabs);
        QFETCH(QStringList, keys);
        QFETCH(QString, column);
        QFETCH(int, change);
        QFETCH(bool, terminated);
        XvfbSession x;
        QVERIFY2(x.IsRunning(), qPrintable(x.ErrorString()));
        TessaroRun tessaro(x);
        QVERIFY(tessaro.Start());
        LauncherScreen screen(x);
        const qulonglong carousel = screen.WaitForCarouselWindow();
        QVERIFY2(carousel, qPrintable(tessaro.Output()));
        const QRect carouselBefore = screen.Geometry(carousel);
        const QRect drawnBefore = AboveDescription(carouselBefore, tessaro.DatabasePath());
        QVERIFY(!drawnBefore.isEmpty());
        const QImage before = screen.WaitForStill(drawnBefore);
        QVERIFY(!before.isNull());
        const SettingsRow stored = StoredSettings(tessaro.DatabasePath());
        QVERIFY(column.isEmpty() || stored.contains(column));

        // Another program has the keyboard, so the right click also activates the carousel.
        QVERIFY(screen.FocusOtherProgram(QStringLiteral("Elsewhere")));
        QVERIFY(screen.Click(carousel, QPoint(carouselBefore.width() / 2, 40), LauncherScreen::RightButton));
        const qulonglong settings = screen.WaitForWindow("^Settings$");
        QVERIFY2(settings, "the right click did not open the settings window");
        // Once the carousel's fade-in (its activation by the click) is over, the settings window
        // has the keyboard and lies over the carousel where the two meet.
        const QRect settingsPlace = screen.Geometry(settings);
        QVERIFY(settingsPlace.intersects(carouselBefore));
        const QRect both = settingsPlace.united(carouselBefore);
        const QImage opened = screen.WaitForStill(both);
        QVERIFY(!opened.isNull());
        QCOMPARE(screen.FocusedWindow(), settings);
        const QPoint margin = settingsPlace.topLeft() + QPoint(RightMargin, settingsPlace.height() / 2);
        QVERIFY(carouselBefore.contains(margin));
        QVERIFY2(opened.pixel(margin - both.topLeft()) == SettingsBackground,
                 "the carousel covers the settings window");

        const QImage settingsBefore = screen.WaitForStill(settingsPlace);
        QVERIFY(screen.Keys(QStringList(tabs, QStringLiteral("Tab")) + keys));
        SettingsRow expected = stored;
        if (!column.isEmpty())
            expected[column] += change;
        if (terminated) {
            // The session ends: the program closes its windows as Exit does and ends with status 0.
            QVERIFY2(WaitFor([&] { return screen.WaitForStill(settingsPlace) != settingsBefore; }),
                     "the slider did not move");
            QProcess* process = tessaro.Process();
            process->terminate();
            QVERIFY2(tessaro.WaitForExit(), qPrintable(tessaro.Output()));
            QCOMPARE(process->exitStatus(), QProcess::NormalExit);
            QCOMPARE(process->exitCode(), 0);
            QCOMPARE(StoredSettings(tessaro.DatabasePath()), expected);
            return;
        }
        QVERIFY(screen.Click(settings, DoneButton));
        QVERIFY2(screen.WaitUntilGone("^Settings$"), "DONE did not close the settings window");

        // The row holds the new value, and nothing else changed.
        QVERIFY(WaitFor([&] { return StoredSettings(tessaro.DatabasePath()) == expected; }));

        // The carousel on screen: as it was when nothing changed, else different.
        const QRect drawnAfter = AboveDescription(screen.Geometry(carousel), tessaro.DatabasePath());
        const QImage after = screen.WaitForStill(drawnAfter);
        QVERIFY(!after.isNull());
        if (column.isEmpty()) {
            QCOMPARE(drawnAfter, drawnBefore);
            QCOMPARE(DifferingPixels(before, after), qsizetype(0));
        } else {
            QVERIFY2(drawnAfter != drawnBefore || DifferingPixels(before, after) > 200,
                     "the carousel looks as it did");
        }
    }
};

QTEST_GUILESS_MAIN(TestCarouselSettingsEndToEnd)
#include "tst_carouselsettings_e2e.moc"
