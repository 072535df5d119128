#pragma once

// A Token Manager window on a real token database in a temporary folder, with the real token
// manager and carousel wired as the application wires them, and every message box answered by a
// scripted responder that records what was asked.

#include "TestSupport.h"
#include "TokenDbFixture.h"
#include "carousel/cCarousel.h"
#include "desktop/modCentredMessageBox.h"
#include "launcher/CarouselFeed.h"
#include "platform/ImageList.h"
#include "platform/SqlDatabase.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"
#include "ui/TokenTreeWidget.h"
#include "ui/frmTokenManager.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// Root
//   Archive (disabled) > Old
//   Games > Chess > Openings;  Go (disabled) > Fuseki;  Poker
//   Office > Writer            (ID52: its path starts with the text of Tools' path "ID1\ID5")
//   Tools
inline QList<TokenDbFixture::Row> StandardTree() {
    return {
        {2, 1, "Games"},    {3, 2, "Chess"},          {4, 3, "Openings"}, {6, 2, "Go", false},
        {9, 6, "Fuseki"},   {10, 2, "Poker"},         {5, 1, "Tools"},    {52, 1, "Office"},
        {60, 52, "Writer"}, {7, 1, "Archive", false}, {8, 7, "Old"},
    };
}

struct TokenManagerWindowRig {
    explicit TokenManagerWindowRig(const QList<TokenDbFixture::Row>& rows = StandardTree()) {
        static const int glyphs =
            QFontDatabase::addApplicationFont(TestSupport::SourcePath("resources/fonts/TessaroGlyphs.ttf"));
        Q_UNUSED(glyphs);
        path = dir.filePath("Tokens.db");
        TokenDbFixture::Create(path);
        TokenDbFixture::AddRows(path, rows);
        database = std::make_unique<clsDatabase>(path);
        carousel = std::make_unique<cCarousel>(images);
        tokens = std::make_unique<cTokenManager>(*database, images);
        tokens->SetProblemReporter(ShowProblemMessage);
        feed = std::make_unique<CarouselFeed>(*tokens, *carousel);
        tokens->Init();
        carousel->Build(QString());
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            asked.append(request);
            return answers.isEmpty() ? MsgBox::ResultOk : answers.takeFirst();
        });
    }
    ~TokenManagerWindowRig() {
        delete window.data();
        SetMessageBoxResponder({});
        feed.reset();
        tokens.reset();
        carousel.reset();
        database.reset();
    }

    frmTokenManager& Open() {
        window = new frmTokenManager(*tokens, *carousel);
        window->show();
        return *window;
    }
    // Shows the level below pKey on the carousel, as opening a token there does.
    void ShowLevel(const QString& pKey) {
        QString front;
        tokens->SetCurrentRoot(pKey, front, false);
        carousel->Build(front);
    }

    template <typename T> T* Control(const char* name) const {
        T* control = window->findChild<T*>(QLatin1String(name));
        if (!control)
            qFatal("no control %s", name);
        return control;
    }
    TokenTreeWidget* Tree() const { return window->Tree(); }
    QPushButton* Button(const char* name) const { return Control<QPushButton>(name); }
    QCheckBox* CheckBox(const char* name) const { return Control<QCheckBox>(name); }
    QLineEdit* Caption() const { return Control<QLineEdit>("txtCaption"); }
    QPlainTextEdit* TextBox(const char* name) const { return Control<QPlainTextEdit>(name); }
    QLabel* Preview() const { return Control<QLabel>("picPreview"); }
    bool SaveEnabled() const { return Button("cmdSave")->isEnabled(); }
    QString Selected() const { return TokenTreeWidget::KeyOf(Tree()->SelectedNode()); }

    // A left click in the middle of the node's text, as the user picks a node.
    void ClickNode(const QString& key) {
        QTreeWidgetItem* node = Tree()->Node(key);
        if (!node)
            qFatal("no node %s", qPrintable(key));
        Tree()->scrollToItem(node);
        const QRect rect = Tree()->visualItemRect(node);
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {},
                          rect.center() + QPoint(rect.width() / 4, 0));
    }
    // Space on the selected node toggles its check box, as the user does from the keyboard.
    void ToggleCheckOfSelected() { QTest::keyClick(Tree(), Qt::Key_Space); }

    // Values straight from the file.
    QVariant Stored(int id, const char* column) const {
        SqlConnection connection(path);
        SqlRowSet rows = connection.Query(
            QStringLiteral("SELECT %1 FROM Tokens WHERE TokenID = %2").arg(QLatin1String(column)).arg(id));
        if (rows.RecordCount() == 0)
            return {};
        rows.MoveFirst();
        return rows.Value(QLatin1String(column));
    }
    int StoredRowCount() const {
        SqlConnection connection(path);
        SqlRowSet rows = connection.Query(QStringLiteral("SELECT COUNT(*) AS n FROM Tokens"));
        rows.MoveFirst();
        return rows.Value(QStringLiteral("n")).toInt();
    }
    // Lets a closed window finish its deletion.
    static void ProcessDeletions() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QTemporaryDir dir;
    QString path;
    ImageList images;
    std::unique_ptr<clsDatabase> database;
    std::unique_ptr<cCarousel> carousel;
    std::unique_ptr<CarouselFeed> feed;
    std::unique_ptr<cTokenManager> tokens;
    QPointer<frmTokenManager> window;
    QList<MessageBoxRequest> asked;
    QList<int> answers;
};
