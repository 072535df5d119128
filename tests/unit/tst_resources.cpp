#include "TestSupport.h"
#include "platform/ProgramFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

// The files that lie beside the program.
class TestResources : public QObject {
    Q_OBJECT
private slots:
    // The help page and the font are copied beside the program, unchanged, and found there.
    void filesBesideTheProgram_data() {
        QTest::addColumn<QString>("source");
        QTest::newRow("font") << "resources/fonts/TessaroGlyphs.ttf";
        QTest::newRow("help") << "resources/help/Tessaro Help.html";
    }
    void filesBesideTheProgram() {
        QFETCH(QString, source);
        const QString besideProgram =
            QFileInfo(TestSupport::ExecutablePath()).dir().filePath(QFileInfo(source).fileName());
        QFile copy(besideProgram), original(TestSupport::SourcePath(source));
        QVERIFY2(copy.open(QIODevice::ReadOnly), qPrintable(besideProgram));
        QVERIFY(original.open(QIODevice::ReadOnly));
        QVERIFY(copy.readAll() == original.readAll());
        const QString programFolder = QFileInfo(TestSupport::ExecutablePath()).absolutePath();
        QCOMPARE(ProgramFiles::DataFolderFor(programFolder), programFolder);
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
