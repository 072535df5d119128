#pragma once

#include "store/CarouselSettings.h"

#include <QHash>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

class cCarousel;
class cTokenManager;
class clsDatabase;
class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QScrollBar;

// What the settings window changes beyond the carousel and the token manager: the main window's
// render scale and background, and the controller's sound switch.
struct CarouselSettingsLinks {
    std::function<double()> RenderScale;
    std::function<void(double)> SetRenderScale;
    // true: the carousel window paints an opaque background in the window colour (for desktops
    // without a compositor); false: the window is transparent around the carousel.
    std::function<void(bool)> ShowBackground;
    std::function<bool()> SoundEnabled;
    std::function<void(bool)> EnableSound;
    // The caption colours changed: the carousel window draws its title again (optional).
    std::function<void()> CaptionColoursChanged;
};

// The "Settings" window: fourteen sliders, four colour swatches and four check boxes that change the
// look of the carousel while the user watches it. Every change goes straight to the live objects and
// the carousel is rebuilt; the settings row of the database is written only when the window closes
// (its "DONE" button, its close box or the program's shut-down).
class frmCarouselSettings : public QWidget {
    Q_OBJECT
public:
    frmCarouselSettings(cCarousel& pCarousel, cTokenManager& pTokenManager, clsDatabase& pDatabase,
                        CarouselSettingsLinks pLinks, QWidget* parent = nullptr);
    ~frmCarouselSettings() override;

    // The 21 settings as they are live now: what closing the window stores.
    CarouselSettingsValues LiveSettings() const;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void CreateSliders();
    void CreateSwatches();
    void CreateCheckBoxes();
    void CreateInfoAndClose();
    QLabel* CreateSwatch(const QString& pName, const QString& pCaption, int pLeft, int pTop);
    QCheckBox* CreateCheckBox(const QString& pName, const QString& pCaption, int pLeft, int pTop,
                              int pMaxWidth);
    void SetKeyboardOrder();
    void MarkFocusedSlider(QObject* pSlider, bool pFocused);
    void Explain(QWidget* pControl, const QString& pExplanation);

    void Load();
    void PlaceNearScreenCorner();
    int LiveSliderValue(int pIndex) const;
    void UpdateSetting(int pIndex, int pValue);
    void ApplySetting(int pIndex, int pValue);
    void RegenerateTokens();
    void ShowInfo(const QString& pText, std::uint32_t pColour);

    void SwatchClicked(QLabel* pSwatch);
    void SetSwatchColour(QLabel* pSwatch, std::uint32_t pColour);
    std::uint32_t SwatchColour(const QLabel* pSwatch) const;
    void OverflowClicked();
    void ShowBackgroundClicked(bool pChecked);

    cCarousel& mCarousel;
    cTokenManager& mTokenManager;
    clsDatabase& mDatabase;
    CarouselSettingsLinks mLinks;
    // false while the controls are being filled from the live objects: nothing is rebuilt then.
    bool mReady = false;

    std::array<QScrollBar*, 14> HScrollSetting{};
    std::array<QLabel*, 14> lblCaption{};
    QLabel* lblTintColour = nullptr;
    QLabel* lblTokenFillColour = nullptr;
    QLabel* lblCaptionColour = nullptr;
    QLabel* lblCaptionOutlineColour = nullptr;
    QCheckBox* chkOverflowZoom = nullptr;
    QCheckBox* chkOverflowFade = nullptr;
    QCheckBox* chkShowBackground = nullptr;
    QCheckBox* chkEnableSound = nullptr;
    QFrame* fraInfo = nullptr;
    QLabel* lblInfo = nullptr;
    QPushButton* cmdClose = nullptr;

    QHash<const QObject*, QString> mExplanations;
    QHash<const QLabel*, std::uint32_t> mSwatchColours;
};

// Opens the program's one settings window over the running controller's carousel, token manager,
// database, main window and sound switch, or brings it to the front when it is open already. The
// window is deleted when it closes.
frmCarouselSettings* ShowCarouselSettings();
