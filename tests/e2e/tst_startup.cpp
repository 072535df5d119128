#include "TessaroRun.h"
#include "TestSupport.h"
#include "TokenDbFixture.h"
#include "TrayProbe.h"
#include "platform/SqlDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using TestSupport::TessaroRun;
using TestSupport::TrayProbe;
using TestSupport::WaitFor;
using TestSupport::XvfbSession;

namespace {
QString IntegrityOf(const QString& path) {
    SqlConnection db(path);
    SqlRowSet rows = db.Query(QStringLiteral("PRAGMA integrity_check"));
    rows.MoveFirst();
    return rows.Value(rows.Columns().first()).toString();
}

bool EndedNormally(QProcess* process) {
    return process->state() == QProcess::NotRunning && process->exitStatus() == QProcess::NormalExit;
}
} // namespace

class TestStartup : public QObject {
    Q_OBJECT

    std::unique_ptr<XvfbSession> mX;

private slots:
    // Each case on a display of its own, so that no window of an earlier case is in the way.
    void init() {
        mX = std::make_unique<XvfbSession>();
        QVERIFY2(mX->IsRunning(), qPrintable(mX->ErrorString()));
    }

    void cleanup() { mX.reset(); }

    // Where no display can be reached the program says it needs a desktop session and ends with 1,
    // instead of aborting inside the toolkit.
    void withoutADisplayTheProgramSaysSoAndEnds_data() {
        QTest::addColumn<QString>("display"); // empty: DISPLAY is not set
        QTest::newRow("no DISPLAY") << QString();
        QTest::newRow("its server gone") << ":4987";
    }
    void withoutADisplayTheProgramSaysSoAndEnds() {
        QFETCH(QString, display);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
        if (!display.isEmpty())
            environment.insert(QStringLiteral("DISPLAY"), display);
        QTemporaryDir home;
        environment.insert(QStringLiteral("HOME"), home.path());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(TestSupport::ExecutablePath(), {});
        QVERIFY(program.waitForFinished(15000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        const QString output = QString::fromLocal8Bit(program.readAll()).trimmed();
        QVERIFY2(output.startsWith(QLatin1String("Tessaro needs a desktop session")) &&
                     !output.contains('\n'),
                 qPrintable(output));
    }

    void secondCopyShowsTheFirstAndEnds() {
        TessaroRun tessaro(*mX);
        QProcess* first = tessaro.Start();
        QVERIFY(first);
        QVERIFY2(tessaro.WaitForMainWindow(true), qPrintable(tessaro.Output()));
        // The first copy is hidden with Escape.
        QVERIFY(mX->Focus(tessaro.MainWindows().first()));
        QVERIFY(mX->Xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
        QVERIFY(tessaro.WaitForMainWindow(false));

        QProcess* second = tessaro.Start();
        QVERIFY(second);
        // Handing over is a short exchange on a local socket; the deadline allows for a busy machine.
        QVERIFY2(tessaro.WaitForExit(1, 3000), "the second copy is still running");
        QVERIFY(EndedNormally(second));
        QCOMPARE(second->exitCode(), 0);
        QVERIFY2(tessaro.WaitForMainWindow(true), qPrintable(tessaro.Output(0)));
        QCOMPARE(tessaro.MainWindows().size(), 1);
        QCOMPARE(first->state(), QProcess::Running);
    }

    void unusableDatabaseIsReportedAndLeftAlone_data() {
        QTest::addColumn<QString>("breakage");
        QTest::addColumn<QString>("problem");
        QTest::newRow("not a database") << ""
                                        << "file is not a database";
        QTest::newRow("no Tokens table") << "DROP TABLE Tokens"
                                         << "it has no table Tokens";
        QTest::newRow("no settings table") << "DROP TABLE CarouselSettings"
                                           << "it has no table CarouselSettings";
        QTest::newRow("no root row") << "DELETE FROM Tokens WHERE TokenID = 1"
                                     << "it has no root token";
        QTest::newRow("setting not a number") << "UPDATE CarouselSettings SET Width = 'wide'"
                                              << "Width of the carousel settings";
    }
    void unusableDatabaseIsReportedAndLeftAlone() {
        QFETCH(QString, breakage);
        QFETCH(QString, problem);
        TessaroRun tessaro(*mX);
        QVERIFY(QDir().mkpath(tessaro.DataFolder()));
        const QString path = tessaro.DatabasePath();
        if (breakage.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("This is a list of programs, not a database.\n").repeated(100));
        } else {
            TokenDbFixture::Create(path);
            TokenDbFixture::AddRows(path, {{2, 1, "Editor"}});
            SqlConnection(path).Execute(breakage);
        }
        const QByteArray before = TokenDbFixture::FileHash(path);

        QProcess* process = tessaro.Start();
        QVERIFY(process);
        // The message is written out and shown in a box titled "Tessaro"; Enter closes the box.
        QVERIFY2(WaitFor([&] { return tessaro.Output().contains(problem); }), qPrintable(tessaro.Output()));
        if (!breakage.startsWith(QLatin1String("UPDATE")))
            QVERIFY2(tessaro.Output().contains(path), qPrintable(tessaro.Output()));
        QList<qulonglong> boxes;
        QVERIFY(WaitFor([&] { return !(boxes = tessaro.MainWindows()).isEmpty(); }));
        QCOMPARE(boxes.size(), 1);
        QVERIFY(process->state() == QProcess::Running);
        QVERIFY(mX->Focus(boxes.first()));
        QVERIFY(mX->Xdotool({QStringLiteral("key"), QStringLiteral("Return")}));

        QVERIFY2(tessaro.WaitForExit(), "the program did not end after the message");
        QVERIFY2(EndedNormally(process), "the program crashed on its way out");
        QCOMPARE(process->exitCode(), 1);
        QCOMPARE(TokenDbFixture::FileHash(path), before);
        QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
    }

    void closingTheMainWindowEndsTheProgram() {
        TessaroRun tessaro(*mX);
        QProcess* process = tessaro.Start();
        QVERIFY(process);
        QVERIFY2(tessaro.WaitForMainWindow(true), qPrintable(tessaro.Output()));
        QVERIFY(TrayProbe(*mX).RequestClose(tessaro.MainWindows().first()));
        QVERIFY2(tessaro.WaitForExit(), qPrintable(tessaro.Output()));
        QVERIFY(EndedNormally(process));
        QCOMPARE(process->exitCode(), 0);
        QCOMPARE(IntegrityOf(tessaro.DatabasePath()), QStringLiteral("ok"));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
