#include "ImageList.h"

#include "Imaging.h"

bool ImageList::AddFromBytes(const QString& key, const QByteArray& bytes) {
    QImage image = Imaging::Decode(bytes);
    const bool ok = !image.isNull();
    mImages.insert(key, std::move(image));
    return ok;
}

bool ImageList::AddFromFile(const QString& key, const QString& path) {
    QImage image = Imaging::DecodeFile(path);
    const bool ok = !image.isNull();
    mImages.insert(key, std::move(image));
    return ok;
}
