#pragma once

#include <QByteArray>
#include <QDialog>
#include <QImage>
#include <QString>

class QComboBox;
class QFileSystemModel;
class QFileSystemWatcher;
class QLabel;
class QListView;
class QPushButton;
class QStringListModel;
class QTreeView;

// The modal "Select Image" window: a drive list (mounted volumes), a folder list and a list of the
// picture files in the folder, with a 256 x 256 preview over a transparency checkerboard. "Use"
// (enabled once a file has been decoded) hands the picture back through the caller's picture bytes
// as a 196 x 196 PNG and leaves the tag empty; "Cancel", Esc and the close box leave those bytes
// alone and set the tag to "CANCELLED". Reads files only.
class frmImagePicker : public QDialog {
    Q_OBJECT
public:
    static const QString Cancelled;
    static const QString FilePattern;
    static constexpr int PictureSize = 196;
    static constexpr int PreviewSize = 256;
    static constexpr int IconSize = 256;
    static constexpr unsigned BackgroundColour = 0xE5E5E5; // 0x00BBGGRR
    static constexpr unsigned CheckerColour = 0xE8E8E8;

    // pPicture: the encoded picture of the token being edited, replaced when "Use" closes the window.
    explicit frmImagePicker(QByteArray& pPicture, QWidget* parent = nullptr);
    ~frmImagePicker() override;

    // "CANCELLED" unless "Use" closed the window.
    const QString& Tag() const { return mTag; }
    // The PNG bytes prepared from the file last clicked; valid while "Use" is enabled.
    const QByteArray& PreparedImage() const { return mImageBytes; }

    // The drive list's drive (a volume's root folder), the folder list's folder.
    QString Drive() const;
    const QString& DirPath() const { return mDirPath; }
    // Chooses a folder in the folder list, as a click there does.
    void SetDirPath(const QString& pPath);
    // The files the file list shows, in its order.
    QStringList ListedFiles() const;

    // The window's event routines.
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click(const QString& pFileName);
    void cmdSelectImage_Click();
    void cmdCancel_Click();

    // Whether an image picker is on screen (the carousel's mouse shortcuts then open nothing).
    static bool IsOnScreen();

    // An icon file's largest image stretched to 256 x 256, as PNG; the empty image when it cannot be
    // read.
    static QByteArray IconToPng(const QString& pPath);
    // White with 10 x 10 squares of CheckerColour at (0, 0) and (10, 10) of every 20 x 20 tile.
    static QImage Checkerboard(int pWidth, int pHeight);

public slots:
    void reject() override;

private:
    void createControls();
    void fillDriveList();
    void selectDriveEntry(const QString& pRoot);
    // Shows the volume's folders; false with a reason when it cannot be opened.
    bool openDrive(const QString& pRoot, QString& pError);
    void showDrive(const QString& pRoot);
    // Shows the folder, with the drive that holds it selected; false when it cannot be opened.
    bool openFolder(const QString& pFolder);
    void fallBackToHome();
    void showFolder(const QString& pPath);
    void fileSelectionChanged();
    void listFiles();

    QComboBox* Drive1 = nullptr;
    QTreeView* Dir1 = nullptr;
    QListView* File1 = nullptr;
    QLabel* picOriginal = nullptr;
    QPushButton* cmdSelectImage = nullptr;
    QPushButton* cmdCancel = nullptr;
    QFileSystemModel* mFolders = nullptr;
    // The picture files of the folder on show, listed at once rather than by a background gatherer
    // (which under load could report only the first file of a folder), and listed again when the
    // folder's entries change.
    QStringListModel* mFiles = nullptr;
    QFileSystemWatcher* mFolderWatch = nullptr;

    QByteArray& mPicture;
    QString mTag;
    QByteArray mImageBytes;
    QString mDirPath;
    QString mDriveTag;            // the last drive that could be opened
    bool mRevertingDrive = false; // set while the drive list returns to mDriveTag
};
