#include "TessaroRun.h"
#include "TokenDbFixture.h"
#include "XvfbSession.h"
#include "platform/SqlDatabase.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace TestSupport;
using TokenDbFixture::Row;

namespace {
// The launcher's drawing with the construction defaults (no settings row): image size 128, so the
// title band is 58 pixels high and the description band 96.
constexpr int TitleBand = 58;
constexpr int DescriptionBand = 96;

struct Bands {
    QImage title, frame, description;
};

Bands BandsOf(const QImage& window) {
    const int frameHeight = window.height() - TitleBand - DescriptionBand;
    return {window.copy(0, 0, window.width(), TitleBand),
            window.copy(0, TitleBand, window.width(), frameHeight),
            window.copy(0, TitleBand + frameHeight, window.width(), DescriptionBand)};
}

// Pixels bright enough to be the text's white outline (the rest of the window is dark).
int BrightPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qGray(image.pixel(x, y)) > 200;
    return count;
}

// The share of pixels that differ noticeably.
double Difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull())
        return 1.0;
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            differing += qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 24;
    return double(differing) / (a.width() * a.height());
}

bool Same(const QImage& a, const QImage& b) {
    return Difference(a, b) < 0.002;
}

// Tokens under the root in carousel order: Alpha, Bravo (runs the marker script), Charlie (a level,
// in front at the start), Delta.
QList<Row> LauncherTokens(const QString& script) {
    const QByteArray picture = TokenDbFixture::Png(96, 96, 0x2a7ab0);
    return {
        {2, 1, "Alpha", true, picture, {}, 60, false, "The first token"},
        {3, 1, "Bravo", true, picture, script, 60, false, "Writes a marker file with its parameters"},
        {4, 1, "Charlie", true, picture, {}, 60, false, "Opens a level with two tokens of its own"},
        {5, 1, "Delta", true, picture, {}, 60, false, "D"},
        {6, 4, "Inner A", true, picture, {}, 60, false, "Inside Charlie"},
        {7, 4, "Inner B", true, picture, {}, 60, false, "Also inside Charlie"},
    };
}
} // namespace

class TestLauncher : public QObject {
    Q_OBJECT

    std::unique_ptr<XvfbSession> mSession;
    std::unique_ptr<TessaroRun> mTessaro;
    qulonglong mWindow = 0;
    QString mMarker;

    QRect WindowGeometry() const {
        QString output;
        if (!mSession->Xdotool({"getwindowgeometry", "--shell", QString::number(mWindow)}, &output))
            return {};
        const auto value = [&](const QString& name) {
            const auto match =
                QRegularExpression("^" + name + "=(-?\\d+)$", QRegularExpression::MultilineOption)
                    .match(output);
            return match.hasMatch() ? match.captured(1).toInt() : -1;
        };
        return QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
    }

    QImage WindowShot() const {
        const QRect geometry = WindowGeometry();
        const QImage screen = mSession->Screenshot();
        return screen.isNull() || !geometry.isValid() ? QImage() : screen.copy(geometry);
    }

    // Waits until the window shows a front token at rest with its description, and returns it.
    bool SettledShot(Bands& bands, const std::function<bool(const Bands&)>& wanted) const {
        QImage previous;
        return WaitFor(
            [&] {
                const QImage shot = WindowShot();
                const bool settled = !shot.isNull() && Same(shot, previous);
                previous = shot;
                if (!settled)
                    return false;
                bands = BandsOf(shot);
                return BrightPixels(bands.description) > 30 && wanted(bands);
            },
            20000);
    }

    bool Key(const QString& key) const { return mSession->Xdotool({"key", "--clearmodifiers", key}); }

    // Buttons 4 and 5 turn a vertical wheel away and towards; 6 and 7 scroll sideways.
    bool Wheel(int button, int notches = 1) const {
        return mSession->Xdotool({"mousemove", "--window", QString::number(mWindow), "200", "200"}) &&
               mSession->Xdotool(
                   {"click", "--repeat", QString::number(notches), "--delay", "1", QString::number(button)});
    }

    bool FocusLauncher() {
        const QList<qulonglong> windows = mTessaro->MainWindows();
        if (windows.isEmpty())
            return false;
        mWindow = windows.first();
        return mSession->Focus(mWindow);
    }

private slots:
    void initTestCase() {
        mSession = std::make_unique<XvfbSession>();
        QVERIFY2(mSession->IsRunning(), qPrintable(mSession->ErrorString()));
        mTessaro = std::make_unique<TessaroRun>(*mSession);
        QDir().mkpath(mTessaro->DataFolder());
        mMarker = mTessaro->Home() + "/marker.txt";
        const QString script = mTessaro->Home() + "/write-marker.sh";
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QString("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1.part'\nmv '%1.part' '%1'\n")
                       .arg(mMarker)
                       .toUtf8());
        file.close();
        file.setPermissions(file.permissions() | QFile::ExeOwner);
        TokenDbFixture::Create(mTessaro->DatabasePath(), false);
        TokenDbFixture::AddRows(mTessaro->DatabasePath(), LauncherTokens(script));
        SqlConnection(mTessaro->DatabasePath())
            .Execute("UPDATE Tokens SET Parameters = '--greeting \"hello there\" $HOME' WHERE TokenID = 3");
        QVERIFY(mTessaro->Start());
        QVERIFY2(mTessaro->WaitForMainWindow(true), qPrintable(mTessaro->Output()));
        QVERIFY(FocusLauncher());
    }

    void cleanupTestCase() {
        mTessaro.reset();
        mSession.reset();
    }

    // The session ends while a failed launch is being reported: the box is answered, and the
    // program ends in order instead of waiting on it.
    void sessionEndWhileABoxWaits() {
        XvfbSession x;
        QVERIFY2(x.IsRunning(), qPrintable(x.ErrorString()));
        TessaroRun tessaro(x);
        QDir().mkpath(tessaro.DataFolder());
        TokenDbFixture::Create(tessaro.DatabasePath(), false);
        TokenDbFixture::AddRows(tessaro.DatabasePath(),
                                {{2, 1, "Broken", true, TokenDbFixture::Png(96, 96, 0x2a7ab0),
                                  "/nonexistent/program", 60, false, "Cannot start"}});
        QVERIFY(tessaro.Start());
        QVERIFY2(tessaro.WaitForMainWindow(true), qPrintable(tessaro.Output()));
        QVERIFY(x.Focus(tessaro.MainWindows().first()));
        QVERIFY(x.Xdotool({"key", "Return"}));
        // The box is titled like the launcher's window.
        QVERIFY2(WaitFor([&] { return tessaro.MainWindows().size() == 2; }, 20000), "no box");
        tessaro.Process()->terminate();
        QVERIFY2(tessaro.WaitForExit(), qPrintable(tessaro.Output()));
        QCOMPARE(tessaro.Process()->exitCode(), 0);
    }

    // Right, Left and the wheel turn the carousel: the frame changes and the new front token's
    // description appears; turning back shows the first picture again.
    void keysAndWheelTurnTheCarousel() {
        Bands charlie, delta, again;
        QVERIFY(Key("Right"));
        QVERIFY2(SettledShot(delta, [](const Bands&) { return true; }), "no description after Right");
        QVERIFY(Key("Left"));
        QVERIFY2(
            SettledShot(charlie, [&](const Bands& b) { return !Same(b.description, delta.description); }),
            "Left did not bring another token to the front");
        QVERIFY(!Same(charlie.frame, delta.frame));
        QVERIFY(Same(charlie.title, delta.title));
        QVERIFY(Wheel(5)); // towards the user: like Right
        QVERIFY2(SettledShot(again, [&](const Bands& b) { return Same(b.description, delta.description); }),
                 "the wheel did not turn to the next token");
        QVERIFY(Same(again.frame, delta.frame));
        QVERIFY(Wheel(4)); // away: like Left
        QVERIFY2(SettledShot(again, [&](const Bands& b) { return Same(b.description, charlie.description); }),
                 "the wheel did not turn back");
    }

    // A sideways scroll turns nothing; a quick burst of notches lands as many positions on.
    void wheelTurnsOnlyForVerticalRotation() {
        Bands charlie, delta, alpha, after;
        auto showing = [&](const Bands& wanted) {
            return [&wanted](const Bands& b) { return Same(b.description, wanted.description); };
        };
        QVERIFY(SettledShot(charlie, [](const Bands&) { return true; }));
        QVERIFY(Key("Right"));
        QVERIFY(
            SettledShot(delta, [&](const Bands& b) { return !Same(b.description, charlie.description); }));
        QVERIFY(Key("Left") && Key("Left") && Key("Left"));
        QVERIFY(SettledShot(alpha, [&](const Bands& b) {
            return !Same(b.description, charlie.description) && !Same(b.description, delta.description);
        }));
        QVERIFY(Key("Right") && Key("Right"));
        QVERIFY(SettledShot(after, showing(charlie)));
        // Sideways, then one key: the key's one position is all that happened.
        QVERIFY(Wheel(6) && Wheel(7) && Key("Right"));
        QVERIFY2(SettledShot(after, showing(delta)), "a sideways scroll turned the carousel");
        QVERIFY(Key("Left"));
        QVERIFY(SettledShot(after, showing(charlie)));
        QVERIFY(Wheel(4, 2)); // two quick notches away: like Left twice
        QVERIFY2(SettledShot(after, showing(alpha)), "the burst did not end two positions on");
        QVERIFY(Wheel(5, 2));
        QVERIFY(SettledShot(after, showing(charlie)));
    }

    // Down opens the front token's level (a new title); Up comes back with that token in front.
    void downOpensAndUpReturns() {
        Bands root, inside, back;
        QVERIFY(SettledShot(root, [](const Bands&) { return true; }));
        QVERIFY(Key("Down"));
        QVERIFY2(SettledShot(inside, [&](const Bands& b) { return !Same(b.title, root.title); }),
                 "the title did not change");
        QVERIFY(Key("Up"));
        QVERIFY2(SettledShot(back, [&](const Bands& b) { return Same(b.title, root.title); }),
                 "Up did not return to the root level");
        QVERIFY(Same(back.frame, root.frame));
        QVERIFY(Same(back.description, root.description));
    }

    // Enter runs the front token's command with its parameters, never through a shell.
    void enterRunsTheCommand() {
        QVERIFY(Key("Left")); // Bravo
        QVERIFY(Key("Return"));
        QVERIFY2(WaitFor([&] { return QFile::exists(mMarker); }, 20000), qPrintable(mTessaro->Output()));
        QFile marker(mMarker);
        QVERIFY(marker.open(QIODevice::ReadOnly));
        QCOMPARE(marker.readAll(), QByteArray("--greeting\nhello there\n$HOME\n"));
        QVERIFY(!mTessaro->MainWindows().isEmpty());
        QVERIFY(Key("Right")); // Charlie again
    }

    // Escape hides the window; starting a second copy shows it again, and the copy ends.
    void escapeHidesAndSecondCopyShows() {
        QVERIFY(FocusLauncher());
        QVERIFY(Key("Escape"));
        QVERIFY(mTessaro->WaitForMainWindow(false));
        QVERIFY(mTessaro->Start());
        QVERIFY2(mTessaro->WaitForMainWindow(true), qPrintable(mTessaro->Output(0)));
        QVERIFY(mTessaro->WaitForExit(1));
        QVERIFY(mTessaro->Process(0)->state() == QProcess::Running);
    }

    // Numeric-pad plus grows the window about its centre.
    void numPadPlusGrowsAboutTheCentre() {
        QVERIFY(FocusLauncher());
        const QRect before = WindowGeometry();
        QVERIFY(before.isValid());
        QVERIFY(Key("KP_Add"));
        QVERIFY(WaitFor([&] { return WindowGeometry().width() > before.width(); }, 20000));
        const QRect after = WindowGeometry();
        QVERIFY(qAbs(after.width() - before.width() * 1.1) <= 2);
        QVERIFY(qAbs(after.height() - before.height() * 1.1) <= 2);
        QVERIFY((QRectF(after).center() - QRectF(before).center()).manhattanLength() <= 2);
    }

    // A crash of the program under test leaves gdb's backtrace of its core in the test's log.
    void crashLeavesABacktraceInTheLog() {
        XvfbSession x;
        QVERIFY2(x.IsRunning(), qPrintable(x.ErrorString()));
        TessaroRun tessaro(x);
        // In a sanitizer build the address checker would take the signal itself and forbid the core.
        tessaro.SetEnvironment("ASAN_OPTIONS",
                               qEnvironmentVariable("ASAN_OPTIONS") + ":handle_segv=0:disable_coredump=0");
        QVERIFY(tessaro.Start());
        QVERIFY(
            WaitFor([&] { return !tessaro.Output().isEmpty() || tessaro.MainWindows(false).size() > 0; }));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("crashed; backtrace:.*SIGSEGV.*#1 ",
                                                QRegularExpression::DotMatchesEverythingOption));
        QVERIFY(x.Run("kill", {"-SEGV", QString::number(tessaro.Process()->processId())}));
        QVERIFY(tessaro.WaitForExit(-1, 60000));
    }
};

QTEST_GUILESS_MAIN(TestLauncher)
#include "tst_launcher.moc"
