#include "platform/KeyWatcher.h"
#include "platform/RuntimeError.h"
#include "platform/VirtualKeys.h"

#include <QSignalSpy>
#include <QTest>

class TestVirtualKeys : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("codes");
        QTest::newRow("hot key") << "17,18,76" << QList<int>{17, 18, 76};
        QTest::newRow("spaces") << " 17 , 18,76 " << QList<int>{17, 18, 76};
        QTest::newRow("one key") << "254" << QList<int>{254};
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(QList<int>, codes);
        QCOMPARE(VirtualKeys::ParseKeyCodes(text), codes);
    }

    void badListsAreNamed_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("offending");
        QTest::newRow("empty list") << ""
                                    << "\"\"";
        QTest::newRow("empty entry") << "17,,76"
                                     << "\"\"";
        QTest::newRow("word") << "17,Alt,76"
                              << "\"Alt\"";
        QTest::newRow("zero") << "0"
                              << "\"0\"";
        QTest::newRow("too large") << "17,255"
                                   << "\"255\"";
        QTest::newRow("negative") << "-17"
                                  << "\"-17\"";
    }
    void badListsAreNamed() {
        QFETCH(QString, text);
        QFETCH(QString, offending);
        try {
            VirtualKeys::ParseKeyCodes(text);
            QFAIL("accepted");
        } catch (const RuntimeError& error) {
            QCOMPARE(error.Number(), 5);
            QVERIFY2(error.Description().contains(offending), qPrintable(error.Description()));
        }
        QVERIFY_THROWS_EXCEPTION(RuntimeError, CreateKeyWatcher(text));
    }

    void hotKeyText_data() {
        QTest::addColumn<QString>("codes");
        QTest::addColumn<QString>("text");
        QTest::newRow("Ctrl+Alt+L") << "17,18,76"
                                    << "Ctrl+Alt+L";
        QTest::newRow("order of modifiers kept, key last") << "76,18,17"
                                                           << "Alt+Ctrl+L";
        QTest::newRow("left and right forms") << "162,165,91,160,112"
                                              << "Ctrl+Alt+Win+Shift+F1";
        QTest::newRow("same modifier twice") << "17,162,55"
                                             << "Ctrl+7";
        QTest::newRow("two keys") << "17,32,96"
                                  << "Ctrl+Space, Ctrl+Num 0";
        QTest::newRow("unnamed key") << "18,233"
                                     << "Alt+key 233";
        QTest::newRow("no modifier") << "76"
                                     << "";
        QTest::newRow("modifiers only") << "17,18"
                                        << "";
    }
    void hotKeyText() {
        QFETCH(QString, codes);
        QFETCH(QString, text);
        QCOMPARE(VirtualKeys::HotKeyText(VirtualKeys::ParseKeyCodes(codes)), text);
    }

    void withoutDisplayTheWatcherIsInactive_data() {
        QTest::addColumn<QByteArray>("display");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no display") << QByteArray() << "there is no X display";
        QTest::newRow("display that does not exist") << QByteArray(":4095") << "\":4095\" cannot be opened";
    }
    void withoutDisplayTheWatcherIsInactive() {
        QFETCH(QByteArray, display);
        QFETCH(QString, reason);
        const QByteArray saved = qgetenv("DISPLAY");
        qputenv("DISPLAY", display);
        auto watcher = CreateKeyWatcher("17,18,76");
        qputenv("DISPLAY", saved);

        QVERIFY(!watcher->IsActive());
        QCOMPARE(watcher->KeyCodes(), (QList<int>{17, 18, 76}));
        QSignalSpy failed(watcher.get(), &KeyWatcher::GrabFailed);
        watcher->SetEnabled(true);
        watcher->SetEnabled(true);
        QVERIFY(watcher->Enabled());
        QCOMPARE(failed.count(), 1);
        const QString message = failed.first().first().toString();
        QVERIFY2(message.contains("Ctrl+Alt+L") && message.contains(reason), qPrintable(message));
        QCOMPARE(watcher->HotKeyProblem(), message);
        QVERIFY(!watcher->HotKeyAvailable());
        QVERIFY(!watcher->IsKeyDown(0));
        watcher->SetEnabled(false);
        QVERIFY(!watcher->Enabled());
    }
};

QTEST_GUILESS_MAIN(TestVirtualKeys)
#include "tst_virtualkeys.moc"
