#include "ui/cSysTray.h"

#include "platform/DesktopTray.h"
#include "platform/Imaging.h"
#include "platform/Resources.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QSystemTrayIcon>

cSysTray::cSysTray(QObject* parent) : QObject(parent) {}

cSysTray::~cSysTray() {
    if (mIcon)
        mIcon->hide();
}

void cSysTray::Init(QWidget* pForm, const QString& pTooltip) {
    Q_UNUSED(pForm);
    mIcon = std::make_unique<QSystemTrayIcon>();
    // A StatusNotifierItem tray reports a click as activation and never as a double click: there the
    // activation stands for the double click, the icon's one way to show and hide the launcher.
    const bool activationOnly = StatusNotifierTrayInUse();
    connect(mIcon.get(), &QSystemTrayIcon::activated, this,
            [this, activationOnly](QSystemTrayIcon::ActivationReason reason) {
                switch (reason) {
                case QSystemTrayIcon::Trigger:
                    MouseMove(0, activationOnly ? LeftDoubleClick : LeftButtonUp);
                    break;
                case QSystemTrayIcon::DoubleClick:
                    MouseMove(0, LeftDoubleClick);
                    break;
                case QSystemTrayIcon::Context:
                    MouseMove(0, RightButtonUp);
                    break;
                default:
                    break;
                }
            });
    const int size = SmallIconSize();
    SetIcon(IconFromResource(QStringLiteral("APP_ICON"), size, size));
    SetTooltipText(pTooltip);
    mIcon->show();
}

void cSysTray::MouseMove(int pButton, int pMessage) {
    Q_UNUSED(pButton);
    switch (pMessage) {
    case LeftButtonUp:
        emit LeftClick();
        break;
    case LeftDoubleClick:
        emit DoubleClick();
        break;
    case RightButtonUp:
        emit RightClick();
        break;
    default:
        break;
    }
}

void cSysTray::SetIcon(const QImage& pIcon) {
    if (mIcon)
        mIcon->setIcon(QIcon(QPixmap::fromImage(pIcon)));
}

QString cSysTray::ClippedTooltip(const QString& pText) {
    // The text and its terminating NUL in a 128-byte field: a longer text loses the NUL and the rest.
    constexpr qsizetype FieldBytes = 128;
    QByteArray field = pText.toUtf8();
    const qsizetype nul = field.indexOf('\0');
    if (nul >= 0)
        field.truncate(nul);
    if (field.size() > FieldBytes) {
        // Never cut inside a character: back up to the first byte of the one that does not fit.
        qsizetype cut = FieldBytes;
        while (cut > 0 && (static_cast<unsigned char>(field[cut]) & 0xC0) == 0x80)
            --cut;
        field.truncate(cut);
    }
    return QString::fromUtf8(field);
}

void cSysTray::SetTooltipText(const QString& pText) {
    mTooltipText = pText;
    if (mIcon)
        mIcon->setToolTip(ClippedTooltip(pText));
}

void cSysTray::SetContextMenu(QMenu* pMenu) {
    if (mIcon)
        mIcon->setContextMenu(pMenu);
}

bool cSysTray::IsVisible() const {
    return mIcon && mIcon->isVisible();
}

void cSysTray::ShowMessage(const QString& pTitle, const QString& pText) {
    if (mIcon && QSystemTrayIcon::supportsMessages())
        mIcon->showMessage(pTitle, pText, QSystemTrayIcon::Information, 10000);
}

int cSysTray::SmallIconSize() {
    const double ratio =
        QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->devicePixelRatio() : 1.0;
    return qRound(QApplication::style()->pixelMetric(QStyle::PM_SmallIconSize) * ratio);
}

QImage cSysTray::IconFromResource(const QString& pName, int pWidth, int pHeight) {
    const QImage image = Imaging::Decode(LoadResource(QStringLiteral("CUSTOM"), pName));
    if (image.width() == pWidth)
        return image;
    QImage scaled = Imaging::NewSurface(pWidth, pHeight);
    QPainter painter(&scaled);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(0, 0, pWidth, pHeight), image);
    return scaled;
}
