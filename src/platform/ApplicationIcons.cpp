#include "ApplicationIcons.h"

#include "Imaging.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QRegularExpression>
#include <QStandardPaths>

namespace ApplicationIcons {
namespace {

QImage fromFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > MaxFileBytes)
        return {};
    return Imaging::DecodeFile(path);
}

// Qt's platform themes that know no desktop (offscreen, minimal, a bare X server) name no icon theme
// and search no data folders. The freedesktop icon folders and their "hicolor" fallback
// are added once; a desktop's own theme and folders stay as they are.
void ensureFreedesktopLookup() {
    static const bool done = [] {
        QStringList paths = QIcon::themeSearchPaths();
        QStringList wanted{QDir::homePath() + QStringLiteral("/.icons")};
        for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
            wanted << folder + QStringLiteral("/icons");
        for (const QString& folder : wanted)
            if (!paths.contains(folder))
                paths << folder;
        QIcon::setThemeSearchPaths(paths);
        if (QIcon::fallbackThemeName().isEmpty())
            QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
        if (QIcon::themeName().isEmpty())
            QIcon::setThemeName(QStringLiteral("hicolor"));
        return true;
    }();
    Q_UNUSED(done);
}

QImage fromTheme(const QString& name, int size) {
    ensureFreedesktopLookup();
    const QIcon icon = QIcon::fromTheme(name);
    if (icon.isNull())
        return {};
    return icon.pixmap(QSize(size, size), 1.0).toImage();
}

// Icons outside any theme: <data folder>/pixmaps/<name>.<png|svg|xpm>.
QImage fromPixmapsFolders(const QString& name) {
    for (const char* extension : {".png", ".svg", ".xpm"}) {
        const QString path = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                    QStringLiteral("pixmaps/") + name + extension);
        if (!path.isEmpty())
            if (QImage image = fromFile(path); !image.isNull())
                return image;
    }
    return {};
}

// A picture larger than size x size is brought down to it, keeping its proportions.
QImage atMost(const QImage& image, int size) {
    if (image.isNull() || (image.width() <= size && image.height() <= size))
        return image;
    return image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace

QImage Load(const QString& icon, int size) {
    if (icon.isEmpty())
        return {};
    if (QDir::isAbsolutePath(icon))
        return atMost(fromFile(icon), size).convertToFormat(Imaging::SurfaceFormat);
    // Names never carry an extension, but some entries give one all the same.
    static const QRegularExpression pictureExtension(QStringLiteral("\\.(png|svg|xpm)$"),
                                                     QRegularExpression::CaseInsensitiveOption);
    const QString name = QString(icon).remove(pictureExtension);
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return {};
    QImage image = fromTheme(name, size);
    if (image.isNull())
        image = fromPixmapsFolders(name);
    return atMost(image, size).convertToFormat(Imaging::SurfaceFormat);
}

} // namespace ApplicationIcons
