#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QString>

// The process-wide list of decoded images by key, shared by the carousel (one decoded image per
// image key, kept across frames and moves) and the token manager (which evicts stale entries).
class ImageList {
public:
    bool Exists(const QString& key) const { return mImages.contains(key); }
    // Decodes the bytes and files the surface under the key (replacing an entry already there).
    // Undecodable bytes file a null image, which draws nothing. Returns whether decoding succeeded.
    bool AddFromBytes(const QString& key, const QByteArray& bytes);
    // Reads a picture file (icon files included) and files it under the key.
    bool AddFromFile(const QString& key, const QString& path);
    void Add(const QString& key, QImage image) { mImages.insert(key, std::move(image)); }
    // The image under the key; a null image when absent.
    QImage Get(const QString& key) const { return mImages.value(key); }
    const QImage* Find(const QString& key) const {
        const auto it = mImages.constFind(key);
        return it == mImages.constEnd() ? nullptr : &*it;
    }
    void Remove(const QString& key) { mImages.remove(key); }
    void Clear() { mImages.clear(); }
    int Count() const { return int(mImages.size()); }

private:
    QHash<QString, QImage> mImages;
};
