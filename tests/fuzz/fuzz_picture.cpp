// Picture bytes as a drop or the image picker hands them over: decoded (PNG, JPEG, BMP, GIF, ICO,
// SVG, within the size limits), drawn onto a token picture and encoded as the PNG that is stored.
#include "FuzzSupport.h"
#include "platform/Imaging.h"

#include <QPainter>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::StartApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSupport::DeliverEvents();
    QString error;
    const QImage image =
        Imaging::Decode(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), &error);
    if (image.isNull() && error.isEmpty())
        qFatal("a picture was refused without a reason");
    if (image.isNull())
        return 0;
    QImage picture = Imaging::NewSurface(196, 196);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(picture.rect(), image);
    painter.end();
    if (Imaging::Decode(Imaging::EncodePng(picture)).size() != picture.size())
        qFatal("the stored picture does not decode again");
    return 0;
}
