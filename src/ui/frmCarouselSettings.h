#pragma once

#include "CarouselSettingsTable.h"

#include <QHash>
#include <QWidget>
#include <array>
#include <cstdint>

class clsDatabase;
class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QScrollBar;

// The "Settings" window: fourteen sliders, four colour swatches and four check boxes that change the
// look of the carousel while the user watches it. Every change goes straight to the live objects and
// the carousel is rebuilt; the settings row of the database is written only when the window closes
// (its "DONE" button, its close box or the program's shut-down).
class frmCarouselSettings : public QWidget {
    Q_OBJECT
public:
    // pOwners hold the live settings; pDatabase stores them when the window closes.
    frmCarouselSettings(const SettingsOwners& pOwners, clsDatabase& pDatabase, QWidget* parent = nullptr);
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
    // A slider moved: its setting takes the slider's value, and its label follows.
    void UpdateSetting(int pSliderIndex, int pValue);
    // Applies the shown value of one setting to its owner and redraws what it changes.
    void ApplyShown(int pSetting);
    void RedrawAfter(CarouselSettings::Redraw pRedraw);
    void RegenerateTokens();
    // Every token image of the new look has arrived: the notice goes.
    void RegenerationDone();
    void ShowInfo(const QString& pText, std::uint32_t pColour);

    void SwatchClicked(QLabel* pSwatch);
    void SetSwatchColour(QLabel* pSwatch, std::uint32_t pColour);
    void SwitchClicked(int pSetting, bool pChecked);
    void ShowBackgroundClicked(bool pChecked);

    SettingsOwners mOwners;
    clsDatabase& mDatabase;
    // The values the controls show, which are the ones applied.
    CarouselSettingsValues mShown;
    // false while the controls are being filled from the live objects: nothing is rebuilt then.
    bool mReady = false;
    // true from a change of look until its last token image has arrived; lblInfo keeps the notice.
    bool mRegenerating = false;

    std::array<QScrollBar*, CarouselSettings::SliderCount> HScrollSetting{};
    std::array<QLabel*, CarouselSettings::SliderCount> lblCaption{};
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
    // The setting each colour swatch shows.
    QHash<const QLabel*, int> mSwatchSettings;
};
