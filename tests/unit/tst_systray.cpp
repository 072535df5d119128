#include "TokenDbFixture.h"
#include "app/cTessaro.h"
#include "carousel/cCarousel.h"
#include "desktop/modCentredMessageBox.h"
#include "launcher/FramePacing.h"
#include "launcher/MainWindowKeys.h"
#include "launcher/cfMain.h"
#include "platform/Imaging.h"
#include "platform/KeyWatcher.h"
#include "platform/Resources.h"
#include "platform/SqlDatabase.h"
#include "ui/cSysTray.h"
#include "ui/frmAbout.h"
#include "ui/frmSysTray.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>

using TokenDbFixture::Row;

namespace {
// The keyboard as the tests play it: "+0" presses the key at position 0 (Ctrl), "-1" reports the
// release of Alt, "!0" lets Ctrl go without reporting it (yet: a later "-0" may report it, as the
// display does for events still queued; without one the release was missed).
class ScriptedKeys : public KeyWatcher {
public:
    ScriptedKeys() : KeyWatcher({17, 18, 76}) {}
    void SetEnabled(bool enabled) override { mEnabled = enabled; }
    bool Enabled() const override { return mEnabled; }
    bool IsActive() const override { return true; }
    bool IsKeyDown(int position) const override { return mDown.value(position); }
    bool HotKeyAvailable() const override { return mEnabled; }
    QString HotKeyProblem() const override { return {}; }

    void Play(const QString& script) {
        for (const QString& step : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const int position = step.mid(1).toInt();
            const bool wasDown = mDown.value(position) || mUnreported.contains(position);
            mDown[position] = step[0] == QLatin1Char('+');
            if (step[0] == QLatin1Char('!')) {
                mUnreported.insert(position);
            } else if (step[0] == QLatin1Char('+')) {
                emit KeyDown(position);
            } else if (wasDown) {
                mUnreported.remove(position);
                emit KeyUp(position);
            }
        }
    }

private:
    bool mEnabled = false;
    QMap<int, bool> mDown;
    QSet<int> mUnreported;
};

// A window of the running program that notes whether the controller still existed when it closed.
class OtherWindow : public QWidget {
public:
    explicit OtherWindow(const std::unique_ptr<cTessaro>& root) : mRoot(root) {}
    bool closed = false;
    bool controllerAtClose = false;

protected:
    void closeEvent(QCloseEvent* event) override {
        closed = true;
        controllerAtClose = mRoot != nullptr;
        QWidget::closeEvent(event);
    }

private:
    const std::unique_ptr<cTessaro>& mRoot;
};

// The picture's pixel over the window colour, as the About window is expected to show it.
QRgb Flattened(QRgb picture, QColor background) {
    const double a = qAlpha(picture) / 255.0;
    auto mix = [a](int over, int under) { return qRound(over * a + under * (1 - a)); };
    return qRgb(mix(qRed(picture), background.red()), mix(qGreen(picture), background.green()),
                mix(qBlue(picture), background.blue()));
}

bool Near(QRgb a, QRgb b) {
    return qAbs(qRed(a) - qRed(b)) <= 2 && qAbs(qGreen(a) - qGreen(b)) <= 2 && qAbs(qBlue(a) - qBlue(b)) <= 2;
}
} // namespace

class TestSysTray : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> mDir;
    QString mPath;
    std::unique_ptr<cTessaro> mRoot;
    ScriptedKeys* mKeys = nullptr;
    QStringList mMessages;

    void Start() {
        mRoot = std::make_unique<cTessaro>(mPath);
        mRoot->Init();
    }
    cfMain& MainWindow() const { return mRoot->MainWindow(); }
    frmSysTray* SysTrayForm() const { return &mRoot->SysTrayForm(); }

    // The whole program on a small database, with the scripted keyboard in place of the desktop's.
    // Beta, in front, runs a harmless program and has a level below it.
    void StartProgram() {
        mDir = std::make_unique<QTemporaryDir>();
        mPath = mDir->filePath(QStringLiteral("Tokens.db"));
        TokenDbFixture::Create(mPath);
        TokenDbFixture::AddRows(mPath, {{2, 1, "Alpha"},
                                        {3, 1, "Beta", true, {}, QStringLiteral("true")},
                                        {4, 1, "Gamma"},
                                        {5, 3, "Inner"}});
        Start();
        auto keys = std::make_unique<ScriptedKeys>();
        mKeys = keys.get();
        SysTrayForm()->SetKeyWatcher(std::move(keys));
    }

    QString Caption() const { return SysTrayForm()->ShowHideCaption(); }

    // Runs the program's event loop until ShutDown ends it, as Main does; returns its code.
    static int RunUntilShutDown(const std::function<void()>& action) {
        QTimer::singleShot(0, action);
        return QApplication::exec();
    }

private slots:
    void initTestCase() {
        // No test reaches for a real desktop's keyboard.
        qunsetenv("DISPLAY");
        FramePacer::SetInterval(0);
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            mMessages << request.prompt;
            return MsgBox::ResultOk;
        });
    }

    void cleanup() {
        mRoot.reset();
        mKeys = nullptr;
    }

    // ---- Tooltip -----------------------------------------------------------------------------

    void tooltipFitsTheFixedField_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const QString e = QString::fromUtf8("\xC3\xA9");             // 2 bytes
        const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80"); // 4 bytes, a surrogate pair
        QTest::newRow("Tessaro") << QString("Tessaro") << "Tessaro";
        QTest::newRow("empty") << QString() << "";
        QTest::newRow("127 characters and the NUL") << QString(127, 'a') << QString(127, 'a');
        QTest::newRow("128 characters, no room for the NUL") << QString(128, 'a') << QString(128, 'a');
        QTest::newRow("200 characters") << QString(200, 'b') << QString(128, 'b');
        QTest::newRow("2-byte characters, even") << e.repeated(100) << e.repeated(64);
        QTest::newRow("2-byte characters, odd") << "a" + e.repeated(100) << "a" + e.repeated(63);
        QTest::newRow("4-byte characters") << smile.repeated(40) << smile.repeated(32);
        QTest::newRow("4-byte characters, shifted") << "ab" + smile.repeated(40) << "ab" + smile.repeated(31);
        QTest::newRow("embedded NUL ends the text") << QString("Tes") + QChar(0) + "saro" << QString("Tes");
    }
    void tooltipFitsTheFixedField() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        const QString clipped = cSysTray::ClippedTooltip(text);
        QCOMPARE(clipped, shown);
        QVERIFY(clipped.toUtf8().size() <= 128);
        QVERIFY(!clipped.contains(QChar::ReplacementCharacter));
    }

    void iconKeepsTheWholeTooltipText() {
        cSysTray tray;
        QWidget form;
        tray.Init(&form, QStringLiteral("Tessaro"));
        QCOMPARE(tray.Icon()->toolTip(), QStringLiteral("Tessaro"));
        tray.SetTooltipText(QString(200, 'x'));
        QCOMPARE(tray.TooltipText(), QString(200, 'x'));
        QCOMPARE(tray.Icon()->toolTip(), QString(128, 'x'));
        QVERIFY(!tray.Icon()->icon().isNull());
    }

    // ---- Icon --------------------------------------------------------------------------------

    void iconIsMadeForTheSmallIconSize_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("unscaled");
        QTest::newRow("48: as it is") << 48 << 48 << true;
        QTest::newRow("16: scaled") << 16 << 16 << false;
        QTest::newRow("24: scaled") << 24 << 24 << false;
        QTest::newRow("only the width is compared") << 48 << 16 << true;
        QTest::newRow("height from the request") << 16 << 32 << false;
    }
    void iconIsMadeForTheSmallIconSize() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, unscaled);
        const QImage original =
            Imaging::Decode(LoadResource(QStringLiteral("CUSTOM"), QStringLiteral("APP_ICON")));
        QCOMPARE(original.size(), QSize(48, 48));
        const QImage icon = cSysTray::IconFromResource(QStringLiteral("APP_ICON"), width, height);
        if (unscaled) {
            QCOMPARE(icon, original);
            return;
        }
        QCOMPARE(icon.size(), QSize(width, height));
        // Drawn with a smoothing filter: the scaled centre carries the original's centre colour.
        const QRgb expected = original.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                  .convertToFormat(icon.format())
                                  .pixel(width / 2, height / 2);
        const QRgb actual = icon.pixel(width / 2, height / 2);
        QVERIFY2(qAbs(qRed(actual) - qRed(expected)) < 40 && qAbs(qBlue(actual) - qBlue(expected)) < 40,
                 qPrintable(QString::number(actual, 16) + " vs " + QString::number(expected, 16)));
    }

    // ---- Mouse messages ----------------------------------------------------------------------

    void mouseMessagesBecomeEvents_data() {
        QTest::addColumn<int>("message");
        QTest::addColumn<QString>("event");
        QTest::newRow("0x0202 left up") << 0x0202 << "LeftClick";
        QTest::newRow("0x0203 left double") << 0x0203 << "DoubleClick";
        QTest::newRow("0x0205 right up") << 0x0205 << "RightClick";
        QTest::newRow("0x0200 move") << 0x0200 << "";
        QTest::newRow("0x0201 left down") << 0x0201 << "";
        QTest::newRow("0x0204 right down") << 0x0204 << "";
        QTest::newRow("0x0206 right double") << 0x0206 << "";
        QTest::newRow("0x0207 middle down") << 0x0207 << "";
        QTest::newRow("zero") << 0 << "";
        QTest::newRow("high word set") << 0x10202 << "";
    }
    void mouseMessagesBecomeEvents() {
        QFETCH(int, message);
        QFETCH(QString, event);
        cSysTray tray;
        QSignalSpy left(&tray, &cSysTray::LeftClick);
        QSignalSpy right(&tray, &cSysTray::RightClick);
        QSignalSpy twice(&tray, &cSysTray::DoubleClick);
        tray.MouseMove(1, message);
        QCOMPARE(left.count(), event == QLatin1String("LeftClick") ? 1 : 0);
        QCOMPARE(right.count(), event == QLatin1String("RightClick") ? 1 : 0);
        QCOMPARE(twice.count(), event == QLatin1String("DoubleClick") ? 1 : 0);
    }

    // ---- About -------------------------------------------------------------------------------

    void aboutShowsNameVersionAndFlattenedPicture() {
        QImage picture(300, 200, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 300; ++x)
                picture.setPixel(x, y, x < 150 ? qRgba(200, 0, 0, 255) : qRgba(0, 0, 200, 128));
        frmAbout about(picture, nullptr);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));

        QStringList texts;
        for (const QLabel* label : about.findChildren<QLabel*>())
            texts << label->text();
        QVERIFY2(texts.join(' ').contains(QLatin1String("Tessaro")), qPrintable(texts.join('|')));
        QVERIFY2(std::any_of(texts.begin(), texts.end(),
                             [](const QString& t) { return t.startsWith("Version "); }),
                 qPrintable(texts.join('|')));

        const QImage shot = about.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QColor background = about.palette().color(QPalette::Window);
        QVERIFY(Near(shot.pixel(20 + 10, 45 + 10), Flattened(picture.pixel(10, 10), background)));
        QVERIFY(Near(shot.pixel(20 + 200, 45 + 10), Flattened(picture.pixel(200, 10), background)));
        QVERIFY(Near(shot.pixel(20 + 10, 45 + 150), background.rgb()));
        QVERIFY(Near(shot.pixel(19, 45 + 10), background.rgb()));
        QVERIFY(Near(shot.pixel(20 + 10, 44), background.rgb()));
        QVERIFY(about.width() >= 20 + 300);
        QVERIFY(about.height() >= 45 + 200);

        QPushButton* ok = about.findChild<QPushButton*>(QStringLiteral("cmdOK"));
        QVERIFY(ok);
        QVERIFY(ok->geometry().top() >= 45 + 200);
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void aboutSizesItselfToThePicture() {
        frmAbout small(QImage(300, 200, QImage::Format_ARGB32), nullptr);
        frmAbout large(QImage(420, 330, QImage::Format_ARGB32), nullptr);
        QCOMPARE(large.size() - small.size(), QSize(120, 130));
    }

    void aboutShowsTheRootTokensPicture() {
        StartProgram();
        {
            SqlConnection db(mPath);
            SqlCommand update(db, QStringLiteral("UPDATE Tokens SET SourceImage = (?) WHERE TokenID = 1"));
            update.BindBytes(1, TokenDbFixture::Png(250, 150, 0x10c020));
            update.Execute();
        }
        mRoot.reset();
        Start();
        frmAbout about(mRoot->TokenManager());
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        const QImage shot = about.grab().toImage();
        QVERIFY(Near(shot.pixel(20 + 125, 45 + 75), qRgb(0x10, 0xc0, 0x20)));
        QVERIFY(about.width() >= 20 + 250);
    }

    // ---- Hot key -----------------------------------------------------------------------------

    void hotKeyToggles_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("toggles");
        QTest::newRow("Ctrl, Alt, L") << "+0 +1 +2 -2 -1 -0" << 1;
        QTest::newRow("Alt, Ctrl, L") << "+1 +0 +2 -2 -0 -1" << 1;
        QTest::newRow("L alone") << "+2 -2" << 0;
        QTest::newRow("L, then Ctrl and Alt") << "+2 +0 +1 -1 -0 -2" << 0;
        QTest::newRow("Ctrl and L only") << "+0 +2 -2 -0" << 0;
        QTest::newRow("Alt and L only") << "+1 +2 -2 -1" << 0;
        QTest::newRow("L twice with both held") << "+0 +1 +2 -2 +2 -2 -1 -0" << 2;
        QTest::newRow("Ctrl released between L presses") << "+0 +1 +2 -2 -0 +2 -2 -1" << 1;
        QTest::newRow("Alt released between L presses") << "+0 +1 +2 -2 -1 +2 -2 -0" << 1;
        QTest::newRow("Ctrl pressed again before L") << "+0 +1 +2 -2 -0 +0 +2 -2 -1 -0" << 2;
        QTest::newRow("release of L does nothing") << "+0 +1 -2 -1 -0" << 0;
        QTest::newRow("missed Ctrl release, then L") << "+0 +1 +2 -2 !0 +2 -2 -1" << 1;
        QTest::newRow("missed releases, then L alone") << "+0 +1 !0 !1 +2 -2" << 0;
        // Let go quickly: the display already has both up when L is handled, their releases follow.
        QTest::newRow("modifiers released right after L") << "+0 +1 +2 !2 !1 !0 -2 -1 -0" << 1;
        QTest::newRow("Ctrl released right after L") << "+0 +1 +2 !0 -2 -0 -1" << 1;
        QTest::newRow("stale Ctrl, Alt released after L") << "+0 +1 !0 +2 !1 -2 -1" << 0;
    }
    void hotKeyToggles() {
        QFETCH(QString, keys);
        QFETCH(int, toggles);
        StartProgram();
        QSignalSpy shownOrHidden(&MainWindow(), &cfMain::ShownStateChanged);
        mKeys->Play(keys);
        QCoreApplication::processEvents(); // the check of a modifier reported up runs on the next turn
        QCOMPARE(shownOrHidden.count(), toggles);
        QCOMPARE(MainWindow().IsShown(), toggles % 2 == 0);
        QCOMPARE(Caption(), toggles % 2 == 0 ? QStringLiteral("Hide") : QStringLiteral("Show"));
    }

    // The hot key arrives while the launcher is fading out: its toggles run after the fade.
    void togglesDuringAFade_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("shownAfter");
        QTest::newRow("one toggle shows it again") << "+0 +1 +2 -2 -1 -0" << true;
        QTest::newRow("two toggles cancel out") << "+0 +1 +2 -2 +2 -2 -1 -0" << false;
    }
    void togglesDuringAFade() {
        QFETCH(QString, keys);
        QFETCH(bool, shownAfter);
        StartProgram();
        QSignalSpy shownOrHidden(&MainWindow(), &cfMain::ShownStateChanged);
        bool pressed = false;
        connect(
            &MainWindow(), &cfMain::ShownStateChanged, SysTrayForm(),
            [&] {
                if (!std::exchange(pressed, true))
                    mKeys->Play(keys);
            },
            Qt::QueuedConnection);
        SysTrayForm()->mnuPopup_Click(frmSysTray::ShowHide);
        QVERIFY(pressed);
        QCOMPARE(Caption(), QStringLiteral("Show"));
        if (shownAfter)
            QVERIFY(QTest::qWaitFor([&] { return shownOrHidden.count() == 2 && !MainWindow().IsFading(); }));
        else
            QTest::qWait(200); // a queued toggle would run at the next ticks after the fade
        QCOMPARE(shownOrHidden.count(), shownAfter ? 2 : 1);
        QCOMPARE(MainWindow().IsShown(), shownAfter);
        QCOMPARE(Caption(), shownAfter ? QStringLiteral("Hide") : QStringLiteral("Show"));
    }

    // Requests from outside the user's keys and mouse (tray items, the hot key) that arrive while a
    // key's work runs (a move, a level transition, the press animation of a launch) wait until it
    // is over: nothing is rebuilt under a running move, and a launch cannot undo a hot-key hide.
    void outsideRequestsWaitForAnIdleLauncher_data() {
        QTest::addColumn<QString>("request");
        QTest::addColumn<int>("key");
        QTest::newRow("Carousel Settings... during a move") << "settings" << int(MainKey::Right);
        QTest::newRow("Manage Tokens... during a move") << "manager" << int(MainKey::PageDown);
        QTest::newRow("hot key during a level transition") << "hot key" << int(MainKey::Down);
        QTest::newRow("hot key during a launch") << "hot key" << int(MainKey::Enter);
        QTest::newRow("Exit during a level transition") << "exit" << int(MainKey::Down);
    }
    void outsideRequestsWaitForAnIdleLauncher() {
        QFETCH(QString, request);
        QFETCH(int, key);
        StartProgram();
        if (request == "exit")
            mRoot->ShowCarouselSettings(); // closing it stores the live settings
        const qint64 storedOpacity = SqlConnection(mPath)
                                         .Query("SELECT OrbitImageOpacity FROM CarouselSettings")
                                         .Value("OrbitImageOpacity")
                                         .toLongLong();
        auto windowOpen = [](const char* name) {
            const auto windows = QApplication::topLevelWidgets();
            return std::any_of(windows.begin(), windows.end(), [name](QWidget* window) {
                return window->isVisible() && window->objectName() == QLatin1String(name);
            });
        };
        const QList<QAction*> items = SysTrayForm()->PopupMenu()->actions();
        int frames = 0;
        bool changedDuringTheKey = false;
        connect(&mRoot->Carousel(), &cCarousel::Refreshed, this, [&] {
            if (++frames == 3) {
                if (request == "settings")
                    items[frmSysTray::CarouselSettingsItem]->trigger();
                else if (request == "manager")
                    items[frmSysTray::TokenManagerItem]->trigger();
                else if (request == "exit")
                    items[frmSysTray::ExitItem]->trigger();
                else
                    mKeys->Play("+0 +1 +2 -2 -1 -0");
            }
            changedDuringTheKey = changedDuringTheKey || windowOpen("frmTokenManager") ||
                                  (request == "settings" && windowOpen("frmCarouselSettings")) ||
                                  Caption() != QStringLiteral("Hide") || mRoot->IsShuttingDown();
        });
        MainWindow().Form_KeyDown(key);
        QVERIFY(frames > 3);
        QVERIFY(!changedDuringTheKey);
        QVERIFY(QTest::qWaitFor([&] {
            if (request == "settings")
                return windowOpen("frmCarouselSettings");
            if (request == "manager")
                return windowOpen("frmTokenManager");
            if (request == "exit")
                return mRoot->IsShuttingDown();
            return !MainWindow().IsShown() && !MainWindow().IsFading();
        }));
        if (request == "hot key")
            QCOMPARE(Caption(), QStringLiteral("Show"));
        if (request == "exit") // the settings were stored as they are, not as the transition had them
            QCOMPARE(SqlConnection(mPath)
                         .Query("SELECT OrbitImageOpacity FROM CarouselSettings")
                         .Value("OrbitImageOpacity")
                         .toLongLong(),
                     storedOpacity);
    }

    // Without a tray (the offscreen platform has none), the first hide says once how to come back.
    void withoutATrayTheFirstHideSaysHowToComeBack() {
        StartProgram();
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        mMessages.clear();
        for (int round = 0; round < 2; ++round) {
            SysTrayForm()->mnuPopup_Click(frmSysTray::ShowHide);
            QVERIFY(!MainWindow().IsShown());
            QTest::qWait(50); // the notice waits for the end of the fade
            SysTrayForm()->mnuPopup_Click(frmSysTray::ShowHide);
            QVERIFY(MainWindow().IsShown());
        }
        QCOMPARE(mMessages.size(), 1);
        QVERIFY2(mMessages[0].contains(QLatin1String("tessaro --toggle")), qPrintable(mMessages[0]));
    }

    void doubleClickPerformsTheFirstItem() {
        StartProgram();
        QCOMPARE(Caption(), QStringLiteral("Hide"));
        SysTrayForm()->SysTray()->MouseMove(0, cSysTray::LeftDoubleClick);
        QCOMPARE(Caption(), QStringLiteral("Show"));
        QVERIFY(!MainWindow().IsShown());
        SysTrayForm()->SysTray()->MouseMove(0, cSysTray::LeftButtonUp);
        QCOMPARE(Caption(), QStringLiteral("Show"));
        QVERIFY(!MainWindow().IsShown());
        SysTrayForm()->SysTray()->MouseMove(0, cSysTray::LeftDoubleClick);
        QCOMPARE(Caption(), QStringLiteral("Hide"));
        QVERIFY(MainWindow().IsShown());
    }

    void windowsOwnFadesRenameTheFirstItem() {
        StartProgram();
        MainWindow().FadeOut();
        QCOMPARE(Caption(), QStringLiteral("Show"));
        MainWindow().Show();
        QCOMPARE(Caption(), QStringLiteral("Hide"));
    }

    // ---- Ending ------------------------------------------------------------------------------

    // Exit on the tray's menu and closing the main window both end the program: every other window
    // closes while the controller still exists, and the file is compacted.
    void endingClosesEveryOtherWindowFirst_data() {
        QTest::addColumn<bool>("byExit");
        QTest::newRow("Exit") << true;
        QTest::newRow("main window closed") << false;
    }
    void endingClosesEveryOtherWindowFirst() {
        QFETCH(bool, byExit);
        StartProgram();
        OtherWindow other(mRoot);
        other.show();
        TokenDbFixture::LeaveFreePages(mPath);
        QVERIFY(DbProbe::FreePages(mPath) > 0);
        frmSysTray* tray = SysTrayForm();
        const int code = RunUntilShutDown([this, tray, byExit] {
            if (byExit)
                tray->mnuPopup_Click(frmSysTray::ExitItem);
            else
                MainWindow().Form()->close();
        });
        QCOMPARE(code, 0);
        QVERIFY(other.closed);
        QVERIFY(other.controllerAtClose);
        QVERIFY(!MainWindow().IsShown());
        QVERIFY(!tray->isVisible());
        mRoot.reset();
        QCOMPARE(DbProbe::FreePages(mPath), 0);
    }
};

QTEST_MAIN(TestSysTray)
#include "tst_systray.moc"
