#include "frmImagePicker.h"

#include "DesignFont.h"
#include "desktop/modCentredMessageBox.h"
#include "desktop/modGeneral.h"
#include "platform/FileServices.h"
#include "platform/Imaging.h"
#include "platform/RuntimeError.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStringListModel>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

const QString frmImagePicker::Cancelled = QStringLiteral("CANCELLED");
const QString frmImagePicker::FilePattern = QStringLiteral("*.jpg;*.png;*.bmp;*.svg;*.gif;*.ico");

namespace {
// Draws `source` stretched over the whole of `target` with smooth resampling.
void drawStretched(QImage& target, const QImage& source) {
    QPainter painter(&target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target.rect(), source);
}
} // namespace

frmImagePicker::frmImagePicker(QByteArray& pPicture, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      mPicture(pPicture), mTag(Cancelled) {
    setObjectName(QStringLiteral("frmImagePicker"));
    setWindowTitle(QStringLiteral("Select Image"));
    setFont(DesignTextFont(8.25));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Imaging::ColourFromBgr(BackgroundColour));
    setPalette(colours);
    setAutoFillBackground(true);
    setFixedSize(590, 307);
    createControls();
    fillDriveList();

    // Start in the process's current folder, on the volume that holds it.
    if (!openFolder(QDir::currentPath()))
        fallBackToHome();
    MakeTopmost(this);
}

frmImagePicker::~frmImagePicker() = default;

bool frmImagePicker::IsOnScreen() {
    const auto windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](QWidget* window) {
        return window->isVisible() && qobject_cast<frmImagePicker*>(window) != nullptr;
    });
}

void frmImagePicker::createControls() {
    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(8, 8, 145, 21);

    mFolders = new QFileSystemModel(this);
    mFolders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    Dir1 = new QTreeView(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(8, 34, 145, 261);
    Dir1->setModel(mFolders);
    Dir1->setHeaderHidden(true);
    for (int column = 1; column < mFolders->columnCount(); ++column)
        Dir1->hideColumn(column);
    Dir1->setSelectionMode(QAbstractItemView::SingleSelection);
    mFolders->sort(0, Qt::AscendingOrder);

    mFiles = new QStringListModel(this);
    mFolderWatch = new QFileSystemWatcher(this);
    connect(mFolderWatch, &QFileSystemWatcher::directoryChanged, this, &frmImagePicker::listFiles);
    File1 = new QListView(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(160, 8, 156, 288);
    File1->setModel(mFiles);
    File1->setSelectionMode(QAbstractItemView::SingleSelection);

    picOriginal = new QLabel(this);
    picOriginal->setObjectName(QStringLiteral("picOriginal"));
    picOriginal->setGeometry(324, 8, 258, 258);
    picOriginal->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picOriginal->setLineWidth(1);
    picOriginal->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette white = picOriginal->palette();
    white.setColor(QPalette::Window, Qt::white);
    picOriginal->setPalette(white);
    picOriginal->setAutoFillBackground(true);

    cmdSelectImage = new QPushButton(QStringLiteral("Use"), this);
    cmdSelectImage->setObjectName(QStringLiteral("cmdSelectImage"));
    cmdSelectImage->setGeometry(360, 276, 76, 24);
    cmdSelectImage->setEnabled(false);
    cmdSelectImage->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(472, 276, 76, 24);

    QWidget::setTabOrder(Drive1, Dir1);
    QWidget::setTabOrder(Dir1, File1);
    QWidget::setTabOrder(File1, cmdSelectImage);
    QWidget::setTabOrder(cmdSelectImage, cmdCancel);

    connect(Drive1, &QComboBox::currentIndexChanged, this, &frmImagePicker::Drive1_Change);
    connect(Dir1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) {
                if (index.isValid() && mFolders->filePath(index) != mDirPath)
                    showFolder(mFolders->filePath(index));
            });
    // The folders along the path arrive and are sorted after the list was shown: keep the chosen
    // folder in view while they do.
    connect(mFolders, &QFileSystemModel::directoryLoaded, this, [this](const QString& pLoaded) {
        const QString folder = pLoaded.endsWith(QLatin1Char('/')) ? pLoaded : pLoaded + QLatin1Char('/');
        if (mDirPath == pLoaded || mDirPath.startsWith(folder))
            QTimer::singleShot(0, this, [this] { Dir1->scrollTo(Dir1->currentIndex()); });
    });
    connect(File1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &frmImagePicker::fileSelectionChanged);
    connect(cmdSelectImage, &QPushButton::clicked, this, &frmImagePicker::cmdSelectImage_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmImagePicker::cmdCancel_Click);
}

void frmImagePicker::fillDriveList() {
    const QSignalBlocker quiet(Drive1);
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && !roots.contains(volume.rootPath()))
            roots.append(volume.rootPath());
    roots.sort();
    for (const QString& root : roots) {
        const QString name = QStorageInfo(root).name();
        Drive1->addItem(name.isEmpty() ? root : root + QStringLiteral(" [") + name + QLatin1Char(']'), root);
    }
}

void frmImagePicker::selectDriveEntry(const QString& pRoot) {
    const QSignalBlocker quiet(Drive1);
    int index = Drive1->findData(pRoot);
    if (index < 0) {
        Drive1->addItem(pRoot, pRoot);
        index = Drive1->count() - 1;
    }
    Drive1->setCurrentIndex(index);
}

QString frmImagePicker::Drive() const {
    return Drive1->currentData().toString();
}

bool frmImagePicker::openDrive(const QString& pRoot, QString& pError) {
    const QFileInfo root(pRoot);
    if (pRoot.isEmpty() || !root.exists() || !root.isDir()) {
        pError = QStringLiteral("Path not found: ") + pRoot;
        return false;
    }
    const QStorageInfo volume(pRoot);
    if (!volume.isValid() || !volume.isReady()) {
        pError = QStringLiteral("Device unavailable: ") + pRoot;
        return false;
    }
    if (!root.isReadable() || !root.isExecutable()) {
        pError = QStringLiteral("Permission denied: ") + pRoot;
        return false;
    }
    showDrive(pRoot);
    return true;
}

void frmImagePicker::showDrive(const QString& pRoot) {
    mFolders->setRootPath(pRoot);
    Dir1->setRootIndex(mFolders->index(pRoot));
    showFolder(pRoot);
}

// A folder on a volume the mount table lists opens with that volume selected; one on no listed
// volume (a chroot, some sandboxes) opens below the root of the file system.
bool frmImagePicker::openFolder(const QString& pFolder) {
    const QStorageInfo volume(pFolder);
    const bool listed = volume.isValid() && !volume.rootPath().isEmpty();
    const QString drive = listed ? volume.rootPath() : QStringLiteral("/");
    selectDriveEntry(drive);
    QString error;
    if (listed && !openDrive(drive, error))
        return false;
    if (!listed) {
        const QFileInfo folder(pFolder);
        if (!folder.isDir() || !folder.isReadable())
            return false;
        showDrive(drive);
    }
    mDriveTag = drive;
    SetDirPath(pFolder);
    return true;
}

void frmImagePicker::Drive1_Change() {
    const QString drive = Drive();
    QString error;
    if (openDrive(drive, error)) {
        mDriveTag = drive;
        return;
    }
    if (mRevertingDrive) {
        // The drive we were returning to cannot be opened either: no second message, go home.
        fallBackToHome();
        return;
    }
    CentredMsgBox(error, MsgBox::OkOnly | MsgBox::Exclamation, QStringLiteral("Error"), this);
    mRevertingDrive = true;
    const int remembered = Drive1->findData(mDriveTag);
    if (remembered < 0 || remembered == Drive1->currentIndex())
        fallBackToHome();
    else
        Drive1->setCurrentIndex(remembered); // runs this routine again
    mRevertingDrive = false;
}

void frmImagePicker::fallBackToHome() {
    openFolder(QDir::homePath());
}

void frmImagePicker::SetDirPath(const QString& pPath) {
    const QModelIndex index = mFolders->index(pPath);
    if (index.isValid()) {
        const QSignalBlocker quiet(Dir1->selectionModel());
        Dir1->setCurrentIndex(index);
        Dir1->scrollTo(index);
    }
    showFolder(pPath);
}

void frmImagePicker::showFolder(const QString& pPath) {
    mDirPath = pPath;
    Dir1_Change();
}

void frmImagePicker::Dir1_Change() {
    File1->clearSelection();
    const QStringList watched = mFolderWatch->directories();
    if (!watched.isEmpty())
        mFolderWatch->removePaths(watched);
    mFolderWatch->addPath(mDirPath);
    listFiles();
}

// Lists the folder's picture files (the name patterns ignore letter case), keeping the selected
// file selected when it is still there.
void frmImagePicker::listFiles() {
    const QModelIndexList selected = File1->selectionModel()->selectedIndexes();
    const QString kept = selected.isEmpty() ? QString() : selected.first().data().toString();
    const QSignalBlocker quiet(File1->selectionModel());
    mFiles->setStringList(QDir(mDirPath).entryList(FilePattern.split(QLatin1Char(';')), QDir::Files,
                                                   QDir::Name | QDir::IgnoreCase | QDir::LocaleAware));
    const int row = kept.isEmpty() ? -1 : int(mFiles->stringList().indexOf(kept));
    if (row >= 0)
        File1->setCurrentIndex(mFiles->index(row));
}

QStringList frmImagePicker::ListedFiles() const {
    return mFiles->stringList();
}

void frmImagePicker::fileSelectionChanged() {
    const QModelIndexList selected = File1->selectionModel()->selectedIndexes();
    if (!selected.isEmpty())
        File1_Click(selected.first().data().toString());
}

void frmImagePicker::File1_Click(const QString& pFileName) {
    const QString path = QDir(mDirPath).filePath(pFileName);
    QByteArray bytes;
    if (QFileInfo(path).suffix().toUpper() == QLatin1String("ICO")) {
        bytes = IconToPng(path);
    } else {
        try {
            bytes = FileServices::ReadAllBytes(path);
        } catch (const RuntimeError&) {
            // A pipe, a device, a huge or unreadable file: nothing to preview.
        }
    }
    const QImage source = Imaging::Decode(bytes);
    if (source.isNull()) {
        // Unreadable or not a picture: nothing to use; the preview keeps the last good picture.
        cmdSelectImage->setEnabled(false);
        return;
    }
    QImage picture = Imaging::NewSurface(PictureSize, PictureSize);
    drawStretched(picture, source);
    mImageBytes = Imaging::EncodePng(picture);
    QImage preview = Checkerboard(PreviewSize, PreviewSize);
    drawStretched(preview, source);
    picOriginal->setPixmap(QPixmap::fromImage(preview));
    cmdSelectImage->setEnabled(true);
}

QByteArray frmImagePicker::IconToPng(const QString& pPath) {
    const QImage icon = Imaging::DecodeFile(pPath);
    if (icon.isNull())
        return Imaging::EmptyImageBytes();
    QImage surface = Imaging::NewSurface(IconSize, IconSize);
    drawStretched(surface, icon);
    return Imaging::EncodePng(surface);
}

QImage frmImagePicker::Checkerboard(int pWidth, int pHeight) {
    QImage tile(20, 20, Imaging::SurfaceFormat);
    tile.fill(Qt::white);
    QPainter tilePainter(&tile);
    const QColor checker = Imaging::ColourFromBgr(CheckerColour);
    tilePainter.fillRect(0, 0, 10, 10, checker);
    tilePainter.fillRect(10, 10, 10, 10, checker);
    tilePainter.end();
    QImage board(pWidth, pHeight, Imaging::SurfaceFormat);
    QPainter painter(&board);
    painter.fillRect(board.rect(), QBrush(tile));
    return board;
}

void frmImagePicker::cmdSelectImage_Click() {
    mTag.clear();
    mPicture = mImageBytes;
    accept();
}

void frmImagePicker::cmdCancel_Click() {
    reject();
}

void frmImagePicker::reject() {
    // Cancel, Esc and the close box all end here; the caller unloads the window afterwards.
    mTag = Cancelled;
    QDialog::reject();
}
