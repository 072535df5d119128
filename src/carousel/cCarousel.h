#pragma once

#include "platform/KeyedCollection.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class ImageList;

// Encoded images (PNG bytes, possibly empty) by image key: the token manager's current images,
// which the carousel shows in position order.
using ImageCollection = KeyedCollection<QByteArray>;

// Drawing state of one slot of the orbit.
struct CarouselSlot {
    QString Key;
    double Left = 0, Top = 0, Width = 0, Height = 0;
    double Opacity = 1, Tint = 0, Darken = 0;
    bool Visible = false;
};

// The rotating carousel: the images to show, the look-and-feel settings and the front index. A move
// composes every intermediate frame synchronously, raising Refreshed for each and MoveComplete at
// the end. Knows nothing of windows or tokens: only image keys, indices and images.
class cCarousel : public QObject {
    Q_OBJECT
public:
    explicit cCarousel(ImageList& sharedImages, QObject* parent = nullptr);
    ~cCarousel() override;

    void SetOrbitImageBytes(const QByteArray& pBytes);
    void SetOrbitImageSurface(const QImage& pSurface);
    void SetOrbitImageOpacity(double pOpacityPercent);
    void SetConstrainToUsedCapacity(bool pConstrain);
    void SetTintEffects(quint32 pColour, double pTintPercent, double pDepthDarkenPercent);
    void SetUnusedCapacityImage(const QByteArray& pBytes);
    void SetMissingImage(const QByteArray& pBytes);
    int ImageCount() const;
    int CurrentIndex() const;
    void SetForeItemScale(double pScalePercent);
    void SetTilt(double pTilt);
    void SetWidth(int pWidth);
    void SetRearItemScale(double pScalePercent);
    void SetImageSize(int pImageW, int pImageH);
    void SetImages(std::shared_ptr<ImageCollection> pImages);
    void Build(const QString& pImageKey);
    void Refresh();
    void SetOverflowEffects(bool pFadeInOut, bool pZoomInOut);
    void SetReflectionEffects(double pStrengthPercent, double pStretchPercent);
    void SetMoveIncrements(int pIncrements);
    void SetCapacity(int pCapacity);
    void MoveToKey(const QString& pKey, int pDirection);
    void MoveToIndex(int pIndex, int pDirection);
    void MoveRelative(int pMoveCount);

    double OrbitImageOpacity() const;
    quint32 TintColour() const;
    double TintStrength() const;
    double DepthDarkenPercent() const;
    int ImageSize() const;
    int Capacity() const;
    double ForeItemScale() const;
    double RearItemScale() const;
    int MoveIncrements() const;
    int Width() const;
    double Tilt() const;
    double ReflectionStrength() const;
    double ReflectionStretch() const;
    bool OverflowFade() const;
    bool OverflowZoom() const;
    // The scaled orbit image; a null image before the first Build or orbit image.
    QImage& OrbitBuffer();

signals:
    void Refreshed(const QImage& Surface, double CurrentIndex, const QString& ImageKey, double MoveProgress,
                   int TotalMoves);
    void MoveComplete(int MoveCount);

    // The private state and the composition routines are added with the implementation.
};
