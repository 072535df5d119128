#include "modGeneral.h"

#include "platform/SingleInstance.h"

#include <QWidget>
#include <algorithm>

void ShowAndActivate(QWidget* window) {
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

void MakeTopmost(QWidget* window) {
    if (!window || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        return;
    const bool wasVisible = window->isVisible();
    const QRect geometry = window->geometry();
    const Qt::WindowStates states = window->windowState();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    window->setGeometry(geometry);
    window->setWindowState(states);
    if (wasVisible)
        window->show();
}

QPixmap PictureFromIcon(const QIcon& icon, const QSize& size) {
    const QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty())
        return icon.pixmap(size);
    const QSize largest = *std::max_element(sizes.begin(), sizes.end(), [](const QSize& a, const QSize& b) {
        return a.width() * a.height() < b.width() * b.height();
    });
    return icon.pixmap(largest);
}

QPixmap PictureFromIcon(const QImage& image) {
    return QPixmap::fromImage(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

bool ActivatePreviousInstance(SingleInstance& pChannel) {
    return pChannel.ActivatePreviousInstance();
}
