#include "XvfbSession.h"
#include "platform/KeyWatcher.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>

using TestSupport::WaitFor;
using TestSupport::XvfbSession;

namespace {
const char* const RoleVariable = "TESSARO_TEST_KEYWATCHER_ROLE";
const QString HotKeyCodes = QStringLiteral("17,18,76"); // Ctrl, Alt, L

// "down 0", "up 2", ... in the order the watcher reported them.
struct EventLog {
    QStringList events;
    explicit EventLog(KeyWatcher& watcher) {
        QObject::connect(&watcher, &KeyWatcher::KeyDown,
                         [this](int p) { events << QStringLiteral("down %1").arg(p); });
        QObject::connect(&watcher, &KeyWatcher::KeyUp,
                         [this](int p) { events << QStringLiteral("up %1").arg(p); });
    }
};

QStringList Keys(const QString& script) {
    return script.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Run as a separate X client: hold the hot key until killed.
int HoldHotKey(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    auto watcher = CreateKeyWatcher(HotKeyCodes);
    watcher->SetEnabled(true);
    std::printf("%s\n", watcher->HotKeyAvailable() ? "held" : "failed");
    std::fflush(stdout);
    return app.exec();
}
} // namespace

class TestKeyWatcher : public QObject {
    Q_OBJECT

    std::unique_ptr<XvfbSession> mX;
    QProcess* mFocused = nullptr; // xev: a window of another program that has the keyboard focus
    qsizetype mFocusedSeen = 0;

    // The key presses the focused window received since the last call. A marker key typed after
    // them arrives after everything sent before it, so nothing still in flight is missed.
    QStringList TypedIntoFocusedWindow() {
        static const QRegularExpression keysym(QStringLiteral("\\(keysym 0x[0-9a-f]+, (\\w+)\\)"));
        mX->Xdotool(Keys("key F12"));
        QStringList typed;
        WaitFor([&] {
            const QString output = QString::fromLocal8Bit(mFocused->peek(mFocused->bytesAvailable()));
            typed.clear();
            bool inPress = false;
            for (const QString& line : output.mid(mFocusedSeen).split(QLatin1Char('\n'))) {
                if (line.startsWith(QLatin1String("Key")))
                    inPress = line.startsWith(QLatin1String("KeyPress"));
                const auto match = keysym.match(line);
                if (inPress && match.hasMatch())
                    typed << match.captured(1);
            }
            if (!typed.contains(QLatin1String("F12")))
                return false;
            mFocusedSeen = output.size();
            return true;
        });
        typed.removeAll(QStringLiteral("F12"));
        return typed;
    }

private slots:
    void initTestCase() {
        mX = std::make_unique<XvfbSession>();
        QVERIFY2(mX->IsRunning(), qPrintable(mX->ErrorString()));
        mX->UseInThisProcess();
        mFocused = mX->Start(QStringLiteral("xev"), {"-name", "focused-elsewhere", "-event", "keyboard"});
        QVERIFY(mFocused);
        QList<qulonglong> windows;
        QVERIFY(WaitFor([&] { return !(windows = mX->FindWindows("^focused-elsewhere$")).isEmpty(); }));
        QVERIFY(mX->Focus(windows.first()));
        TypedIntoFocusedWindow();
    }

    void cleanupTestCase() { mX.reset(); }

    void keysReportPositions_data() {
        QTest::addColumn<QString>("codes");
        QTest::addColumn<QString>("typing");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("focusedWindowGets");
        const QStringList fullHotKey{"down 0", "down 1", "down 2", "up 2", "up 1", "up 0"};
        const QString hotKey =
            QStringLiteral("keydown ctrl keydown alt keydown l keyup l keyup alt keyup ctrl");
        QTest::newRow("hot key, kept from the focused window")
            << HotKeyCodes << hotKey << fullHotKey << QStringList{"Control_L", "Alt_L"};
        QTest::newRow("L alone reaches the focused window")
            << HotKeyCodes << "key l" << QStringList{"down 2", "up 2"} << QStringList{"l"};
        QTest::newRow("Caps Lock on")
            << HotKeyCodes << "key Caps_Lock " + hotKey + " key Caps_Lock" << fullHotKey
            << QStringList{"Caps_Lock", "Control_L", "Alt_L", "Caps_Lock"};
        QTest::newRow("Num Lock on") << HotKeyCodes << "key Num_Lock " + hotKey + " key Num_Lock"
                                     << fullHotKey
                                     << QStringList{"Num_Lock", "Control_L", "Alt_L", "Num_Lock"};
        QTest::newRow("with Shift the combination is another one")
            << HotKeyCodes
            << "keydown ctrl keydown shift keydown alt keydown l keyup l keyup alt keyup shift keyup ctrl"
            << fullHotKey << QStringList{"Control_L", "Shift_L", "Meta_L", "L"};
        QTest::newRow("Ctrl released during the grab")
            << HotKeyCodes << "keydown ctrl keydown alt keydown l keyup ctrl keyup alt keyup l"
            << QStringList{"down 0", "down 1", "down 2", "up 0", "up 1", "up 2"}
            << QStringList{"Control_L", "Alt_L"};
        QTest::newRow("unlisted keys are not reported")
            << HotKeyCodes << "key x key F5 key Return" << QStringList{} << QStringList{"x", "F5", "Return"};
        // Left Ctrl, right Ctrl, either Ctrl. xdotool presses the left key before a right-hand modifier
        // and releases it with it; "either" goes up only when the last of the two is released.
        QTest::newRow("left and right Ctrl")
            << "162,163,17"
            << "keydown Control_R keyup Control_R"
            << QStringList{"down 0", "down 2", "down 1", "up 0", "up 1", "up 2"}
            << QStringList{"Control_L", "Control_R"};
        QTest::newRow("other codes") << "112,65,32,13,190"
                                     << "key F1 key a key space key Return key period"
                                     << QStringList{"down 0", "up 0",   "down 1", "up 1",   "down 2",
                                                    "up 2",   "down 3", "up 3",   "down 4", "up 4"}
                                     << QStringList{"F1", "a", "space", "Return", "period"};
    }

    void keysReportPositions() {
        QFETCH(QString, codes);
        QFETCH(QString, typing);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, focusedWindowGets);
        auto watcher = CreateKeyWatcher(codes);
        QVERIFY(watcher->IsActive());
        EventLog log(*watcher);
        watcher->SetEnabled(true);
        QVERIFY2(watcher->HotKeyProblem().isEmpty(), qPrintable(watcher->HotKeyProblem()));
        QCOMPARE(watcher->HotKeyAvailable(), codes == HotKeyCodes);

        QVERIFY(mX->Xdotool(Keys(typing)));
        QCOMPARE(TypedIntoFocusedWindow(), focusedWindowGets);
        WaitFor([&] { return log.events.size() >= expected.size(); }, expected.isEmpty() ? 200 : 10000);
        QCOMPARE(log.events, expected);
    }

    void isKeyDownAsksTheDisplay() {
        auto watcher = CreateKeyWatcher(HotKeyCodes);
        EventLog log(*watcher);
        watcher->SetEnabled(true);
        QVERIFY(mX->Xdotool(Keys("keydown ctrl")));
        QVERIFY(WaitFor([&] { return log.events == QStringList{"down 0"}; }));
        QVERIFY(watcher->IsKeyDown(0));
        QVERIFY(!watcher->IsKeyDown(1));
        QVERIFY(!watcher->IsKeyDown(2));

        // A release the watcher does not see leaves no stale state behind.
        watcher->SetEnabled(false);
        QVERIFY(mX->Xdotool(Keys("keyup ctrl")));
        QVERIFY(!watcher->IsKeyDown(0));
        QCOMPARE(log.events, QStringList{"down 0"});

        // Keys held while off are known when switched on: their release is reported.
        QVERIFY(mX->Xdotool(Keys("keydown alt")));
        QVERIFY(watcher->IsKeyDown(1));
        watcher->SetEnabled(true);
        QVERIFY(mX->Xdotool(Keys("keyup alt key l")));
        QVERIFY(WaitFor([&] { return log.events.size() >= 4; }));
        QCOMPARE(log.events, (QStringList{"down 0", "up 1", "down 2", "up 2"}));
        QVERIFY(!watcher->IsKeyDown(-1));
        QVERIFY(!watcher->IsKeyDown(3));
        TypedIntoFocusedWindow();
    }

    void hotKeyTakenByAnotherClient() {
        QProcessEnvironment environment = mX->Environment();
        environment.insert(RoleVariable, QStringLiteral("hold-hotkey"));
        QProcess* holder = mX->Start(QCoreApplication::applicationFilePath(), {}, environment);
        QVERIFY(holder);
        QVERIFY(WaitFor([&] { return holder->canReadLine(); }));
        QCOMPARE(holder->readLine().trimmed(), QByteArray("held"));

        auto watcher = CreateKeyWatcher(HotKeyCodes);
        QSignalSpy failed(watcher.get(), &KeyWatcher::GrabFailed);
        EventLog log(*watcher);
        watcher->SetEnabled(true);
        QCOMPARE(failed.count(), 1);
        QVERIFY(!watcher->HotKeyAvailable());
        QVERIFY(watcher->Enabled());
        QCOMPARE(failed.first().first().toString(), watcher->HotKeyProblem());
        QVERIFY2(watcher->HotKeyProblem().contains(QLatin1String("Ctrl+Alt+L")),
                 qPrintable(watcher->HotKeyProblem()));

        // The keys are still reported while the other program has the combination.
        QVERIFY(mX->Xdotool(Keys("keydown ctrl keydown alt keydown l keyup l keyup alt keyup ctrl")));
        QVERIFY(WaitFor([&] { return log.events.size() >= 6; }));
        QCOMPARE(log.events, (QStringList{"down 0", "down 1", "down 2", "up 2", "up 1", "up 0"}));
        QCOMPARE(TypedIntoFocusedWindow(), (QStringList{"Control_L", "Alt_L"}));

        // Once the other program is gone, switching on again takes the hot key.
        XvfbSession::Stop(holder);
        watcher->SetEnabled(false);
        QVERIFY(watcher->HotKeyProblem().isEmpty());
        watcher->SetEnabled(true);
        QVERIFY2(watcher->HotKeyAvailable(), qPrintable(watcher->HotKeyProblem()));
        QCOMPARE(failed.count(), 1);
    }

    void switchedOffWatcherLetsTheHotKeyGo() {
        auto first = CreateKeyWatcher(HotKeyCodes);
        EventLog log(*first);
        first->SetEnabled(true);
        QVERIFY(first->HotKeyAvailable());
        first->SetEnabled(false);
        QVERIFY(!first->HotKeyAvailable());

        QVERIFY(mX->Xdotool(Keys("keydown ctrl keydown alt keydown l keyup l keyup alt keyup ctrl")));
        QCOMPARE(TypedIntoFocusedWindow(), (QStringList{"Control_L", "Alt_L", "l"}));
        QVERIFY(log.events.isEmpty());

        auto second = CreateKeyWatcher(HotKeyCodes);
        second->SetEnabled(true);
        QVERIFY2(second->HotKeyAvailable(), qPrintable(second->HotKeyProblem()));
    }

    void keyboardRemapKeepsTheHotKey() {
        auto watcher = CreateKeyWatcher(HotKeyCodes);
        QSignalSpy failed(watcher.get(), &KeyWatcher::GrabFailed);
        EventLog log(*watcher);
        watcher->SetEnabled(true);
        // xdotool types a symbol missing from the keymap by remapping a spare key code for a moment.
        QVERIFY(mX->Xdotool(Keys("key EuroSign")));
        QCOMPARE(TypedIntoFocusedWindow(), QStringList{"EuroSign"});
        QVERIFY(mX->Xdotool(Keys("keydown ctrl keydown alt keydown l keyup l keyup alt keyup ctrl")));
        QCOMPARE(TypedIntoFocusedWindow(), (QStringList{"Control_L", "Alt_L"}));
        QVERIFY(WaitFor([&] { return log.events.size() >= 6; }));
        QCOMPARE(log.events, (QStringList{"down 0", "down 1", "down 2", "up 2", "up 1", "up 0"}));
        QVERIFY(watcher->HotKeyAvailable());
        QCOMPARE(failed.count(), 0);
    }

    void lostDisplayEndsOnlyTheWatching() {
        auto other = std::make_unique<XvfbSession>();
        QVERIFY2(other->IsRunning(), qPrintable(other->ErrorString()));
        other->UseInThisProcess();
        auto watcher = CreateKeyWatcher(HotKeyCodes);
        watcher->SetEnabled(true);
        QVERIFY(watcher->IsActive());
        other.reset(); // the server ends; this process must not
        QVERIFY(WaitFor([&] { return !watcher->IsActive(); }));
        QVERIFY(!watcher->IsKeyDown(0));
        QVERIFY(!watcher->HotKeyAvailable());
        watcher->SetEnabled(false);
        watcher.reset();
    }
};

int main(int argc, char* argv[]) {
    if (qEnvironmentVariable(RoleVariable) == QLatin1String("hold-hotkey"))
        return HoldHotKey(argc, argv);
    QCoreApplication app(argc, argv);
    TestKeyWatcher test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_keywatcher.moc"
