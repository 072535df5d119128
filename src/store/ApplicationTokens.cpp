#include "ApplicationTokens.h"

#include "desktop/ApplicationCommand.h"
#include "platform/ApplicationIcons.h"
#include "platform/Imaging.h"

#include <QPainter>

namespace {
constexpr int PictureSize = 196;
} // namespace

QByteArray ApplicationPicture(const QString& icon, const QImage& fallbackPicture) {
    QImage image = ApplicationIcons::Load(icon, PictureSize);
    if (image.isNull())
        image = fallbackPicture;
    // Small icons are enlarged to the picture's size; other shapes keep their proportions.
    const QSize size = image.size().scaled(PictureSize, PictureSize, Qt::KeepAspectRatio);
    QImage surface = Imaging::NewSurface(PictureSize, PictureSize);
    QPainter painter(&surface);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(
        QRect(QPoint((PictureSize - size.width()) / 2, (PictureSize - size.height()) / 2), size), image);
    painter.end();
    return Imaging::EncodePng(surface);
}

ApplicationTokenFields TokenFieldsFor(const DesktopApplication& application, const QImage& fallbackPicture) {
    const ApplicationCommand command = CommandFor(application.commandLine, application.terminal);
    return {application.name, command.command, command.parameters, application.description,
            ApplicationPicture(application.icon, fallbackPicture)};
}
