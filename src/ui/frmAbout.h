#pragma once

#include <QDialog>
#include <QImage>

class QPushButton;
class cTokenManager;

// The About window: the application's name, its version, an OK button and the root token's picture
// flattened onto the window's background at (20, 45); the window sizes itself to the picture.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    // Builds the window around the root token's picture.
    explicit frmAbout(const cTokenManager& pTokens, QWidget* parent = nullptr);
    // Builds the window around a given picture (the root token's, decoded); null shows no picture.
    frmAbout(const QImage& pPicture, QWidget* parent);

    QPushButton* cmdOK() const { return mOK; }
    static QString VersionText();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void build(const QImage& pPicture);
    QImage mFlattened;
    QPushButton* mOK = nullptr;
};
