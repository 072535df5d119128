#include "FileServices.h"

#include "Imaging.h"
#include "RuntimeError.h"

#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>

namespace FileServices {

namespace {

const QString Source = QStringLiteral("FileServices");
constexpr int PathFileAccessError = 75;
constexpr int GenericIconSize = 64;
constexpr int LargestShellIcon = 256;
constexpr int SmallestShellIcon = 16;

// The path without trailing separators (the root stays "/").
QString Trimmed(const QString& path) {
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    return trimmed;
}

void DrawDocument(QPainter& painter, qreal s) {
    const qreal fold = s * 0.25;
    QPainterPath page;
    page.moveTo(s * 0.18, s * 0.06);
    page.lineTo(s * 0.82 - fold, s * 0.06);
    page.lineTo(s * 0.82, s * 0.06 + fold);
    page.lineTo(s * 0.82, s * 0.94);
    page.lineTo(s * 0.18, s * 0.94);
    page.closeSubpath();
    QLinearGradient paper(0, 0, 0, s);
    paper.setColorAt(0, QColor(255, 255, 255));
    paper.setColorAt(1, QColor(222, 228, 236));
    painter.setPen(QPen(QColor(96, 108, 124), s / 32, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(paper);
    painter.drawPath(page);
    QPainterPath corner;
    corner.moveTo(s * 0.82 - fold, s * 0.06);
    corner.lineTo(s * 0.82 - fold, s * 0.06 + fold);
    corner.lineTo(s * 0.82, s * 0.06 + fold);
    painter.setBrush(QColor(200, 208, 220));
    painter.drawPath(corner);
    painter.setPen(QPen(QColor(150, 162, 180), s / 24, Qt::SolidLine, Qt::RoundCap));
    for (int line = 0; line < 5; ++line) {
        const qreal y = s * (0.42 + line * 0.1);
        painter.drawLine(QPointF(s * 0.3, y), QPointF(s * (line == 4 ? 0.55 : 0.7), y));
    }
}

void DrawProgram(QPainter& painter, qreal s) {
    const QRectF window(s * 0.08, s * 0.14, s * 0.84, s * 0.72);
    QLinearGradient body(0, window.top(), 0, window.bottom());
    body.setColorAt(0, QColor(250, 251, 253));
    body.setColorAt(1, QColor(214, 222, 232));
    painter.setPen(QPen(QColor(52, 72, 100), s / 32));
    painter.setBrush(body);
    painter.drawRoundedRect(window, s * 0.06, s * 0.06);
    QPainterPath title;
    title.addRoundedRect(QRectF(window.left(), window.top(), window.width(), s * 0.16), s * 0.06, s * 0.06);
    title.addRect(QRectF(window.left(), window.top() + s * 0.08, window.width(), s * 0.08));
    title.setFillRule(Qt::WindingFill);
    QLinearGradient bar(0, window.top(), 0, window.top() + s * 0.16);
    bar.setColorAt(0, QColor(86, 140, 214));
    bar.setColorAt(1, QColor(44, 98, 176));
    painter.setBrush(bar);
    painter.drawPath(title.simplified());
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 220));
    for (int button = 0; button < 3; ++button)
        painter.drawEllipse(QPointF(window.right() - s * (0.08 + button * 0.09), window.top() + s * 0.08),
                            s * 0.03, s * 0.03);
    // A play mark: something that runs.
    QPainterPath play;
    play.moveTo(s * 0.42, s * 0.42);
    play.lineTo(s * 0.64, s * 0.56);
    play.lineTo(s * 0.42, s * 0.70);
    play.closeSubpath();
    painter.setBrush(QColor(48, 160, 72));
    painter.drawPath(play);
}

void DrawFolder(QPainter& painter, qreal s) {
    QPainterPath back;
    back.moveTo(s * 0.06, s * 0.2);
    back.lineTo(s * 0.38, s * 0.2);
    back.lineTo(s * 0.46, s * 0.28);
    back.lineTo(s * 0.94, s * 0.28);
    back.lineTo(s * 0.94, s * 0.84);
    back.lineTo(s * 0.06, s * 0.84);
    back.closeSubpath();
    painter.setPen(QPen(QColor(150, 110, 30), s / 32, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(226, 178, 70));
    painter.drawPath(back);
    QLinearGradient front(0, s * 0.36, 0, s * 0.84);
    front.setColorAt(0, QColor(255, 222, 130));
    front.setColorAt(1, QColor(240, 190, 80));
    painter.setBrush(front);
    painter.drawRoundedRect(QRectF(s * 0.06, s * 0.36, s * 0.88, s * 0.48), s * 0.03, s * 0.03);
}

} // namespace

QString AppDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString Extension(const QString& path) {
    const QString name = FileName(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString FileName(const QString& path) {
    const QString trimmed = Trimmed(path);
    if (trimmed == QLatin1String("/"))
        return {};
    return trimmed.mid(trimmed.lastIndexOf(QLatin1Char('/')) + 1);
}

QString Folder(const QString& path) {
    const QString trimmed = Trimmed(path);
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || trimmed == QLatin1String("/"))
        return {};
    return slash == 0 ? QStringLiteral("/") : trimmed.left(slash);
}

QByteArray ReadAllBytes(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw RuntimeError(ErrorNumber::FileNotFound, Source, QStringLiteral("File not found: %1").arg(path));
    auto refuse = [&](const QString& why) {
        throw RuntimeError(PathFileAccessError, Source,
                           QStringLiteral("Path/File access error: %1 (%2)").arg(path, why));
    };
    // A pipe would block for good and a device may never end: only regular files are read.
    if (info.isDir())
        refuse(QStringLiteral("a folder"));
    if (!info.isFile())
        refuse(QStringLiteral("not a regular file"));
    if (info.size() > MaxReadBytes)
        refuse(QStringLiteral("larger than %1 MiB").arg(MaxReadBytes >> 20));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        refuse(file.errorString());
    // Read to the end in pieces, into room for the size measured: the file may have grown since
    // (never past the limit), and asking for the limit at once would reserve 64 MiB for every file.
    QByteArray bytes;
    bytes.reserve(qsizetype(info.size()));
    char piece[64 * 1024];
    for (;;) {
        const qint64 got = file.read(piece, sizeof piece);
        if (got < 0)
            refuse(file.errorString());
        if (got == 0)
            return bytes;
        if (bytes.size() + got > MaxReadBytes)
            refuse(QStringLiteral("larger than %1 MiB").arg(MaxReadBytes >> 20));
        bytes.append(piece, qsizetype(got));
    }
}

QImage ShellIcon(const QString& path) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && !path.isEmpty()) {
        const QIcon icon = QFileIconProvider().icon(QFileInfo(path));
        const QImage image =
            icon.isNull() ? QImage() : icon.pixmap(QSize(LargestShellIcon, LargestShellIcon)).toImage();
        if (image.width() >= SmallestShellIcon)
            return image.convertToFormat(Imaging::SurfaceFormat);
    }
    return GenericIcon(path);
}

QImage GenericIcon(const QString& path) {
    QImage image = Imaging::NewSurface(GenericIconSize, GenericIconSize);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFileInfo info(path);
    if (info.isDir())
        DrawFolder(painter, GenericIconSize);
    else if (info.isExecutable())
        DrawProgram(painter, GenericIconSize);
    else
        DrawDocument(painter, GenericIconSize);
    return image;
}

} // namespace FileServices
