// The installation: `cmake --install` into a staging folder (DESTDIR) lays out the program, its files,
// the desktop entry, the icons and the AppStream metainfo; the desktop's own validators accept them;
// the installed program, started from another folder, finds its help page and makes its first tree
// from the desktop's applications.
#include "ScratchDesktop.h"
#include "TessaroRun.h"
#include "TrayProbe.h"
#include "platform/Imaging.h"
#include "platform/SqlDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTest>
#include <QUrl>

using TestSupport::ScratchDesktop;
using TestSupport::TessaroRun;
using TestSupport::TrayProbe;
using TestSupport::XvfbSession;

namespace {
// Runs a program to its end; its exit code, or -1 when it could not run. Output goes to `output`.
int Run(const QString& program, const QStringList& arguments, QString* output = nullptr,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return process.exitCode();
}
} // namespace

class TestInstall : public QObject {
    Q_OBJECT
    QTemporaryDir mStage;
    QString mPrefix; // <stage>/usr
    QString mId;     // the application ID the entry, the icons and the metainfo are named after

    QString Installed(const QString& relative) const { return mPrefix + QLatin1Char('/') + relative; }

private slots:
    void initTestCase() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DESTDIR", mStage.path());
        const QString build = QFileInfo(TESSARO_EXECUTABLE).absolutePath();
        QString output;
        QCOMPARE(Run("cmake", {"--install", build, "--prefix", "/usr"}, &output, environment), 0);
        mPrefix = mStage.path() + "/usr";
        const QStringList entries = QDir(Installed("share/applications")).entryList({"*.desktop"});
        QCOMPARE(entries.size(), 1);
        mId = QFileInfo(entries.first()).completeBaseName();
        QVERIFY2(mId.count('.') >= 2, qPrintable(mId)); // reverse-DNS
    }

    void filesLieWhereTheDesktopLooks_data() {
        QTest::addColumn<QString>("file");
        for (const char* file :
             {"bin/tessaro", "share/tessaro/TessaroGlyphs.ttf", "share/tessaro/Tessaro Help.html",
              "share/applications/%1.desktop", "share/metainfo/%1.metainfo.xml",
              "share/icons/hicolor/48x48/apps/%1.png", "share/icons/hicolor/scalable/apps/%1.svg"})
            QTest::newRow(file) << QString::fromLatin1(file);
    }
    void filesLieWhereTheDesktopLooks() {
        QFETCH(QString, file);
        const QFileInfo info(Installed(file.contains("%1") ? file.arg(mId) : file));
        QVERIFY2(info.isFile() && info.size() > 0, qPrintable(info.filePath()));
        if (file.startsWith("bin/"))
            QVERIFY(info.isExecutable());
    }

    void iconsAreTheApplicationIcon() {
        QCOMPARE(Imaging::DecodeFile(Installed("share/icons/hicolor/48x48/apps/" + mId + ".png")).size(),
                 QSize(48, 48));
        QVERIFY(
            !Imaging::DecodeFile(Installed("share/icons/hicolor/scalable/apps/" + mId + ".svg")).isNull());
        QSettings entry(Installed("share/applications/" + mId + ".desktop"), QSettings::IniFormat);
        QCOMPARE(entry.value("Desktop Entry/Icon").toString(), mId);
        QCOMPARE(entry.value("Desktop Entry/Exec").toString(), QStringLiteral("tessaro"));
    }

    void validatorsAcceptTheEntryAndTheMetainfo_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("desktop-file-validate")
            << "desktop-file-validate" << QStringList{"share/applications/%1.desktop"};
        QTest::newRow("appstreamcli")
            << "appstreamcli" << QStringList{"validate", "--no-net", "share/metainfo/%1.metainfo.xml"};
    }
    void validatorsAcceptTheEntryAndTheMetainfo() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        arguments.last() = Installed(arguments.last().arg(mId));
        QString output;
        QVERIFY2(Run(program, arguments, &output) == 0, qPrintable(output));
        if (program == "desktop-file-validate")
            QVERIFY2(output.trimmed().isEmpty(), qPrintable(output)); // not even a hint
    }

    void installedProgramFindsItsFiles() {
        XvfbSession x({.withTray = true});
        QVERIFY2(x.IsRunning(), qPrintable(x.ErrorString()));
        const ScratchDesktop desktop;
        TessaroRun tessaro(x);
        tessaro.SetProgram(Installed("bin/tessaro"));
        for (const auto& [name, value] : desktop.SystemVariables())
            tessaro.SetEnvironment(QString::fromLatin1(name), QString::fromLocal8Bit(value));
        tessaro.SetEnvironment("PATH", desktop.Bin() + ":" + qEnvironmentVariable("PATH"));
        QVERIFY(tessaro.Start());
        QVERIFY2(tessaro.WaitForMainWindow(true), qPrintable(tessaro.Output()));
        {
            SqlConnection db(tessaro.DatabasePath());
            SqlRowSet rows =
                db.Query("SELECT Parameters FROM Tokens WHERE Caption = 'Netz' AND ParentID = 1");
            QCOMPARE(rows.RecordCount(), 1);
        }
        // Help in the tray menu (the fourth item) opens the installed help page.
        TrayProbe tray(x);
        QVERIFY2(tray.WaitForIcon(), qPrintable(tessaro.Output()));
        tray.RightClickIcon();
        QVERIFY(tray.WaitForPopup(true));
        QVERIFY(x.Xdotool({"key", "Down", "Down", "Down", "Down", "Return"}));
        const QStringList opened = desktop.WaitForMarker("xdg-open");
        QCOMPARE(opened.size(), 1);
        QCOMPARE(QUrl::fromUserInput(opened.first()).toLocalFile(),
                 Installed("share/tessaro/Tessaro Help.html"));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
