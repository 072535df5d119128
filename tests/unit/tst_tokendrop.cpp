#include "ShortcutFile.h"
#include "StoreRig.h"
#include "desktop/modCentredMessageBox.h"
#include "platform/FileServices.h"
#include "platform/Imaging.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <sys/stat.h>

namespace {
// A picture with four differently coloured quadrants, so stretching can be seen
// at the corners.
QImage quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           x < width / 2 ? (y < height / 2 ? 0xFFFF0000 : 0xFF00FF00)
                                         : (y < height / 2 ? 0xFF0000FF : 0xFFFFFF00));
    return image;
}

bool near(QRgb actual, QRgb expected) {
    return qAbs(qRed(actual) - qRed(expected)) < 24 && qAbs(qGreen(actual) - qGreen(expected)) < 24 &&
           qAbs(qBlue(actual) - qBlue(expected)) < 24 && qAlpha(actual) > 230;
}

bool isStretchedQuadrants(const QImage& picture) {
    return picture.size() == QSize(196, 196) && near(picture.pixel(10, 10), 0xFFFF0000) &&
           near(picture.pixel(10, 185), 0xFF00FF00) && near(picture.pixel(185, 10), 0xFF0000FF) &&
           near(picture.pixel(185, 185), 0xFFFFFF00);
}

int opaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}
} // namespace

class TestTokenDrop : public QObject {
    Q_OBJECT
private:
    QList<MessageBoxRequest> mMessages;
    std::unique_ptr<StoreRig> mRig;
    QString mFolder;

    std::shared_ptr<cToken> drop(const QString& path) {
        QSignalSpy announced(mRig->manager.get(), &cTokenManager::NewToken);
        mRig->manager->CreateTokenFromFilePath(path, "ID1");
        if (announced.size() != 1)
            return nullptr;
        return announced[0][0].value<std::shared_ptr<cToken>>();
    }

private slots:
    void initTestCase() {
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            mMessages << request;
            return MsgBox::ResultOk;
        });
    }
    void init() {
        mMessages.clear();
        mRig = std::make_unique<StoreRig>(QList<TokenDbFixture::Row>{});
        mRig->manager->Init();
        mFolder = mRig->dir.path();
    }
    void cleanup() { mRig.reset(); }

    void pictureFileIsStretched() {
        const QString path = mFolder + "/photo.PNG";
        QVERIFY(quadrants(60, 30).save(path, "PNG"));
        const auto token = drop(path);
        QVERIFY(token);
        QCOMPARE(token->Caption(), QStringLiteral("photo"));
        QCOMPARE(token->Command(), path);
        QVERIFY(token->Parameters().isEmpty());
        QCOMPARE(token->ParentKey(), QStringLiteral("ID1"));
        QVERIFY(isStretchedQuadrants(Imaging::Decode(token->SourceImage())));
        // Stored, on show and at the front.
        QCOMPARE(
            SqlConnection(mRig->path).Query("SELECT Caption FROM Tokens WHERE TokenID = 2").Value("Caption"),
            QVariant(QStringLiteral("photo")));
        QVERIFY(mRig->manager->CurrentImages()->Exists("photoID2"));
        QVERIFY(mMessages.isEmpty());
    }

    void iconFileIsReadThroughTheSharedList() {
        const QString path = mFolder + "/Tool.Ico";
        QVERIFY(quadrants(32, 32).save(path, "ICO"));
        const auto token = drop(path);
        QVERIFY(token);
        QCOMPARE(token->Caption(), QStringLiteral("Tool"));
        QVERIFY(isStretchedQuadrants(Imaging::Decode(token->SourceImage())));
        QVERIFY(!mRig->images.Exists("TMP"));
    }

    void programGetsItsShellIcon() {
        const QString path = mFolder + "/Notepad.exe";
        QVERIFY(QFile::copy("/bin/true", path));
        const auto token = drop(path);
        QVERIFY(token);
        QCOMPARE(token->Caption(), QStringLiteral("Notepad"));
        QCOMPARE(token->Command(), path);
        const QImage picture = Imaging::Decode(token->SourceImage());
        QCOMPARE(picture.size(), QSize(196, 196));
        QVERIFY(opaquePixels(picture) > 100);
    }

    // What is no regular file, or too big to read, never stops the launcher: the token gets the
    // desktop's icon for it instead of its content.
    void unreadablePicturesFallBackToTheShellIcon_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a pipe named like a picture") << "pipe";
        QTest::newRow("a pipe named like a shortcut") << "pipe.lnk";
        QTest::newRow("a picture larger than the read limit") << "huge";
    }
    void unreadablePicturesFallBackToTheShellIcon() {
        QFETCH(QString, kind);
        const QString path = mFolder + (kind == "huge"   ? "/huge.png"
                                        : kind == "pipe" ? "/fifo.png"
                                                         : "/fifo.lnk");
        if (kind == "huge") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(TokenDbFixture::Png(64, 64));
            QVERIFY(file.resize(FileServices::MaxReadBytes + 1)); // sparse: no disk is used
        } else {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        }
        const auto token = drop(path);
        if (kind == "pipe.lnk") { // a shortcut that cannot be read is refused with a message
            QVERIFY(!token);
            QCOMPARE(mMessages.size(), 1);
            return;
        }
        QVERIFY(token);
        QCOMPARE(Imaging::Decode(token->SourceImage()).size(), QSize(196, 196));
    }

    void tinyPictureFallsBackToTheShellIcon() {
        const QString path = mFolder + "/dot.png";
        QVERIFY(quadrants(2, 2).save(path, "PNG"));
        const auto token = drop(path);
        QVERIFY(token);
        const QImage picture = Imaging::Decode(token->SourceImage());
        QCOMPARE(picture.size(), QSize(196, 196));
        QVERIFY(!isStretchedQuadrants(picture));
        QVERIFY(opaquePixels(picture) > 100);
    }

    void shortcutTakesItsTargetsPicture_data() {
        QTest::addColumn<bool>("relative");
        QTest::newRow("local path") << false;
        QTest::newRow("relative path") << true;
    }
    void shortcutTakesItsTargetsPicture() {
        QFETCH(bool, relative);
        const QString target = mFolder + "/pictures/logo.png";
        QVERIFY(QDir(mFolder).mkpath("pictures"));
        QVERIFY(quadrants(40, 40).save(target, "PNG"));
        const QString link = mFolder + "/My Editor.lnk";
        QVERIFY(relative ? ShortcutFile::Write(link, {}, ".\\pictures\\logo.png")
                         : ShortcutFile::Write(link, target.toUtf8()));
        const auto token = drop(link);
        QVERIFY(token);
        QCOMPARE(token->Caption(), QStringLiteral("My Editor"));
        QCOMPARE(token->Command(), link);
        QVERIFY(isStretchedQuadrants(Imaging::Decode(token->SourceImage())));
    }

    void symbolicLinkTakesItsTargetsPicture() {
        const QString target = mFolder + "/real.png";
        QVERIFY(quadrants(40, 40).save(target, "PNG"));
        const QString link = mFolder + "/alias.png";
        QVERIFY(QFile::link(target, link));
        const auto token = drop(link);
        QVERIFY(token);
        QCOMPARE(token->Command(), link);
        QVERIFY(isStretchedQuadrants(Imaging::Decode(token->SourceImage())));
    }

    void captionLosesTheExtensionAsWritten_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("program") << "Notepad.exe"
                                 << "Notepad";
        QTest::newRow("upper case") << "photo.PNG"
                                    << "photo";
        QTest::newRow("two dots") << "backup.tar.gz"
                                  << "backup.tar";
        QTest::newRow("no extension") << "README"
                                      << "README";
    }
    void captionLosesTheExtensionAsWritten() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        const QString path = mFolder + "/" + name;
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("data");
        file.close();
        const auto token = drop(path);
        QVERIFY(token);
        QCOMPARE(token->Caption(), caption);
    }

    void refusedDropAddsNothing() {
        const QString path = mFolder + "/photo.png";
        QVERIFY(quadrants(20, 20).save(path, "PNG"));
        SqlConnection(mRig->path)
            .Execute("CREATE TRIGGER NoMore BEFORE INSERT ON Tokens "
                     "BEGIN SELECT RAISE(ABORT, 'full'); END");
        QVERIFY(!drop(path));
        QCOMPARE(mMessages.size(), 1);
        QCOMPARE(mMessages[0].prompt, QStringLiteral("Failed to create token via Drag/Drop"));
        QCOMPARE(mMessages[0].title, QStringLiteral("Problem!"));
        QCOMPARE(mMessages[0].flags, MsgBox::OkOnly | MsgBox::Exclamation);
        QCOMPARE(mRig->manager->Count(), 1);
        QVERIFY(!mRig->images.Exists("TMP"));
    }
};

QTEST_MAIN(TestTokenDrop)
#include "tst_tokendrop.moc"
