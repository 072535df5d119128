// Installed applications: the tree a first start makes from a desktop's entries (a scratch desktop of
// real .desktop files and a small icon theme), what each of its tokens starts, how a command line is
// kept, and a desktop entry dropped on the Token Manager's tree and on the carousel.
#include "ScratchDesktop.h"
#include "TokenManagerWindowRig.h"
#include "WindowRig.h"
#include "desktop/ApplicationCommand.h"
#include "desktop/modShellExecute.h"
#include "launcher/cwCarousel.h"
#include "platform/DesktopEntries.h"
#include "platform/Imaging.h"
#include "store/StarterPictures.h"

#include <QApplication>
#include <QMimeData>
#include <QProcess>
#include <QUrl>

using StarterPictures::Picture;
using TestSupport::ScratchDesktop;

namespace {
struct StoredToken {
    int id = 0;
    QString parent; // the parent's caption
    QString caption, command, parameters, description;
    QByteArray picture;
};

QList<StoredToken> StoredTokens(const QString& path) {
    SqlConnection db(path);
    SqlRowSet rows = db.Query("SELECT * FROM Tokens ORDER BY TokenID");
    QHash<int, QString> captions;
    QList<StoredToken> tokens;
    for (rows.MoveFirst(); !rows.EndOfRows(); rows.MoveNext()) {
        const int id = rows.Value("TokenID").toInt();
        captions.insert(id, rows.Value("Caption").toString());
        tokens.append({id, captions.value(rows.Value("ParentID").toInt()), rows.Value("Caption").toString(),
                       rows.Value("Command").toString(), rows.Value("Parameters").toString(),
                       rows.Value("Description").toString(), rows.Value("SourceImage").toByteArray()});
    }
    return tokens;
}

QImage Surface(const QImage& image) {
    return image.convertToFormat(Imaging::SurfaceFormat);
}

// A file dragged in from a file manager, offered as a copy, and let go at the point.
void DropFile(QWidget* target, QPoint point, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDragMoveEvent move(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    QDropEvent drop(point, Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
}
} // namespace

class TestDesktopApplications : public QObject {
    Q_OBJECT
    const ScratchDesktop& mDesktop;
    QTemporaryDir mData;
    QList<StoredToken> mTokens;

    StoredToken Token(const QString& caption) const {
        for (const StoredToken& token : mTokens)
            if (token.caption == caption)
                return token;
        return {};
    }

public:
    explicit TestDesktopApplications(const ScratchDesktop& desktop) : mDesktop(desktop) {}

private slots:
    void initTestCase() {
        const QString path = mData.filePath("Tessaro/Tokens.db");
        QVERIFY(FirstStart::CreateTokenDatabaseIfMissing(path, CarouselSettings::StoredStarter()));
        mTokens = StoredTokens(path);
    }

    // Hidden, NoDisplay, KDE-only and TryExec-missing entries are left out; defaults go first.
    void firstStartMakesTheLevelsAndTokens() {
        QMap<QString, QStringList> levels;
        for (const StoredToken& token : mTokens)
            levels[token.parent] << token.caption;
        const QMap<QString, QStringList> expected{
            {"", {"Tessaro"}},
            {"Tessaro",
             {"Home", "Netz", "Files", "Term", "Editor", "Graphics", "Multimedia", "Games", "System",
              "Other"}},
            {"Graphics", {"Paint"}},
            {"Multimedia", {"Player"}},
            {"Games", {"Game"}},
            {"System", {"Top"}},
            {"Other", {"Plain"}},
        };
        QCOMPARE(levels, expected);
        for (int i = 0; i < mTokens.size(); ++i)
            QCOMPARE(mTokens[i].id, i + 1);
        QCOMPARE(Token("Netz").description, QStringLiteral("Browse the web"));
        QCOMPARE(Token("Editor").description, QStringLiteral("Text Editor")); // GenericName
    }

    void eachTokenStartsItsApplication_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("marker");
        QTest::addColumn<QStringList>("arguments");
        const QString marker = mDesktop.Bin() + "/marker";
        QTest::newRow("%U removed") << "Netz"
                                    << "web" << QStringList{"web"};
        QTest::newRow("%F removed") << "Files"
                                    << "files" << QStringList{"files"};
        QTest::newRow("no codes") << "Term"
                                  << "term" << QStringList{"term"};
        QTest::newRow("%f removed") << "Editor"
                                    << "editor" << QStringList{"editor", "--new-window"};
        QTest::newRow("%i and %c") << "Paint"
                                   << "paint" << QStringList{"paint", "--icon", "paint-icon.png", "Paint"};
        QTest::newRow("quoting, %%") << "Game"
                                     << "game" << QStringList{"game", "two words", "say \"hi\"", "100%"};
        QTest::newRow("terminal") << "Top"
                                  << "terminal" << QStringList{"-e", marker, "top", "-d", "5"};
    }
    void eachTokenStartsItsApplication() {
        QFETCH(QString, caption);
        QFETCH(QString, marker);
        QFETCH(QStringList, arguments);
        const StoredToken token = Token(caption);
        QVERIFY2(ShellOpen(token.command, token.parameters) > 32, qPrintable(token.command));
        QCOMPARE(mDesktop.WaitForMarker(marker), arguments);
    }

    // Theme icons (PNG in 48x48, SVG only in scalable, a name given with ".png"), a path; a missing,
    // undecodable or huge icon gives the picture of the place the token went to.
    void picturesComeFromTheIconTheme_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("fallback");
        QTest::newRow("theme PNG") << "Netz" << QColor(Qt::red) << -1;
        QTest::newRow("name with extension") << "Paint" << QColor(Qt::yellow) << -1;
        QTest::newRow("scalable SVG") << "Editor" << QColor(Qt::green) << -1;
        QTest::newRow("path") << "Files" << QColor(Qt::blue) << -1;
        QTest::newRow("missing, first level") << "Term" << QColor() << int(Picture::Terminal);
        QTest::newRow("none, in a level") << "Player" << QColor() << int(Picture::Multimedia);
        QTest::newRow("huge") << "Game" << QColor() << int(Picture::Games);
        QTest::newRow("undecodable") << "Plain" << QColor() << int(Picture::Other);
        QTest::newRow("level") << "Graphics" << QColor() << int(Picture::Graphics);
    }
    void picturesComeFromTheIconTheme() {
        QFETCH(QString, caption);
        QFETCH(QColor, colour);
        QFETCH(int, fallback);
        const QImage picture = Surface(Imaging::Decode(Token(caption).picture));
        QCOMPARE(picture.size(), QSize(196, 196));
        if (fallback >= 0) {
            QCOMPARE(picture, Surface(StarterPictures::Draw(Picture(fallback))));
            return;
        }
        for (const QPoint point : {QPoint(4, 4), QPoint(98, 98), QPoint(191, 191)}) // filled to the edges
            QCOMPARE(picture.pixelColor(point), colour);
    }

    void fieldCodes_data() {
        QTest::addColumn<QStringList>("exec");
        QTest::addColumn<QStringList>("expanded");
        QTest::newRow("files and URLs") << QStringList{"app", "%f", "%F", "%u", "%U"} << QStringList{"app"};
        QTest::newRow("icon, name, file")
            << QStringList{"app", "%i", "-T", "%c", "%k"}
            << QStringList{"app", "--icon", "app-icon", "-T", "My App", "/e.desktop"};
        QTest::newRow("inside a word") << QStringList{"app", "--file=%f", "50%%", "x%cy"}
                                       << QStringList{"app", "--file=", "50%", "xMy Appy"};
        QTest::newRow("deprecated and unknown")
            << QStringList{"app", "%d", "%m", "%z", "%"} << QStringList{"app", "%"};
    }
    void fieldCodes() {
        QFETCH(QStringList, exec);
        QFETCH(QStringList, expanded);
        QCOMPARE(DesktopEntries::ExpandFieldCodes(exec, "My App", "app-icon", "/e.desktop"), expanded);
    }

    void parametersSplitBackIntoTheArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("plain") << QStringList{"-d", "5"};
        QTest::newRow("spaces") << QStringList{"two words", " lead", "tab\there"};
        QTest::newRow("quotes") << QStringList{"say \"hi\"", "\"", "\"\"", "end\"", "\"start x"};
        QTest::newRow("shell characters") << QStringList{"$HOME", "a;b", "`x`", "'q'", "\\"};
    }
    void parametersSplitBackIntoTheArguments() {
        QFETCH(QStringList, arguments);
        const ApplicationCommand command = CommandFor(QStringList{"prog"} + arguments, false);
        QCOMPARE(command.command, QStringLiteral("prog"));
        QCOMPARE(QProcess::splitCommand(command.parameters), arguments);
    }

    void desktopEntryDroppedOnTheTree() {
        TokenManagerWindowRig rig;
        rig.Open();
        // An entry shown only in KDE: dropped on purpose, it is taken anywhere.
        DropFile(rig.Tree()->viewport(), rig.Tree()->visualItemRect(rig.Tree()->Node("ID5")).center(),
                 mDesktop.Entry("kde"));
        QCoreApplication::sendPostedEvents(rig.window, QEvent::MetaCall);
        QCOMPARE(rig.Stored(61, "Caption").toString(), QStringLiteral("KdeOnly"));
        QCOMPARE(rig.Stored(61, "ParentID").toInt(), 5);
        QCOMPARE(rig.Stored(61, "Command").toString(), mDesktop.Bin() + "/marker");
        QCOMPARE(rig.Stored(61, "Parameters").toString(), QStringLiteral("kde"));
        QCOMPARE(rig.Stored(61, "Description").toString(), QStringLiteral("Only in KDE"));
        QCOMPARE(rig.Selected(), QStringLiteral("ID61"));
        QVERIFY(rig.asked.isEmpty());
    }

    void desktopEntryDroppedOnTheCarousel() {
        WindowRig rig({{2, 1, "Alpha"}});
        cwCarousel widget(*rig.carousel, *rig.manager, [] { return 1.0; });
        widget.show();
        rig.BuildMiddle();
        DropFile(&widget, widget.rect().center(), mDesktop.Entry("web"));
        QVERIFY(QTest::qWaitFor([&] { return rig.manager->Exists("ID3"); }));
        const auto token = rig.manager->Item("ID3");
        QCOMPARE(token->Caption(), QStringLiteral("Netz"));
        QCOMPARE(token->Parameters(), QStringLiteral("web"));
        QCOMPARE(token->SourceImage(), Token("Netz").picture);
        QCOMPARE(rig.ActiveCaption(), QStringLiteral("Netz"));
    }

    void entriesThatDescribeNoApplicationAreRefused_data() {
        QTest::addColumn<QString>("body");
        QTest::newRow("link") << "Type=Link\nName=Site\nURL=https://example.org\n";
        QTest::newRow("hidden") << "Type=Application\nName=Gone\nExec={bin}/marker gone\nHidden=true\n";
        QTest::newRow("program missing") << "Type=Application\nName=Nothing\nExec=no-such-program-anywhere\n";
        QTest::newRow("TryExec missing")
            << "Type=Application\nName=Try\nExec={bin}/marker\nTryExec=/no/such\n";
        QTest::newRow("not an entry") << "this is no key file\n\x01\x02";
    }
    void entriesThatDescribeNoApplicationAreRefused() {
        QFETCH(QString, body);
        WindowRig rig(QList<TokenDbFixture::Row>{});
        QList<QString> messages;
        rig.manager->SetProblemReporter([&](const QString& message, const QString&) { messages << message; });
        rig.manager->CreateTokenFromFilePath(mDesktop.WriteExtraEntry("refused.desktop", body), "ID1");
        QCOMPARE(rig.manager->Count(), 1);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains("\"refused.desktop\" describes no application"),
                 qPrintable(messages[0]));
    }
};

int main(int argc, char* argv[]) {
    // The scratch desktop is in place before GIO or Qt's icon loader look at the data folders.
    const ScratchDesktop desktop;
    desktop.ApplyToThisProcess();
    QApplication application(argc, argv);
    TestDesktopApplications test(desktop);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktopapplications.moc"
