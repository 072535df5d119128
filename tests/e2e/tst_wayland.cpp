// The launcher in a Wayland session (weston, headless, with XWayland): it runs through XWayland on
// its own, its window maps and takes the keys.
#include "TestSupport.h"
#include "XvfbSession.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

using TestSupport::WaitFor;

class TestWayland : public QObject {
    Q_OBJECT

    QTemporaryDir mRuntime;
    QTemporaryDir mHome;
    std::unique_ptr<QProcess> mWeston;
    std::unique_ptr<QProcess> mTessaro;
    QString mXDisplay;
    QString mWestonOutput;

    QProcessEnvironment SessionEnvironment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("XAUTHORITY"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), mRuntime.path());
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-tessaro"));
        environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        environment.insert(QStringLiteral("DISPLAY"), mXDisplay);
        return environment;
    }

    // The widths of the mapped X windows titled "Tessaro".
    QList<int> TessaroWindowWidths() const {
        QProcess search;
        search.setProcessEnvironment(SessionEnvironment());
        search.start(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--name", "^Tessaro$"});
        search.waitForFinished(10000);
        QList<int> widths;
        for (const QByteArray& id : search.readAllStandardOutput().split('\n')) {
            if (id.trimmed().isEmpty())
                continue;
            QProcess geometry;
            geometry.setProcessEnvironment(SessionEnvironment());
            geometry.start(QStringLiteral("xdotool"),
                           {"getwindowgeometry", "--shell", QString::fromLatin1(id.trimmed())});
            geometry.waitForFinished(10000);
            const auto width = QRegularExpression("WIDTH=(\\d+)")
                                   .match(QString::fromLatin1(geometry.readAllStandardOutput()));
            if (width.hasMatch())
                widths << width.captured(1).toInt();
        }
        return widths;
    }
    // The launcher's window, as opposed to a message box of the same title: wider than any box.
    bool LauncherShown() const {
        const QList<int> widths = TessaroWindowWidths();
        return std::any_of(widths.begin(), widths.end(), [](int width) { return width > 560; });
    }

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("weston")).isEmpty())
            QSKIP("weston is not installed");
        QFile::setPermissions(mRuntime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        mWeston = std::make_unique<QProcess>();
        mWeston->setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), mRuntime.path());
        mWeston->setProcessEnvironment(environment);
        mWeston->start(QStringLiteral("weston"),
                       {"--backend=headless-backend.so", "--xwayland", "--socket=wayland-tessaro",
                        "--width=1280", "--height=800"});
        QVERIFY(mWeston->waitForStarted(10000));
        const QRegularExpression listening(QStringLiteral("xserver listening on display (:\\d+)"));
        QVERIFY2(WaitFor([&] {
                     mWestonOutput += QString::fromLocal8Bit(mWeston->readAll());
                     const auto match = listening.match(mWestonOutput);
                     mXDisplay = match.hasMatch() ? match.captured(1) : QString();
                     return !mXDisplay.isEmpty();
                 }),
                 qPrintable(mWestonOutput));
    }

    void cleanupTestCase() {
        TestSupport::XvfbSession::Stop(mTessaro.get());
        TestSupport::XvfbSession::Stop(mWeston.get());
    }

    void launcherMapsThroughXWaylandAndTakesKeys() {
        mTessaro = std::make_unique<QProcess>();
        mTessaro->setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment environment = SessionEnvironment();
        environment.insert(QStringLiteral("HOME"), mHome.path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), mHome.filePath(QStringLiteral(".local/share")));
        environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        mTessaro->setProcessEnvironment(environment);
        mTessaro->start(TestSupport::ExecutablePath(), {});
        QVERIFY(mTessaro->waitForStarted(10000));
        // Qt's own choice here would be its Wayland platform: an X window proves the XWayland road.
        QVERIFY2(WaitFor([&] { return LauncherShown(); }, 20000), mTessaro->readAll().constData());
        QProcess keys;
        keys.setProcessEnvironment(SessionEnvironment());
        keys.start(QStringLiteral("xdotool"), {"key", "Right", "Left", "Escape"});
        QVERIFY(keys.waitForFinished(10000));
        QVERIFY2(WaitFor([&] { return !LauncherShown(); }, 20000), "the keys did not reach the launcher");
    }
};

QTEST_GUILESS_MAIN(TestWayland)
#include "tst_wayland.moc"
