#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cmath>

class cTokenManager;

// One launch item: caption, command with parameters, description, picture and switches, linked to
// its parent by key. Plain data plus two behaviours: open the command, and compose its image. Only
// the token manager assigns the row number (ID); setters store values unchanged.
class cToken {
public:
    cToken() = default;

    qint32 ID() const { return mID; }
    const QString& Key() const { return mKey; }
    void SetKey(const QString& pKey) { mKey = pKey; }
    const QString& ParentKey() const { return mParentKey; }
    void SetParentKey(const QString& pParentKey) { mParentKey = pParentKey; }
    const QString& Caption() const { return mCaption; }
    void SetCaption(const QString& pCaption) { mCaption = pCaption; }
    const QString& Command() const { return mCommand; }
    void SetCommand(const QString& pCommand) { mCommand = pCommand; }
    const QString& Parameters() const { return mParameters; }
    void SetParameters(const QString& pParameters) { mParameters = pParameters; }
    const QString& Description() const { return mDescription; }
    void SetDescription(const QString& pDescription) { mDescription = pDescription; }
    // Encoded picture bytes; the default (empty) picture draws nothing.
    QByteArray SourceImage() const { return mSourceImage; }
    void SetSourceImage(const QByteArray& pSourceImage) { mSourceImage = pSourceImage; }
    bool Enabled() const { return mEnabled; }
    void SetEnabled(bool pEnabled) { mEnabled = pEnabled; }
    // Percent of the image width taken by the picture; held as a double, read back rounded.
    qint32 IconScale() const { return qint32(std::nearbyint(mIconScale)); }
    void SetIconScale(qint32 pIconScale) { mIconScale = pIconScale; }
    double IconScaleValue() const { return mIconScale; }
    bool HideAfterExecution() const { return mHideAfterExecution; }
    void SetHideAfterExecution(bool pHide) { mHideAfterExecution = pHide; }

    // Opens the command with its parameters and returns the launcher's result code (> 32 is success).
    int ExecuteCommand() const;

    // The composed image of this token at pImageSize; a blank transparent square when composing fails.
    QImage TokenImage(cTokenManager& pTokenManager, int pImageSize) const;

private:
    friend class cTokenManager;
    void SetID(qint32 pID) { mID = pID; }

    qint32 mID = 0;
    QString mKey;
    QString mParentKey = QStringLiteral("ID1");
    QString mCaption = QStringLiteral("New Token");
    QString mCommand;
    QString mParameters;
    QString mDescription;
    QByteArray mSourceImage; // the encoding of a 0 x 0 surface
    double mIconScale = 60;
    bool mEnabled = true;
    bool mHideAfterExecution = false;
};
