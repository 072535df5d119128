// Tokens made from files dropped on the carousel or the Token Manager's tree.
#include "cTokenManager.h"

#include "platform/DesktopEntries.h"
#include "platform/FileServices.h"
#include "platform/ImageList.h"
#include "platform/Imaging.h"
#include "platform/ShortcutReader.h"

#include <QPainter>

namespace {
// The shared image list entry an icon file is read into while its picture is
// made.
const QString IconEntry = QStringLiteral("TMP");
constexpr int PictureSize = 196;
constexpr int SmallestUsableWidth = 4;

// The file a picture is taken from: a symbolic link stands for the file it
// points to.
QString pictureSource(const QString& path) {
    try {
        return ResolveSymbolicLink(path);
    } catch (const std::exception&) {
        return path; // a dangling link still gets the shell's icon
    }
}
} // namespace

void cTokenManager::CreateTokenFromFilePath(const QString& pFilePath, const QString& pParentKey) {
    if (DesktopEntries::IsDesktopEntryFile(pFilePath))
        return CreateTokenFromDesktopEntry(pFilePath, pParentKey);
    try {
        const QString extension = QLatin1Char('.') + FileServices::Extension(pFilePath);
        // A shortcut's picture comes from its target; the token opens the shortcut
        // itself.
        const bool shortcut = extension.compare(QLatin1String(".LNK"), Qt::CaseInsensitive) == 0;
        const QString target = shortcut ? ResolveShortcut(pFilePath) : pFilePath;
        auto token = std::make_shared<cToken>();
        token->SetCaption(FileServices::FileName(pFilePath).remove(extension, Qt::CaseSensitive));
        token->SetCommand(pFilePath);
        token->SetParameters(QString());
        token->SetParentKey(pParentKey);
        token->SetSourceImage(FileIconImage(target, extension));
        AddToken(token);
    } catch (const std::exception&) {
        ReportProblem(mReporter, QStringLiteral("Failed to create token via Drag/Drop"),
                      QStringLiteral("Problem!"));
    }
}

// The picture for a dropped file: the file itself when it is a picture, else
// the desktop's icon for it, stretched to 196 x 196. The empty image when even
// that fails.
QByteArray cTokenManager::FileIconImage(const QString& pPath, const QString& pExtension) {
    QByteArray bytes;
    try {
        bytes = fileIconImage(pictureSource(pPath), pExtension);
    } catch (const std::exception&) {
        bytes = Imaging::EmptyImageBytes();
    }
    mSharedImages.Remove(IconEntry);
    return bytes;
}

QByteArray cTokenManager::fileIconImage(const QString& pPath, const QString& pExtension) {
    QImage image;
    if (pExtension.compare(QLatin1String(".ICO"), Qt::CaseInsensitive) == 0) {
        mSharedImages.AddFromFile(IconEntry, pPath);
        image = mSharedImages.Get(IconEntry);
    } else {
        image = Imaging::DecodeFile(pPath);
    }
    if (image.isNull() || image.width() < SmallestUsableWidth)
        image = FileServices::ShellIcon(pPath);
    QImage surface = Imaging::NewSurface(PictureSize, PictureSize);
    QPainter painter(&surface);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, PictureSize, PictureSize), image);
    painter.end();
    return Imaging::EncodePng(surface);
}
