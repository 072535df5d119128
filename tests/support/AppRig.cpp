#include "AppRig.h"

#include "carousel/cCarousel.h"
#include "desktop/modShellExecute.h"
#include "launcher/FramePacing.h"
#include "store/cTokenManager.h"
#include "ui/CarouselSettingsTable.h"
#include "ui/TokenTreeWidget.h"
#include "ui/frmSysTray.h"
#include "ui/frmTokenManager.h"
#include "ui/modColourDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

QList<TokenDbFixture::Row> StandardTree() {
    return {
        {2, 1, "Games"},    {3, 2, "Chess"},          {4, 3, "Openings"}, {6, 2, "Go", false},
        {9, 6, "Fuseki"},   {10, 2, "Poker"},         {5, 1, "Tools"},    {52, 1, "Office"},
        {60, 52, "Writer"}, {7, 1, "Archive", false}, {8, 7, "Old"},
    };
}

void ScriptedKeys::Play(const QString& script) {
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

AppRig::AppRig(const Options& options) {
    // A scratch home: the program's data folder, its settings and its first start land here.
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
        mSavedEnvironment.insert(name, qgetenv(name));
        qputenv(name, QFile::encodeName(dir.filePath(QString::fromLatin1(name))));
        QDir().mkpath(dir.filePath(QString::fromLatin1(name)));
    }
    path = cTessaro::DefaultDatabasePath();
    if (!options.firstStart) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        TokenDbFixture::Create(path, options.settingsRow);
        TokenDbFixture::AddRows(path, options.rows);
    }
    SetMessageBoxResponder([this](const MessageBoxRequest& request) {
        asked << request;
        return answers.isEmpty() ? MsgBox::ResultOk : answers.takeFirst();
    });
    SetColourChooser([this](QWidget*, bool, qint32 initial) {
        chooserInitials << initial;
        return colours.isEmpty() ? -1 : colours.takeFirst();
    });
    SetUrlOpener([this](const QUrl& url) {
        opened << url;
        return true;
    });
    FramePacer::SetInterval(options.pacingMs);
    QApplication::setQuitOnLastWindowClosed(false); // as main() does: the last window closed ends nothing
    Start(options.init);
}

AppRig::~AppRig() {
    root.reset();
    SetUrlOpener({});
    SetColourChooser({});
    SetMessageBoxResponder({});
    for (auto it = mSavedEnvironment.cbegin(); it != mSavedEnvironment.cend(); ++it)
        it.value().isNull() ? qunsetenv(it.key().constData()) : qputenv(it.key().constData(), it.value());
}

void AppRig::Start(bool init) {
    root = std::make_unique<cTessaro>(path);
    if (init)
        root->Init();
    // After Init, whose tray puts the desktop's own watcher in place.
    auto scripted = std::make_unique<ScriptedKeys>();
    keys = scripted.get();
    root->SysTrayForm().SetKeyWatcher(std::move(scripted));
}

void AppRig::Restart() {
    root.reset();
    Start();
}

int AppRig::ExitBy(const std::function<void()>& action) {
    QTimer::singleShot(0, action);
    QTimer deadline; // a program that never ends its loop fails the test (-1) rather than hanging it
    QObject::connect(&deadline, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
    deadline.start(60000);
    return QApplication::exec();
}

void AppRig::ShowLevel(const QString& key) {
    QString front;
    Tokens().SetCurrentRoot(key, front, false);
    Carousel().Build(front);
}

void AppRig::ClickNode(frmTokenManager& window, const QString& key) {
    TokenTreeWidget* tree = window.Tree();
    QTreeWidgetItem* node = tree->Node(key);
    if (!node)
        qFatal("no node %s", qPrintable(key));
    tree->scrollToItem(node);
    const QRect rect = tree->visualItemRect(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center() + QPoint(rect.width() / 4, 0));
}

double AppRig::Live(const QString& column) const {
    const CarouselSettingsValues values = root->LiveSettings();
    return values.Values[CarouselSettings::SettingOfColumn(column)];
}

QHash<QString, double> AppRig::LiveValues() const {
    QHash<QString, double> values;
    for (const QString& column : TokenDbFixture::SettingsColumns())
        values.insert(column, Live(column));
    return values;
}

QStringList AppRig::ChangedSince(const QHash<QString, double>& before) const {
    QStringList changed;
    for (const QString& column : TokenDbFixture::SettingsColumns())
        if (Live(column) != before.value(column))
            changed << column;
    return changed;
}
