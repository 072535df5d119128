// The edge with the desktop, for real: sounds, a scratch desktop's applications, opened items, boxes.
#include "AppRig.h"
#include "DiskAudio.h"
#include "ScratchDesktop.h"
#include "desktop/ApplicationCommand.h"
#include "desktop/modGeneral.h"
#include "desktop/modShellExecute.h"
#include "desktop/modSound.h"
#include "platform/Imaging.h"
#include "platform/Resources.h"
#include "platform/SoundPlayer.h"
#include "store/StarterPictures.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QtEndian>

using Strings = QStringList;

class TestDesktop : public QObject {
    Q_OBJECT
    const TestSupport::ScratchDesktop& mDesktop;
    QTemporaryDir mScratch;
    const QString mDir = QDir(mScratch.path()).canonicalPath();
    TestSupport::MarkerScript mTool{mDir + "/app folder", "tessaro-probe-tool", true};
    std::unique_ptr<AppRig> mRig; // the whole program on its first start from the scratch desktop
    QList<QVariantMap> mTokens;   // as that first start stored them

    QString At(const QString& name) const { return mDir + "/" + name; }
    // Runs `inspect` on the modal box once it is on screen, from the box's own event loop.
    static void WhenBoxShows(const std::function<void(QMessageBox*)>& inspect, int delayMs = 0) {
        QTimer::singleShot(delayMs, [inspect] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            box && box->isVisible() ? inspect(box) : WhenBoxShows(inspect, 10);
        });
    }
    void Write(const QString& name, const QByteArray& content, QFile::Permissions permissions = {}) {
        QFile file(At(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        QVERIFY(file.setPermissions(permissions | QFile::ReadOwner | QFile::WriteOwner));
    }
    QVariantMap Token(const QString& caption) {
        if (!mRig) { // after the sound cases: the program plays sounds of its own
            mRig = std::make_unique<AppRig>(AppRig::Options{.firstStart = true});
            mTokens = DbProbe::Rows(mRig->path, "SELECT t.*, p.Caption AS Parent FROM Tokens t"
                                                " LEFT JOIN Tokens p ON p.TokenID = t.ParentID");
        }
        const auto found = std::ranges::find(mTokens, caption, [](const auto& t) { return t["Caption"]; });
        return found == mTokens.end() ? QVariantMap() : *found;
    }

public:
    explicit TestDesktop(const TestSupport::ScratchDesktop& desktop) : mDesktop(desktop) {}

private slots:
    void initTestCase() {
        QVERIFY(QDir(mDir).mkpath("sub"));
        Write("notes.txt", "plain words\n");
        Write("marked.txt", "a document on a drive where every file is executable\n", QFile::ExeOwner);
        Write("blob", QByteArray("\x01\x02\x03\xff\xfe\x00\x10\x80", 8));
        Write("plain.sh", "#!/bin/sh\nexit 0\n");
        Write("broken", "#!/nonexistent/interpreter\n", QFile::ExeOwner);
        Write("app folder/x", "must survive\n");
        qputenv("PATH", QFile::encodeName(At("app folder")) + ':' + qgetenv("PATH"));
    }

    // Runs first, no device open yet: the switch gates sounds; a started one outlives muting; then silence.
    void soundSwitchGatesPlayback() {
        const QByteArray samples = DiskAudio::Pcm16(QList<qint16>(8820, 9000));
        const QByteArray wav = DiskAudio::Wav(44100, 2, 16, samples); // the output format: played as it is
        SoundSwitch on, off;
        off.EnableSound(false);
        for (SoundSwitch* gate : {static_cast<SoundSwitch*>(nullptr), &off, &on}) {
            SetSoundSwitch(gate);
            PlaySoundBytes(gate == &on ? QByteArray() : wav);
            QVERIFY(!SoundPlayer::Instance().IsPlaying() && DiskAudio::Silent(DiskAudio::Written()));
        }
        PlaySoundBytes(wav);
        on.EnableSound(false);
        QVERIFY(SoundPlayer::Instance().IsPlaying());
        QVERIFY(QTest::qWaitFor([&] { return DiskAudio::Written().contains(samples); }, 30000));
        QVERIFY(QTest::qWaitFor([] { return !SoundPlayer::Instance().IsPlaying(); }, 30000));
        const qsizetype before = DiskAudio::Written().size();
        PlaySoundBytes(wav);
        QVERIFY(QTest::qWaitFor([&] { return DiskAudio::Written().size() > before + 2 * samples.size(); }));
        QVERIFY(DiskAudio::Silent(DiskAudio::Written().mid(before)) && DiskAudio::WaitUntilQuiet());
        SetSoundSwitch(nullptr);
    }

    // Each sound plays whole, at the output rate and about as loud (give or take a resampler's edges).
    void soundPlaysWhole_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : {"BEEP", "CLICK", "STEP", "SLIDE", "LOCK"})
            QTest::newRow(name) << name;
    }
    void soundPlaysWhole() {
        QFETCH(QString, name);
        const QByteArray image = LoadResource("SOUND", name), format = DiskAudio::Chunk(image, "fmt ");
        const QByteArray data = DiskAudio::Chunk(image, "data");
        QList<qint16> source; // the first channel, widened as the device gets it
        for (const char* at = data.constData(); at + format[12] <= data.constEnd(); at += format[12])
            source << (format[14] == 8 ? (quint8(*at) - 128) * 256 : qFromLittleEndian<qint16>(at));
        DiskAudio::Capture(At("played-" + name));
        SoundPlayer::Instance().Play(image);
        QVERIFY(DiskAudio::WaitUntilQuiet());
        const auto measure = [](const QList<qint16>& s) { // from the first sound to the last; the peak
            const auto audible = [](qint16 v) { return v != 0; };
            const qsizetype first = std::ranges::find_if(s, audible) - s.begin();
            const qsizetype end = std::find_if(s.rbegin(), s.rend(), audible).base() - s.begin();
            return std::pair(double(end - first), std::abs(std::ranges::max(s, {}, &qAbs<qint16>)));
        };
        const auto [span, peak] = measure(DiskAudio::LeftChannel(DiskAudio::Written()));
        const auto [sourceSpan, sourcePeak] = measure(source);
        const double expected = sourceSpan * 44100 / qFromLittleEndian<quint32>(format.data() + 4);
        QVERIFY2(std::abs(span - expected) <= expected / 100 + 64, qPrintable(QString::number(span)));
        QVERIFY2(std::abs(peak - sourcePeak) <= sourcePeak * 0.35, qPrintable(QString::number(peak)));
    }

    // No hidden, NoDisplay, KDE-only or TryExec-missing entries; defaults first; GenericName as comment.
    void firstStartMakesTheLevelsAndTokens() {
        QVERIFY(Token("Netz")["Description"] == "Browse the web" &&
                Token("Editor")["Description"] == "Text Editor");
        QMap<QString, Strings> levels;
        for (const QVariantMap& token : mTokens)
            levels[token["Parent"].toString()] << token["Caption"].toString();
        // clang-format off
        const Strings top{"Home", "Netz", "Files", "Term", "Editor", "Graphics", "Multimedia", "Games",
                          "System", "Other"};
        QCOMPARE(levels, (QMap<QString, Strings>{{"", {"Tessaro"}}, {"Tessaro", top}, {"Graphics", {"Paint"}},
            {"Multimedia", {"Player"}}, {"Games", {"Game"}}, {"System", {"Top"}}, {"Other", {"Plain"}}}));
        // clang-format on
        QCOMPARE(mTokens.last()["TokenID"].toInt(), mTokens.size());
    }

    // What each token starts (field codes, the terminal) and its picture (theme PNG/SVG, path, place's).
    void eachTokenStartsItsApplication_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<Strings>("arguments"); // as the marker (or the terminal) got them
        QTest::addColumn<QVariant>("picture");  // the colour it is filled with, or the starter picture
        using enum StarterPictures::Picture;
        const Strings paint{
            "paint", "--icon", "paint-icon.png", "Paint", mDesktop.Entry("paint"), "--file=", "xPainty", "%"};
        QTest::newRow("%U; theme PNG") << "Netz" << Strings{"web"} << QVariant(QColor(Qt::red));
        QTest::newRow("%F; path") << "Files" << Strings{"files"} << QVariant(QColor(Qt::blue));
        QTest::newRow("no codes; missing") << "Term" << Strings{"term"} << QVariant(int(Terminal));
        QTest::newRow("%f; SVG") << "Editor" << Strings{"editor", "--new-window"}
                                 << QVariant(QColor(Qt::green));
        QTest::newRow("%i %c %k, in words, unknown; .png")
            << "Paint" << paint << QVariant(QColor(Qt::yellow));
        QTest::newRow("quoting, %%; huge")
            << "Game" << Strings{"game", "two words", "say \"hi\"", "100%"} << QVariant(int(Games));
        QTest::newRow("terminal") << "Top" << Strings{"-e", mDesktop.Bin() + "/marker", "top", "-d", "5"}
                                  << QVariant(int(System));
    }
    void eachTokenStartsItsApplication() {
        QFETCH(QString, caption);
        QFETCH(Strings, arguments);
        QFETCH(QVariant, picture);
        const QVariantMap token = Token(caption);
        QVERIFY(ShellOpen(token["Command"].toString(), token["Parameters"].toString()) > 32);
        QCOMPARE(mDesktop.WaitForMarker(caption == "Top" ? "terminal" : arguments[0]), arguments);
        QImage image = Imaging::Decode(token["SourceImage"].toByteArray()),
               expected(196, 196, image.format());
        expected.fill(picture.value<QColor>()); // to the edges
        if (picture.typeId() == QMetaType::Int)
            expected = StarterPictures::Draw(StarterPictures::Picture(picture.toInt()))
                           .convertToFormat(image.format());
        QCOMPARE(image, expected);
    }

    // Programs start in their folder (from PATH: the home folder) with plain arguments, never a shell's;
    // documents, folders and URLs go to the desktop's opener; failures say why.
    void shellOpen_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("parameters");
        QTest::addColumn<QString>("seen"); // the code, then the program's folder and arguments or the URL
        const QString tool = mTool.Program();
        // clang-format off
        QTest::newRow("literal quotes") << tool << R"("say """hi""" now" --n="J D")"
                                        << R"(33 <dir>/app folder|say "hi" now|--n=J D)";
        QTest::newRow("shell syntax") << tool << "a; rm -rf x $(touch pwned) $HOME > out && *"
                                      << "33 <dir>/app folder|a;|rm|-rf|x|$(touch|pwned)|$HOME|>|out|&&|*";
        QTest::newRow("name on PATH") << "tessaro-probe-tool" << "\"one arg\"" << "33 <home>|one arg";
        QTest::newRow("document") << At("notes.txt") << "a b" << "33 file://<dir>/notes.txt";
        QTest::newRow("executable-marked document") << At("marked.txt") << "" << "33 file://<dir>/marked.txt";
        QTest::newRow("folder") << At("sub") << "" << "33 file://<dir>/sub";
        QTest::newRow("web URL") << "https://a.org/a page?q=1" << "" << "33 https://a.org/a%20page?q=1";
        QTest::newRow("home folder") << "~/todo.txt" << "" << "33 file://<home>/todo.txt";
        QTest::newRow("opener refuses") << At("notes.txt") << "" << "31 file://<dir>/notes.txt";
        QTest::newRow("missing file") << At("absent.txt") << "" << "2 ";
        QTest::newRow("missing folder") << At("no such folder/tool") << "" << "3 ";
        QTest::newRow("name not on PATH") << "tessaro-no-such-program" << "" << "2 ";
        QTest::newRow("unknown content") << At("blob") << "" << "31 ";
        QTest::newRow("script not executable") << At("plain.sh") << "" << "5 ";
        QTest::newRow("missing interpreter") << At("broken") << "" << "11 ";
        // clang-format on
    }
    void shellOpen() {
        QFETCH(QString, item);
        QFETCH(QString, parameters);
        QFETCH(QString, seen);
        QFile(QDir::homePath() + "/todo.txt").open(QIODevice::WriteOnly);
        Strings got;
        const bool answer = QTest::currentDataTag() != QByteArray("opener refuses");
        SetUrlOpener([&](const QUrl& url) { return got << url.toString(QUrl::FullyEncoded), answer; });
        const int code = ShellOpen(item, parameters);
        SetUrlOpener({});
        if (got.isEmpty() && code > 32 && !(got = mTool.WaitForArguments()).isEmpty())
            got[0] = QFileInfo(got[0]).canonicalFilePath();
        QVERIFY(code > 32 || !ShellOpenErrorText(code).isEmpty());
        QVERIFY2(QFile::exists(At("app folder/x")) && !QFile::exists(At("app folder/out")), "a shell ran");
        const QString home = QFileInfo(QDir::homePath()).canonicalFilePath();
        QString text = QString::number(code) + ' ' + got.join('|');
        QCOMPARE(text.replace(mDir, "<dir>").replace(home, "<home>"), seen);
    }

    // A command line kept as command and parameters splits back into the same arguments.
    void parametersSplitBackIntoTheArguments() {
        for (const Strings& line : {Strings{"prog", "two words", " lead", "tab\there", "-d", "5"},
                                    Strings{"prog", "say \"hi\"", "\"", "\"\"", "end\"", "\"x y"},
                                    Strings{"prog", "$HOME", "a;b", "`x`", "'q'", "\\"}}) {
            const ApplicationCommand command = CommandFor(line, false);
            QCOMPARE(Strings{command.command} + QProcess::splitCommand(command.parameters), line);
        }
    }

    // Changing window flags hides a shown window: MakeTopmost leaves place, size and visibility alone.
    void makeTopmostKeepsPlaceSizeAndVisibility() {
        for (const bool shown : {true, false}) {
            QWidget window;
            window.setGeometry(123, 145, 410, 290);
            window.setVisible(shown);
            MakeTopmost(&window);
            MakeTopmost(&window);
            QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) && window.isVisible() == shown);
            QCOMPARE(window.geometry(), QRect(123, 145, 410, 290));
        }
    }

    // A real box: centred on its owner's window (even for a child owner), on top, its flags' buttons.
    void realBoxIsCentredOnOwnerWindow_data() {
        QTest::addColumn<int>("flags");
        QTest::addColumn<QList<int>>("results"); // offered, in ascending order; then the default
        using namespace MsgBox;
        QTest::newRow("OK, stop icon") << 16 << QList<int>{ResultOk, ResultOk};
        QTest::newRow("OK/Cancel, question") << 33 << QList<int>{ResultOk, ResultCancel, ResultOk};
        QTest::newRow("Yes/No, question") << 36 << QList<int>{ResultYes, ResultNo, ResultYes};
        QTest::newRow("OK, exclamation") << 48 << QList<int>{ResultOk, ResultOk};
        QTest::newRow("Yes/No, No") << (36 | DefaultButton2) << QList<int>{ResultYes, ResultNo, ResultNo};
    }
    void realBoxIsCentredOnOwnerWindow() {
        QFETCH(int, flags);
        QFETCH(QList<int>, results);
        SetMessageBoxResponder({});
        QWidget window, child(&window);
        window.setGeometry(100, 100, 800, 600);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QList<int> offered;
        QRect frame;
        WhenBoxShows([&](QMessageBox* box) {
            for (QAbstractButton* button : box->buttons())
                offered << button->property("msgBoxResult").toInt();
            std::sort(offered.begin(), offered.end());
            frame = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? box->frameGeometry() : QRect();
            box->defaultButton()->click();
        });
        offered << CentredMsgBox("Delete 'Games'?\r\n\r\nAll below?", flags, {},
                                 flags % 3 ? &child : &window);
        QCOMPARE(offered, results);
        QVERIFY(frame.isValid() && (frame.center() - window.frameGeometry().center()).manhattanLength() <= 2);
    }

    // At a session's end nobody answers: boxes, open or later, get the answer that risks least (an
    // unsaved edit is saved, a deletion cancelled). Runs last: the program never leaves this state.
    void unattendedAnswers() {
        using namespace MsgBox;
        WhenBoxShows([](QMessageBox*) { AnswerDialogsUnattended(); });
        QCOMPARE(CentredMsgBox("Save changes?", YesNo | Question), ResultYes);
        for (const auto& [flags, answer] : {std::pair(OkCancel | Question, ResultCancel),
                                            {YesNo | DefaultButton2, ResultNo},
                                            {Critical, ResultOk}})
            QCOMPARE(CentredMsgBox("Question?", flags), answer);
        QVERIFY(!QApplication::activeModalWidget());
    }
};

int main(int argc, char* argv[]) {
    // The scratch desktop and home and the disk audio output, before GIO, Qt or SDL read the environment.
    const TestSupport::ScratchDesktop desktop;
    desktop.ApplyToThisProcess();
    qputenv("HOME", QFile::encodeName(desktop.Root() + "/home"));
    DiskAudio::Capture(desktop.Root() + "/switch.raw");
    QApplication application(argc, argv);
    TestDesktop test(desktop);
    return QTest::qExec(&test, argc, argv);
}
#include "tst_desktop.moc"
