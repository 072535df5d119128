#pragma once

// The whole program as main() starts it, on a token database in a scratch home folder: the real
// composition root over the real file, the stored settings applied, tokens loaded, the launcher shown.
// Stand-ins only at the desktop's edge: message boxes are answered from a script, the colour chooser
// answers from a list, items handed to the desktop are recorded, and the keyboard watcher is scripted.

#include "TokenDbFixture.h"
#include "app/cTessaro.h"
#include "desktop/modCentredMessageBox.h"
#include "platform/KeyWatcher.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>

class cCarousel;
class cfMain;
class cTokenManager;
class frmSysTray;
class frmTokenManager;
class QTreeWidgetItem;

// Root
//   Archive (disabled) > Old
//   Games > Chess > Openings;  Go (disabled) > Fuseki;  Poker
//   Office > Writer            (ID52: its path starts with the text of Tools' path "ID1\ID5")
//   Tools
QList<TokenDbFixture::Row> StandardTree();

// The desktop's keyboard as a test plays it: "+0" presses the key at position 0 (Ctrl), "-1" reports
// the release of Alt, "!0" lets Ctrl go without reporting it (a later "-0" may report it, as the
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
    void Play(const QString& script);

private:
    bool mEnabled = false;
    QMap<int, bool> mDown;
    QSet<int> mUnreported;
};

struct AppRig {
    struct Options {
        QList<TokenDbFixture::Row> rows = StandardTree();
        bool settingsRow = true;
        bool firstStart = false; // no file: the program creates it
        bool init = true;        // call Init() as main() does
        double pacingMs = 0;     // frame pacing; 0 runs moves at full speed
    };
    AppRig() : AppRig(Options{}) {}
    explicit AppRig(const Options& options);
    ~AppRig();

    // Builds the composition root on the file (and calls Init() when asked), as main() does.
    void Start(bool init = true);
    // Releases the root (the file is compacted) and starts again on the same file.
    void Restart();
    // Runs the program's event loop with the action queued, until the program ends it; the loop's code
    // (-1 when it has not ended after a minute).
    int ExitBy(const std::function<void()>& action);

    cTessaro& Root() const { return *root; }
    cfMain& MainWindow() const { return root->MainWindow(); }
    cTokenManager& Tokens() const { return root->TokenManager(); }
    cCarousel& Carousel() const { return root->Carousel(); }
    frmSysTray& Tray() const { return root->SysTrayForm(); }

    // Shows the level below the key on the carousel, as opening a token there does.
    void ShowLevel(const QString& key);
    // A left click in the middle of a node's text in the Token Manager's tree.
    static void ClickNode(frmTokenManager& window, const QString& key);
    // A live setting by its settings column, read from the object that holds it.
    double Live(const QString& column) const;
    QHash<QString, double> LiveValues() const;
    QStringList ChangedSince(const QHash<QString, double>& before) const;

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<cTessaro> root;
    ScriptedKeys* keys = nullptr;
    QList<MessageBoxRequest> asked;
    QList<int> answers;            // message box answers in turn; then OK
    QList<qint32> colours;         // colour chooser answers (0x00BBGGRR) in turn; then cancelled
    QList<qint32> chooserInitials; // the colour each chooser call started from
    QList<QUrl> opened;            // items handed to the desktop

private:
    QHash<QByteArray, QByteArray> mSavedEnvironment;
};

// A named child control of a window; fails the test run when missing.
template <typename T> T* Control(const QWidget* window, const QString& name) {
    T* found = window->findChild<T*>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}
