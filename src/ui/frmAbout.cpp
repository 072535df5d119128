#include "ui/frmAbout.h"

#include "platform/Imaging.h"
#include "store/cToken.h"
#include "store/cTokenManager.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {
constexpr int PictureLeft = 20;
constexpr int PictureTop = 45;
constexpr int Margin = 20;

QImage rootPicture(const cTokenManager& pTokens) {
    if (!pTokens.Exists(QStringLiteral("ID1")))
        return {};
    return Imaging::Decode(pTokens.Item(QStringLiteral("ID1"))->SourceImage());
}
} // namespace

frmAbout::frmAbout(const cTokenManager& pTokens, QWidget* parent) : QDialog(parent) {
    build(rootPicture(pTokens));
}

frmAbout::frmAbout(const QImage& pPicture, QWidget* parent) : QDialog(parent) {
    build(pPicture);
}

QString frmAbout::VersionText() {
    return QStringLiteral("Version ") + QStringLiteral(TESSARO_VERSION);
}

void frmAbout::build(const QImage& pPicture) {
    setWindowTitle(QStringLiteral("About Tessaro"));
    setModal(true);
    // The picture is flattened onto the window colour, so no transparency shows through.
    const QColor background = palette().color(QPalette::Window);
    if (!pPicture.isNull()) {
        mFlattened = QImage(pPicture.size(), QImage::Format_RGB32);
        mFlattened.fill(background);
        QPainter painter(&mFlattened);
        painter.drawImage(0, 0, pPicture);
    }
    auto* name = new QLabel(QStringLiteral("<b>Tessaro</b>"), this);
    name->move(PictureLeft, 10);
    auto* version = new QLabel(VersionText(), this);
    version->adjustSize();
    mOK = new QPushButton(QStringLiteral("OK"), this);
    mOK->setObjectName(QStringLiteral("cmdOK"));
    mOK->setDefault(true);
    connect(mOK, &QPushButton::clicked, this, &QDialog::accept);

    const int pictureWidth = std::max(mFlattened.width(), 196);
    const int pictureHeight = mFlattened.height();
    const int below = PictureTop + pictureHeight + 10;
    version->move(PictureLeft, below);
    mOK->adjustSize();
    mOK->move(PictureLeft + pictureWidth - mOK->width(), below + version->height() + 10);
    setFixedSize(PictureLeft + pictureWidth + Margin, mOK->y() + mOK->height() + Margin);
}

void frmAbout::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (mFlattened.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(PictureLeft, PictureTop, mFlattened);
}
