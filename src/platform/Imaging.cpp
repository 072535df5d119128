#include "Imaging.h"

#include "FileServices.h"
#include "RuntimeError.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QtEndian>

#include <algorithm>

namespace Imaging {

namespace {

QImage Fail(QString* error, const QString& why) {
    if (error)
        *error = why;
    return {};
}

bool TooLarge(const QSize& size, qint64 limit = MaxDecodePixels) {
    return size.width() > 0 && size.height() > 0 && qint64(size.width()) * size.height() > limit;
}

// The size a picture is decoded at: its own, or scaled down to fit MaxDecodeEdge.
QSize FittedSize(const QSize& size) {
    if (size.width() <= MaxDecodeEdge && size.height() <= MaxDecodeEdge)
        return size;
    return size.scaled(MaxDecodeEdge, MaxDecodeEdge, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QString TooLargeText(const QSize& size) {
    return QStringLiteral("image too large to decode (%1 x %2 pixels)").arg(size.width()).arg(size.height());
}

// SVG is text: the reader's own sniffing only looks at the first few bytes, so look for the root
// element a little further in (after an XML declaration, comments or a DOCTYPE).
bool LooksLikeSvg(const QByteArray& format, const QByteArray& bytes) {
    if (format == "svg" || format == "svgz")
        return true;
    return format.isEmpty() && bytes.left(4096).contains("<svg");
}

// The renderer would load the pictures an SVG names by path or address; only references into the
// file itself ("#id") and embedded data are allowed, so a picture never reads other files.
bool RefersOutside(const QByteArray& bytes) {
    static const QRegularExpression reference(QStringLiteral("href\\s*=\\s*[\"']\\s*([^\"']*)"));
    const QString text = QString::fromUtf8(bytes);
    for (auto match = reference.globalMatch(text); match.hasNext();) {
        const QString target = match.next().captured(1);
        if (!target.startsWith(QLatin1Char('#')) &&
            !target.startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
            return true;
    }
    return text.contains(QLatin1String("SYSTEM"), Qt::CaseSensitive) &&
           text.contains(QLatin1String("<!ENTITY"));
}

QImage DecodeSvg(const QByteArray& bytes, QString* error) {
    if (RefersOutside(bytes))
        return Fail(error, QStringLiteral("SVG picture refers to files outside it"));
    QSvgRenderer renderer(bytes);
    if (!renderer.isValid())
        return Fail(error, QStringLiteral("invalid SVG data"));
    const QSize size = renderer.defaultSize();
    if (size.isEmpty())
        return Fail(error, QStringLiteral("SVG picture has no size"));
    if (TooLarge(size) || size.width() > 32767 || size.height() > 32767)
        return Fail(error, TooLargeText(size));
    const QSize drawn = FittedSize(size);
    QImage image = NewSurface(drawn.width(), drawn.height());
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(QPointF(0, 0), drawn));
    return image;
}

// Walks a GIF's blocks (extensions and images, each a run of sub-blocks) up to its trailer; false
// when the data ends first. Bytes after the trailer, which some writers leave, do not matter.
bool GifReachesItsTrailer(const QByteArray& bytes) {
    const auto byteAt = [&](qsizetype at) { return at < bytes.size() ? quint8(bytes[at]) : -1; };
    const auto colourTableSize = [](int flags) { return flags & 0x80 ? 3 * (2 << (flags & 0x07)) : 0; };
    // Sub-blocks: a length byte and that many bytes, until a length of 0; -1 when the data ends.
    const auto skipSubBlocks = [&](qsizetype at) -> qsizetype {
        for (int length = byteAt(at); length != 0; length = byteAt(at)) {
            if (length < 0)
                return -1;
            at += 1 + length;
        }
        return at + 1;
    };
    constexpr qsizetype HeaderAndScreen = 13;
    qsizetype at = HeaderAndScreen + colourTableSize(byteAt(10));
    while (at >= 0) {
        switch (byteAt(at)) {
        case 0x3B: // trailer
            return true;
        case 0x21: // extension: introducer, label, sub-blocks
            at = skipSubBlocks(at + 2);
            break;
        case 0x2C: // image: descriptor, optional colour table, LZW code size, sub-blocks
            at = skipSubBlocks(at + 10 + colourTableSize(byteAt(at + 9)) + 1);
            break;
        default:
            return false;
        }
    }
    return false;
}

// Decoders of JPEG, BMP and GIF hand back whatever they managed to read from a cut-off file,
// padding the rest; a file missing its end is refused here instead.
QString TruncationError(const QByteArray& format, const QByteArray& bytes) {
    const QString truncated = QStringLiteral("image data is truncated");
    if (format == "jpeg" || format == "jpg") {
        // 0xFF 0xD9 only occurs as the end-of-image marker (entropy-coded 0xFF bytes are stuffed).
        return bytes.contains(QByteArrayLiteral("\xFF\xD9")) ? QString() : truncated;
    }
    if (format == "gif")
        return GifReachesItsTrailer(bytes) ? QString() : truncated;
    if (format == "bmp" && bytes.size() >= 6) {
        const quint32 fileSize = qFromLittleEndian<quint32>(bytes.constData() + 2);
        return fileSize > quint32(bytes.size()) ? truncated : QString();
    }
    return {};
}

// Icon files hold several sizes: take the largest. The count is the file's own claim; only as many
// entries as its directory has room for are looked at (6 bytes of header, 16 per entry), or a few
// hundred bytes claiming 65,535 icons would cost a jump to each.
void SelectLargestImage(QImageReader& reader, qsizetype fileSize) {
    constexpr qsizetype HeaderSize = 6, EntrySize = 16;
    const int count = int(std::min<qsizetype>(reader.imageCount(), (fileSize - HeaderSize) / EntrySize));
    if (count <= 1)
        return;
    int best = 0;
    qint64 bestArea = -1;
    for (int i = 0; i < count && reader.jumpToImage(i); ++i) {
        const QSize size = reader.size();
        if (qint64(size.width()) * size.height() > bestArea) {
            bestArea = qint64(size.width()) * size.height();
            best = i;
        }
    }
    reader.jumpToImage(best);
}

} // namespace

QImage NewSurface(int width, int height) {
    if (width <= 0 || height <= 0)
        return {};
    QImage image(width, height, SurfaceFormat);
    image.fill(Qt::transparent);
    return image;
}

QImage Decode(const QByteArray& bytes, QString* error) {
    if (bytes.isEmpty())
        return Fail(error, QStringLiteral("no image data"));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // Guards formats whose size cannot be read up front (4 bytes per pixel, in MiB).
    reader.setAllocationLimit(int((MaxFullDecodePixels * 4) >> 20) + 1);
    const QByteArray format = reader.format().toLower();
    if (LooksLikeSvg(format, bytes))
        return DecodeSvg(bytes, error);
    if (format.isEmpty())
        return Fail(error, QStringLiteral("unrecognised image format"));
    if (format == "ico")
        SelectLargestImage(reader, bytes.size());
    const bool scaledWhileDecoding = format == "jpeg" || format == "jpg";
    if (TooLarge(reader.size(), scaledWhileDecoding ? MaxDecodePixels : MaxFullDecodePixels))
        return Fail(error, TooLargeText(reader.size()));
    const QString truncation = TruncationError(format, bytes);
    if (!truncation.isEmpty())
        return Fail(error, truncation);
    const QSize declared = reader.size();
    if (declared.isValid() && FittedSize(declared) != declared)
        reader.setScaledSize(FittedSize(declared));
    QImage image = reader.read();
    if (image.isNull())
        return Fail(error, QStringLiteral("cannot decode %1 image: %2")
                               .arg(QString::fromLatin1(format.toUpper()), reader.errorString()));
    // Converted in place where the formats allow, so a large picture is not held twice.
    return std::move(image).convertToFormat(SurfaceFormat);
}

QImage DecodeFile(const QString& path, QString* error) {
    try {
        return Decode(FileServices::ReadAllBytes(path), error);
    } catch (const RuntimeError& failure) {
        return Fail(error, failure.Description());
    }
}

QByteArray EncodePng(const QImage& image) {
    if (image.isNull() || image.width() == 0 || image.height() == 0)
        return EmptyImageBytes();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // Quality 80 is zlib level 1: a quarter of the default level's time for files about a fifth larger.
    constexpr int FastPngQuality = 80;
    image.save(&buffer, "PNG", FastPngQuality);
    return bytes;
}

QColor ColourFromBgr(std::uint32_t bgr, double opacity) {
    QColor colour(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
    colour.setAlphaF(float(std::clamp(opacity, 0.0, 1.0)));
    return colour;
}

std::uint32_t BgrFromColour(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return std::uint32_t(rgb.red()) | (std::uint32_t(rgb.green()) << 8) | (std::uint32_t(rgb.blue()) << 16);
}

} // namespace Imaging
