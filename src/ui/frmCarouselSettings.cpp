#include "frmCarouselSettings.h"

#include "carousel/cCarousel.h"
#include "desktop/modGeneral.h"
#include "launcher/cfMain.h"
#include "modColourDialog.h"
#include "platform/Imaging.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

using namespace CarouselSettings;

namespace {

// The layout is laid out in twips, 15 to the pixel.
constexpr int TwipsPerPixel = 15;
constexpr int Px(int pTwips) {
    return pTwips / TwipsPerPixel;
}
QRect TwipsRect(int pLeft, int pTop, int pWidth, int pHeight) {
    return QRect(Px(pLeft), Px(pTop), Px(pWidth), Px(pHeight));
}

constexpr std::uint32_t WindowColour = 0xE8E8E8;
constexpr std::uint32_t InfoColour = 0x800000;          // dark blue
constexpr std::uint32_t RegeneratingColour = 0x0000FF;  // red
constexpr std::uint32_t InfoColourAfterWork = 0xFF0000; // blue
// A slider's label sits directly above it and may reach a little past its right end.
constexpr int CaptionHeight = 240;
constexpr int CaptionWidth = SliderWidth + 120;
constexpr int RightColumnLeft = 2400;

void SetTextColour(QWidget* pWidget, std::uint32_t pColour) {
    QPalette palette = pWidget->palette();
    palette.setColor(QPalette::WindowText, Imaging::ColourFromBgr(pColour));
    pWidget->setPalette(palette);
}

} // namespace

frmCarouselSettings::frmCarouselSettings(const SettingsOwners& pOwners, clsDatabase& pDatabase,
                                         QWidget* parent)
    : QWidget(parent, Qt::Window), mOwners(pOwners), mDatabase(pDatabase) {
    setObjectName(QStringLiteral("frmCarouselSettings"));
    setWindowTitle(QStringLiteral("Settings"));
    setFixedSize(Px(4575), Px(7845));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Imaging::ColourFromBgr(WindowColour));
    setPalette(palette);
    setAutoFillBackground(true);
    // The layout is in pixels, so is the text size.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    // Mouse moves over the background empty the explanation.
    setMouseTracking(true);

    CreateSliders();
    CreateSwatches();
    CreateCheckBoxes();
    CreateInfoAndClose();
    SetKeyboardOrder();
    connect(&mOwners.Tokens, &cTokenManager::ImagesComposed, this, &frmCarouselSettings::RegenerationDone);
    Load();
}

frmCarouselSettings::~frmCarouselSettings() = default;

// ---- Controls ---------------------------------------------------------------------------------

void frmCarouselSettings::CreateSliders() {
    for (int i = 0; i < SliderCount; ++i) {
        const Slider& row = RowOfSlider(i).SliderRow;
        auto* slider = new QScrollBar(Qt::Horizontal, this);
        slider->setObjectName(QStringLiteral("HScrollSetting%1").arg(i));
        slider->setGeometry(TwipsRect(row.Left, row.Top, SliderWidth, SliderHeight));
        slider->setRange(row.Minimum, row.Maximum);
        slider->setSingleStep(row.SmallStep);
        slider->setPageStep(row.LargeStep);
        slider->setValue(row.DesignValue);
        // A change counts when the thumb is let go, not for every pixel of a drag (a new token size
        // redraws every token image).
        slider->setTracking(false);
        // As on a slider: Right, Page Up and the wheel turned up all raise the value (a scroll bar
        // turns them round, since it follows the page it scrolls).
        slider->setInvertedControls(false);
        connect(slider, &QScrollBar::valueChanged, this, [this, i](int value) { UpdateSetting(i, value); });
        HScrollSetting[i] = slider;

        auto* caption = new QLabel(QString::fromLatin1(row.DesignCaption), this);
        caption->setObjectName(QStringLiteral("lblCaption%1").arg(i));
        // A caption of the left column may run on into the gap before the right column ("Orbit Image
        // Opacity: 100%" needs it); one of the right column stops at its slider's end.
        const int captionWidth = row.Left < RightColumnLeft ? RightColumnLeft - row.Left - 15 : CaptionWidth;
        caption->setGeometry(TwipsRect(row.Left, row.Top - CaptionHeight, captionWidth, CaptionHeight));
        caption->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
        Explain(caption, QString::fromLatin1(row.Explanation));
        lblCaption[i] = caption;
    }
}

void frmCarouselSettings::CreateSwatches() {
    lblTintColour =
        CreateSwatch(QStringLiteral("lblTintColour"), QStringLiteral("Token Tint Colour"), 120, 3840);
    lblTokenFillColour =
        CreateSwatch(QStringLiteral("lblTokenFillColour"), QStringLiteral("Token Fill colour"), 120, 4440);
    lblCaptionColour =
        CreateSwatch(QStringLiteral("lblCaptionColour"), QStringLiteral("Caption Colour"), 120, 5040);
    lblCaptionOutlineColour = CreateSwatch(QStringLiteral("lblCaptionOutlineColour"),
                                           QStringLiteral("Caption Outline Colour"), 2400, 5040);
    mSwatchSettings = {{lblTintColour, TintColour},
                       {lblTokenFillColour, TokenFillColour},
                       {lblCaptionColour, CaptionColour},
                       {lblCaptionOutlineColour, CaptionOutlineColour}};
    Explain(lblTintColour,
            QStringLiteral("Sets a colour to apply as a 'tint' to the tokens. Doesn't apply to "
                           "the 'active' token."));
    Explain(lblTokenFillColour,
            QStringLiteral("Sets the colour that will be used as a background for the token icons."));
    Explain(lblCaptionColour, QStringLiteral("Sets the colour that will be used for token captions, headers "
                                             "and descriptions."));
    Explain(lblCaptionOutlineColour, QStringLiteral("Sets the colour that will outline the text on token "
                                                    "captions, headers and descriptions."));
}

QLabel* frmCarouselSettings::CreateSwatch(const QString& pName, const QString& pCaption, int pLeft,
                                          int pTop) {
    auto* swatch = new QLabel(pCaption, this);
    swatch->setObjectName(pName);
    swatch->setGeometry(TwipsRect(pLeft, pTop, SliderWidth, 375));
    swatch->setAlignment(Qt::AlignCenter);
    swatch->setFrameShape(QFrame::Box);
    swatch->setAutoFillBackground(true);
    swatch->setCursor(Qt::PointingHandCursor);
    SetSwatchColour(swatch, 0);
    return swatch;
}

void frmCarouselSettings::CreateCheckBoxes() {
    chkOverflowZoom = CreateCheckBox(QStringLiteral("chkOverflowZoom"),
                                     QStringLiteral("Zoom Overflowing Tokens In and Out"), 120, 5580, 4335);
    chkOverflowFade = CreateCheckBox(QStringLiteral("chkOverflowFade"),
                                     QStringLiteral("Fade Overflowing Tokens In and Out"), 120, 5850, 4335);
    chkShowBackground = CreateCheckBox(QStringLiteral("chkShowBackground"), QStringLiteral("Show Background"),
                                       2400, 6120, 2040);
    chkEnableSound =
        CreateCheckBox(QStringLiteral("chkEnableSound"), QStringLiteral("Enable Sounds"), 120, 6120, 4335);
    chkOverflowZoom->setChecked(true);
    chkOverflowFade->setChecked(true);
    chkEnableSound->setChecked(true);
    Explain(chkEnableSound,
            QStringLiteral("Play sound effects for movement, button presses and transitions"));
    Explain(chkOverflowFade, QStringLiteral("Sets whether or not 'overflowing' is illustrated by fading "
                                            "surplus tokens in and out, in cases where the carousel's "
                                            "capacity is exceeded"));
    Explain(chkOverflowZoom, QStringLiteral("Sets whether or not 'overflowing' is illustrated by zooming "
                                            "surplus tokens in and out, in cases where the carousel's "
                                            "capacity is exceeded"));

    const QList<std::pair<QCheckBox*, int>> switches{
        {chkEnableSound, SoundEnabled}, {chkOverflowFade, OverflowFade}, {chkOverflowZoom, OverflowZoom}};
    for (const auto& [box, setting] : switches)
        connect(box, &QCheckBox::toggled, this,
                [this, setting = setting](bool checked) { SwitchClicked(setting, checked); });
    connect(chkShowBackground, &QCheckBox::toggled, this, &frmCarouselSettings::ShowBackgroundClicked);
}

QCheckBox* frmCarouselSettings::CreateCheckBox(const QString& pName, const QString& pCaption, int pLeft,
                                               int pTop, int pMaxWidth) {
    auto* box = new QCheckBox(pCaption, this);
    box->setObjectName(pName);
    // As wide as its text, so that the mouse over the empty space beside it is over the window.
    const QRect room = TwipsRect(pLeft, pTop, pMaxWidth, 255);
    box->setGeometry(room.adjusted(0, 0, std::min(box->sizeHint().width(), room.width()) - room.width(), 0));
    return box;
}

void frmCarouselSettings::CreateInfoAndClose() {
    fraInfo = new QFrame(this);
    fraInfo->setObjectName(QStringLiteral("fraInfo"));
    fraInfo->setFrameShape(QFrame::StyledPanel);
    fraInfo->setGeometry(TwipsRect(120, 6420, 4335, 855));
    lblInfo = new QLabel(fraInfo);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    lblInfo->setGeometry(fraInfo->rect().adjusted(4, 2, -4, -2));
    lblInfo->setWordWrap(true);
    lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SetTextColour(lblInfo, InfoColour);

    cmdClose = new QPushButton(QStringLiteral("DONE"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(TwipsRect(120, 7380, 4335, 360));
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
}

// The sliders take the keyboard focus (arrows: a small step, Page Up and Page Down: a large one,
// Home and End: the ends), and Tab visits the controls in reading order, row by row, left column
// first, from the top left slider.
void frmCarouselSettings::SetKeyboardOrder() {
    std::array<int, SliderCount> order{};
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [](int a, int b) {
        const Slider &left = RowOfSlider(a).SliderRow, &right = RowOfSlider(b).SliderRow;
        return std::pair(left.Top, left.Left) < std::pair(right.Top, right.Left);
    });
    QList<QWidget*> chain;
    for (int i : order) {
        HScrollSetting[i]->setFocusPolicy(Qt::StrongFocus);
        HScrollSetting[i]->installEventFilter(this);
        chain << HScrollSetting[i];
    }
    chain << chkOverflowZoom << chkOverflowFade << chkEnableSound << chkShowBackground << cmdClose;
    for (int i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
    chain.first()->setFocus();
}

void frmCarouselSettings::MarkFocusedSlider(QObject* pSlider, bool pFocused) {
    const auto slider = std::find(HScrollSetting.cbegin(), HScrollSetting.cend(), pSlider);
    if (slider == HScrollSetting.cend())
        return;
    // The style draws no focus on a scroll bar; its label shows which one the keys move.
    QLabel* caption = lblCaption[std::size_t(slider - HScrollSetting.cbegin())];
    QFont font = caption->font();
    font.setUnderline(pFocused);
    caption->setFont(font);
}

void frmCarouselSettings::Explain(QWidget* pControl, const QString& pExplanation) {
    mExplanations.insert(pControl, pExplanation);
    pControl->setMouseTracking(true);
    pControl->installEventFilter(this);
}

// ---- Loading ----------------------------------------------------------------------------------

void frmCarouselSettings::Load() {
    mReady = false;
    // Topmost before placing: changing the window's flags sets its geometry again.
    MakeTopmost(this);
    PlaceNearScreenCorner();
    mShown = Live(mOwners);
    // Every slider shows its live value (a value outside the slider's range is brought to its
    // nearest end), then every slider's setting is applied once so that live values and labels agree.
    for (int i = 0; i < SliderCount; ++i) {
        const QSignalBlocker blocker(HScrollSetting[i]);
        HScrollSetting[i]->setValue(SliderValue(RowOfSlider(i), mShown[&RowOfSlider(i) - Table().data()]));
    }
    for (int i = 0; i < SliderCount; ++i)
        UpdateSetting(i, HScrollSetting[i]->value());
    chkOverflowFade->setChecked(mShown[OverflowFade] != 0);
    chkOverflowZoom->setChecked(mShown[OverflowZoom] != 0);
    chkEnableSound->setChecked(mShown[SoundEnabled] != 0);
    for (auto swatch = mSwatchSettings.cbegin(); swatch != mSwatchSettings.cend(); ++swatch)
        SetSwatchColour(const_cast<QLabel*>(swatch.key()), std::uint32_t(mShown[swatch.value()]));
    mReady = true;
}

void frmCarouselSettings::PlaceNearScreenCorner() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint corner = screen ? screen->availableGeometry().topLeft() : QPoint();
    move(corner + QPoint(20, 20));
}

// ---- Applying settings ------------------------------------------------------------------------

void frmCarouselSettings::UpdateSetting(int pSliderIndex, int pValue) {
    const Row& row = RowOfSlider(pSliderIndex);
    const int setting = int(&row - Table().data());
    mShown[setting] = ValueOfSlider(row, pValue);
    row.Apply(mOwners, mShown);
    lblCaption[pSliderIndex]->setText(LabelText(row, pValue));
    if (mReady)
        RedrawAfter(row.After);
}

void frmCarouselSettings::ApplyShown(int pSetting) {
    const Row& row = Table()[pSetting];
    row.Apply(mOwners, mShown);
    if (mReady)
        RedrawAfter(row.After);
}

void frmCarouselSettings::RedrawAfter(Redraw pRedraw) {
    if (pRedraw == Redraw::Nothing)
        return;
    if (pRedraw == Redraw::TokenImages || pRedraw == Redraw::TokensAndTitle)
        RegenerateTokens();
    if (pRedraw == Redraw::TokensAndTitle)
        if (cwCarousel* widget = mOwners.Window.CarouselWidget())
            widget->CreateTitleBuffer();
    mOwners.Carousel.Build(QString());
}

// The token images are composed again in the background, the level on show's first; the notice
// stays until the last one has arrived, while the carousel and this window go on answering.
void frmCarouselSettings::RegenerateTokens() {
    ShowInfo(QStringLiteral("Regenerating Tokens..."), RegeneratingColour);
    lblInfo->repaint();
    mRegenerating = true;
    mOwners.Tokens.RebuildImageCache(true);
    if (mOwners.Tokens.PendingImages() == 0)
        RegenerationDone();
}

void frmCarouselSettings::RegenerationDone() {
    if (!mRegenerating)
        return;
    mRegenerating = false;
    ShowInfo(QString(), InfoColourAfterWork);
}

void frmCarouselSettings::ShowInfo(const QString& pText, std::uint32_t pColour) {
    SetTextColour(lblInfo, pColour);
    lblInfo->setText(pText);
}

// ---- Swatches and check boxes -----------------------------------------------------------------

void frmCarouselSettings::SwatchClicked(QLabel* pSwatch) {
    const int setting = mSwatchSettings.value(pSwatch);
    const qint32 chosen = ChooseColour(this, true, qint32(mShown[setting]));
    if (chosen == -1)
        return;
    const auto colour = std::uint32_t(chosen);
    SetSwatchColour(pSwatch, colour);
    mShown[setting] = colour;
    // The chooser is gone and the swatch shows its colour before the tokens are redrawn; clicks and
    // keys wait, so nothing re-enters this window or a carousel move meanwhile.
    if (Table()[setting].After != Redraw::Carousel)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    ApplyShown(setting);
}

void frmCarouselSettings::SetSwatchColour(QLabel* pSwatch, std::uint32_t pColour) {
    const QColor colour = Imaging::ColourFromBgr(pColour);
    QPalette palette = pSwatch->palette();
    palette.setColor(QPalette::Window, colour);
    // The caption stays readable on dark and light swatches alike.
    const double luminance = 0.299 * colour.redF() + 0.587 * colour.greenF() + 0.114 * colour.blueF();
    palette.setColor(QPalette::WindowText, luminance < 0.55 ? Qt::white : Qt::black);
    pSwatch->setPalette(palette);
}

void frmCarouselSettings::SwitchClicked(int pSetting, bool pChecked) {
    mShown[pSetting] = pChecked ? 1 : 0;
    // The sound switch follows at once; the overflow effects once the window is loaded.
    if (mReady || pSetting == SoundEnabled)
        ApplyShown(pSetting);
}

void frmCarouselSettings::ShowBackgroundClicked(bool pChecked) {
    if (cwCarousel* widget = mOwners.Window.CarouselWidget())
        widget->SetShowBackground(pChecked);
    mOwners.Carousel.Build(QString());
}

// ---- Events -----------------------------------------------------------------------------------

bool frmCarouselSettings::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::FocusIn || pEvent->type() == QEvent::FocusOut)
        MarkFocusedSlider(pWatched, pEvent->type() == QEvent::FocusIn);
    if (pEvent->type() == QEvent::MouseMove) {
        const auto explanation = mExplanations.constFind(pWatched);
        if (explanation != mExplanations.constEnd() && !mRegenerating)
            lblInfo->setText(*explanation);
    }
    if (pEvent->type() == QEvent::MouseButtonRelease) {
        auto* swatch = qobject_cast<QLabel*>(pWatched);
        const auto* mouse = static_cast<QMouseEvent*>(pEvent);
        if (swatch && mSwatchSettings.contains(swatch) && mouse->button() == Qt::LeftButton &&
            swatch->rect().contains(mouse->position().toPoint())) {
            SwatchClicked(swatch);
            return true;
        }
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

void frmCarouselSettings::mouseMoveEvent(QMouseEvent* pEvent) {
    // Moves that reach the window from a control beneath the mouse leave the explanation alone.
    if (!childAt(pEvent->position().toPoint()) && !mRegenerating)
        lblInfo->clear();
    QWidget::mouseMoveEvent(pEvent);
}

void frmCarouselSettings::closeEvent(QCloseEvent* pEvent) {
    mDatabase.SaveSettings(ToStored(LiveSettings()));
    QWidget::closeEvent(pEvent);
}

CarouselSettingsValues frmCarouselSettings::LiveSettings() const {
    return Live(mOwners);
}
