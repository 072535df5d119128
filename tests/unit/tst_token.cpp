#include "StoreRig.h"
#include "desktop/modCentredMessageBox.h"
#include "desktop/modShellExecute.h"
#include "platform/Imaging.h"

#include <QFile>
#include <QTest>
#include <QUrl>

class TestToken : public QObject {
    Q_OBJECT
private:
    QList<QUrl> mOpened;

private slots:
    void initTestCase() {
        SetUrlOpener([this](const QUrl& url) {
            mOpened << url;
            return true;
        });
        SetMessageBoxResponder([](const MessageBoxRequest&) { return MsgBox::ResultOk; });
    }
    void cleanupTestCase() { SetUrlOpener({}); }
    void init() { mOpened.clear(); }

    void newTokenDefaults() {
        const cToken token;
        QCOMPARE(token.ID(), 0);
        QVERIFY(token.Key().isEmpty());
        QCOMPARE(token.ParentKey(), QStringLiteral("ID1"));
        QCOMPARE(token.Caption(), QStringLiteral("New Token"));
        QVERIFY(token.Command().isEmpty());
        QVERIFY(token.Parameters().isEmpty());
        QVERIFY(token.Description().isEmpty());
        QCOMPARE(token.IconScale(), 60);
        QVERIFY(token.Enabled());
        QVERIFY(!token.HideAfterExecution());
        // The default picture is the empty image: it decodes to nothing to draw.
        QVERIFY(Imaging::Decode(token.SourceImage()).isNull());
    }

    void iconScaleIsHeldAsADouble() {
        cToken token;
        token.SetIconScale(75);
        QCOMPARE(token.IconScale(), 75);
        QCOMPARE(token.IconScaleValue(), 75.0);
    }

    void pictureBytesAreCopies() {
        cToken token;
        QByteArray bytes = TokenDbFixture::Png(4, 4);
        token.SetSourceImage(bytes);
        bytes[0] = 'X';
        QVERIFY(token.SourceImage() != bytes);
        QByteArray read = token.SourceImage();
        read[1] = 'Y';
        QCOMPARE(token.SourceImage(), TokenDbFixture::Png(4, 4));
    }

    void tokenImageIsComposedAtTheRequestedSize_data() {
        QTest::addColumn<QByteArray>("picture");
        QTest::addColumn<bool>("blank");
        QTest::newRow("picture") << TokenDbFixture::Png(50, 50, 0xFF0000) << false;
        QTest::newRow("default picture") << QByteArray() << false;
        QTest::newRow("undecodable picture") << QByteArray("GIF89a broken beyond repair") << true;
    }
    void tokenImageIsComposedAtTheRequestedSize() {
        QFETCH(QByteArray, picture);
        QFETCH(bool, blank);
        StoreRig rig({});
        cToken token;
        token.SetSourceImage(picture);
        token.SetCaption("Sample");
        const QImage image = token.TokenImage(*rig.manager, 120);
        QCOMPARE(image.size(), QSize(120, 120));
        int opaque = 0;
        for (int y = 0; y < 120; y += 5)
            for (int x = 0; x < 120; x += 5)
                opaque += qAlpha(image.pixel(x, y)) > 0;
        QCOMPARE(opaque == 0, blank);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0); // corners are always transparent
    }

    void executeCommandOpensFoldersWithTheDesktop() {
        QTemporaryDir folder;
        cToken token;
        token.SetCommand(folder.path());
        QVERIFY(token.ExecuteCommand() > 32);
        QCOMPARE(mOpened, QList<QUrl>{QUrl::fromLocalFile(folder.path())});
    }

    void executeCommandReportsAMissingFile() {
        QTemporaryDir folder;
        cToken token;
        token.SetCommand(folder.filePath("no-such-program"));
        QCOMPARE(token.ExecuteCommand(), int(ShellResult::FileNotFound));
        QVERIFY(mOpened.isEmpty());
    }

    void executeCommandPassesParametersWithoutAShell() {
        QTemporaryDir folder;
        const QString script = folder.filePath("record.sh");
        const QString record = folder.filePath("arguments.txt");
        {
            QFile file(script);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > "
                       "\"$0.tmp\"\n"
                       "mv \"$0.tmp\" \"" +
                       record.toUtf8() + "\"\n");
            file.close();
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        cToken token;
        token.SetCommand(script);
        token.SetParameters("\"two words\" $HOME ;rm");
        QVERIFY(token.ExecuteCommand() > 32);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), QStringLiteral("two words\n$HOME\n;rm\n"));
    }
};

QTEST_MAIN(TestToken)
#include "tst_token.moc"
