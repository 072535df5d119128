// The "Select Image" window: its layout, the lists, the picture it hands back, cancelling, and
// drives that cannot be opened.
#include "FormChecks.h"
#include "TestSupport.h"
#include "desktop/modCentredMessageBox.h"
#include "platform/Imaging.h"
#include "ui/frmImagePicker.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <sys/stat.h>

namespace {
QColor Checker() {
    return QColor(0xE8, 0xE8, 0xE8);
}

bool IsPng(const QByteArray& bytes) {
    return bytes.startsWith("\x89PNG\r\n\x1a\n");
}

// A picture whose left half is red and right half blue.
QImage Halves(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, width / 2, height, Qt::red);
    return image;
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The first bytes of a PNG file, without its image data.
QByteArray CutPng() {
    QImage image(40, 40, QImage::Format_ARGB32);
    image.fill(Qt::green);
    return Imaging::EncodePng(image).left(60);
}

const QByteArray RedGif = QByteArray::fromHex("474946383961010001008000"
                                              "00FF0000000000"
                                              "2C00000000010001000002024401003B");
const QByteArray RedSvg = "<svg xmlns='http://www.w3.org/2000/svg' width='32' height='32'>"
                          "<rect width='32' height='32' fill='#ff0000'/></svg>";
} // namespace

class TestImagePicker : public QObject {
    Q_OBJECT

    // The picture of the token being edited, which the picker replaces.
    QByteArray mPicture;

    QTemporaryDir* mFolder = nullptr;
    QString mStartFolder;
    QList<MessageBoxRequest> mAsked;

    QString Path(const QString& name) const { return mFolder->filePath(name); }
    void Save(const QImage& image, const QString& name, const char* format = nullptr) {
        QVERIFY2(image.save(Path(name), format), qPrintable(name));
    }
    template <typename T> static T* Control(frmImagePicker& picker, const char* name) {
        T* control = picker.findChild<T*>(QLatin1String(name));
        if (!control)
            qFatal("no control %s", name);
        return control;
    }
    static QPushButton* Use(frmImagePicker& picker) { return Control<QPushButton>(picker, "cmdSelectImage"); }
    static QImage Preview(frmImagePicker& picker) {
        return Control<QLabel>(picker, "picOriginal")->pixmap().toImage();
    }

private slots:
    void init() {
        mFolder = new QTemporaryDir;
        mStartFolder = QDir::currentPath();
        QDir::setCurrent(mFolder->path());
        mAsked.clear();
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            mAsked.append(request);
            return MsgBox::ResultOk;
        });
        mPicture = "previous picture";
    }

    void cleanup() {
        SetMessageBoxResponder({});
        QDir::setCurrent(mStartFolder);
        delete mFolder;
    }

    void layout() {
        frmImagePicker picker(mPicture);
        QCOMPARE(picker.windowTitle(), QStringLiteral("Select Image"));
        QCOMPARE(picker.size(), QSize(590, 307));
        QCOMPARE(picker.minimumSize(), picker.maximumSize());
        QVERIFY(picker.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(FormChecks::LayoutFault(&picker), QString());
        QCOMPARE(Use(picker)->text(), QStringLiteral("Use"));
        QVERIFY(!Use(picker)->isEnabled());
        QVERIFY(Use(picker)->isDefault());
        QCOMPARE(Control<QPushButton>(picker, "cmdCancel")->text(), QStringLiteral("Cancel"));
        QCOMPARE(FormChecks::TabOrder(&picker, Control<QWidget>(picker, "Drive1")),
                 (QStringList{"Drive1", "Dir1", "File1", "cmdSelectImage", "cmdCancel"}));
    }

    void startsInTheCurrentFolder() {
        frmImagePicker picker(mPicture);
        QCOMPARE(picker.DirPath(), mFolder->path());
        QCOMPARE(picker.Drive(), QStorageInfo(mFolder->path()).rootPath());
        QVERIFY(mAsked.isEmpty());
    }

    void listShowsPictureFilesInAnyLetterCase() {
        for (const char* name : {"a.jpg", "B.PNG", "c.Bmp", "d.svg", "e.GIF", "f.ico", "notes.txt",
                                 "g.png.bak", "png", "h.jpeg"})
            WriteBytes(Path(name), "x");
        QDir().mkdir(Path("sub.png"));
        frmImagePicker picker(mPicture);
        QCOMPARE(picker.ListedFiles(), QStringList({"a.jpg", "B.PNG", "c.Bmp", "d.svg", "e.GIF", "f.ico"}));
        WriteBytes(Path("i.png"), "x"); // a picture saved while the picker is open shows up
        QTRY_COMPARE(picker.ListedFiles().size(), 7);
    }

    void everyListedKindDecodes_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("jpg") << "p.jpg";
        QTest::newRow("png") << "p.png";
        QTest::newRow("bmp") << "p.bmp";
        QTest::newRow("svg") << "p.svg";
        QTest::newRow("gif") << "p.gif";
        QTest::newRow("ico") << "p.ico";
    }

    void everyListedKindDecodes() {
        QFETCH(QString, name);
        QImage red(32, 32, QImage::Format_ARGB32);
        red.fill(Qt::red);
        if (name.endsWith("svg"))
            WriteBytes(Path(name), RedSvg);
        else if (name.endsWith("gif"))
            WriteBytes(Path(name), RedGif);
        else
            Save(red, name, QFileInfo(name).suffix().toLatin1());
        frmImagePicker picker(mPicture);
        picker.File1_Click(name);
        QVERIFY(Use(picker)->isEnabled());
        const QImage result = Imaging::Decode(picker.PreparedImage());
        QCOMPARE(result.size(), QSize(196, 196));
        const QColor centre = result.pixelColor(98, 98);
        QVERIFY2(centre.red() > 200 && centre.green() < 40 && centre.blue() < 40, qPrintable(centre.name()));
    }

    void smallPictureComesBackAs196Png() {
        Save(Halves(48, 48), "small.png");
        frmImagePicker picker(mPicture);
        picker.show();
        picker.File1_Click("small.png");
        Use(picker)->click();
        QVERIFY(!picker.isVisible());
        QCOMPARE(picker.Tag(), QString());
        QVERIFY(IsPng(mPicture));
        const QImage handed = Imaging::Decode(mPicture);
        QCOMPARE(handed.size(), QSize(196, 196));
        QCOMPARE(handed.pixelColor(40, 98), QColor(Qt::red));
        QCOMPARE(handed.pixelColor(156, 98), QColor(Qt::blue));
    }

    void widePictureIsStretched() {
        Save(Halves(400, 200), "wide.png");
        frmImagePicker picker(mPicture);
        picker.File1_Click("wide.png");
        const QImage handed = Imaging::Decode(picker.PreparedImage());
        QCOMPARE(handed.size(), QSize(196, 196));
        // Stretched, not fitted: the colours meet in the middle and fill the whole height.
        QCOMPARE(handed.pixelColor(90, 2), QColor(Qt::red));
        QCOMPARE(handed.pixelColor(106, 193), QColor(Qt::blue));
        const QImage preview = Preview(picker);
        QCOMPARE(preview.size(), QSize(256, 256));
        QCOMPARE(preview.pixelColor(120, 2), QColor(Qt::red));
        QCOMPARE(preview.pixelColor(136, 253), QColor(Qt::blue));
    }

    void iconFileGoesThroughA256Png_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("upper case") << "Logo.ICO";
        QTest::newRow("lower case") << "logo.ico";
        QTest::newRow("mixed case") << "logo.Ico";
    }

    void iconFileGoesThroughA256Png() {
        QFETCH(QString, name);
        Save(Halves(32, 32), name, "ICO");
        const QByteArray png = frmImagePicker::IconToPng(Path(name));
        QVERIFY(IsPng(png));
        const QImage icon = Imaging::Decode(png);
        QCOMPARE(icon.size(), QSize(256, 256));
        QCOMPARE(icon.pixelColor(60, 128), QColor(Qt::red));
        frmImagePicker picker(mPicture);
        picker.File1_Click(name);
        QVERIFY(Use(picker)->isEnabled());
        const QImage handed = Imaging::Decode(picker.PreparedImage());
        QCOMPARE(handed.size(), QSize(196, 196));
        QCOMPARE(handed.pixelColor(40, 98), QColor(Qt::red));
        // An icon file that is not an icon gives the empty image.
        WriteBytes(Path("broken.ico"), "not an icon");
        QVERIFY(frmImagePicker::IconToPng(Path("broken.ico")).isEmpty());
    }

    void enterUsesAFileOnlyOnceOneIsPicked() {
        Save(Halves(48, 48), "small.png");
        frmImagePicker picker(mPicture);
        picker.show();
        QTest::keyClick(&picker, Qt::Key_Return);
        QTest::keyClick(&picker, Qt::Key_Enter);
        QVERIFY(picker.isVisible());
        QCOMPARE(mPicture, QByteArray("previous picture"));
        picker.File1_Click("small.png");
        QTest::keyClick(&picker, Qt::Key_Return);
        QVERIFY(!picker.isVisible());
        QCOMPARE(picker.Tag(), QString());
        QCOMPARE(mPicture, picker.PreparedImage());
    }

    void cancellingLeavesImageBytesAlone_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("close box") << "close";
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("Esc") << "escape";
    }

    void cancellingLeavesImageBytesAlone() {
        QFETCH(QString, how);
        Save(Halves(48, 48), "small.png");
        frmImagePicker picker(mPicture);
        picker.show();
        picker.File1_Click("small.png");
        QVERIFY(Use(picker)->isEnabled());
        if (how == "close")
            picker.close();
        else if (how == "cancel")
            Control<QPushButton>(picker, "cmdCancel")->click();
        else
            QTest::keyClick(&picker, Qt::Key_Escape);
        QVERIFY(!picker.isVisible());
        QCOMPARE(picker.Tag(), QStringLiteral("CANCELLED"));
        QCOMPARE(mPicture, QByteArray("previous picture"));
    }

    void unreadableFileDisablesUseQuietly_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not a picture") << "bad.png" << QByteArray("this is text, not a PNG");
        QTest::newRow("empty file") << "empty.jpg" << QByteArray();
        QTest::newRow("cut-off PNG") << "cut.png" << CutPng();
        QTest::newRow("broken icon") << "broken.ico" << QByteArray("ICO?");
        QTest::newRow("missing file") << "gone.png" << QByteArray("-");
        QTest::newRow("a pipe") << "pipe.png" << QByteArray("-");
        QTest::newRow("a pipe named like an icon") << "pipe.ico" << QByteArray("-");
    }

    void unreadableFileDisablesUseQuietly() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        Save(Halves(48, 48), "good.png");
        WriteBytes(Path(name), bytes);
        if (name == "gone.png" || name.startsWith("pipe"))
            QFile::remove(Path(name));
        if (name.startsWith("pipe")) // reading it would wait for a writer for good
            QCOMPARE(::mkfifo(QFile::encodeName(Path(name)).constData(), 0600), 0);
        frmImagePicker picker(mPicture);
        picker.File1_Click("good.png");
        QVERIFY(Use(picker)->isEnabled());
        const qint64 shown = Control<QLabel>(picker, "picOriginal")->pixmap().cacheKey();
        picker.File1_Click(name);
        QVERIFY(!Use(picker)->isEnabled());
        QCOMPARE(Control<QLabel>(picker, "picOriginal")->pixmap().cacheKey(), shown);
        QVERIFY(mAsked.isEmpty());
    }

    void transparentPictureIsPreviewedOverTheCheckerboard() {
        QImage half(64, 64, QImage::Format_ARGB32);
        half.fill(Qt::transparent);
        QPainter(&half).fillRect(32, 0, 32, 64, Qt::red);
        Save(half, "half.png");
        frmImagePicker picker(mPicture);
        picker.File1_Click("half.png");
        const QImage preview = Preview(picker);
        QCOMPARE(preview.size(), QSize(256, 256));
        QCOMPARE(preview.pixelColor(5, 5), Checker());
        QCOMPARE(preview.pixelColor(15, 5), QColor(Qt::white));
        QCOMPARE(preview.pixelColor(5, 15), QColor(Qt::white));
        QCOMPARE(preview.pixelColor(15, 15), Checker());
        QCOMPARE(preview.pixelColor(25, 25), Checker());
        QCOMPARE(preview.pixelColor(115, 245), QColor(Qt::white));
        QCOMPARE(preview.pixelColor(200, 100), QColor(Qt::red));
        // The picture handed back keeps its transparency.
        const QImage handed = Imaging::Decode(picker.PreparedImage());
        QCOMPARE(handed.pixelColor(10, 10).alpha(), 0);
    }

    void driveThatCannotBeOpenedReturnsToTheLastGoodOne() {
        frmImagePicker picker(mPicture);
        const QString good = picker.Drive();
        auto* drives = Control<QComboBox>(picker, "Drive1");
        const QString missing = Path("no-medium");
        drives->addItem("card reader", missing);
        drives->setCurrentIndex(drives->count() - 1);
        QCOMPARE(mAsked.size(), 1);
        QCOMPARE(mAsked[0].title, QStringLiteral("Error"));
        QCOMPARE(mAsked[0].flags, 48);
        QVERIFY2(mAsked[0].prompt.contains(missing), qPrintable(mAsked[0].prompt));
        QCOMPARE(picker.Drive(), good);
        QCOMPARE(picker.DirPath(), good);
    }

    void lastGoodDriveGoneTooFallsBackHome() {
        frmImagePicker picker(mPicture);
        auto* drives = Control<QComboBox>(picker, "Drive1");
        const QString card = Path("card");
        QDir().mkdir(card);
        drives->addItem("card", card);
        drives->setCurrentIndex(drives->count() - 1);
        QCOMPARE(picker.Drive(), card);
        QVERIFY(QDir(card).removeRecursively()); // the card is pulled out
        drives->addItem("floppy", Path("floppy"));
        drives->setCurrentIndex(drives->count() - 1);
        QCOMPARE(mAsked.size(), 1); // one message, no endless chain
        QCOMPARE(picker.DirPath(), QDir::homePath());
        QCOMPARE(picker.Drive(), QStorageInfo(QDir::homePath()).rootPath());
    }
};

QTEST_MAIN(TestImagePicker)
#include "tst_imagepicker.moc"
