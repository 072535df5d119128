#include "frmCarouselSettings.h"

#include "CarouselSettingsRows.h"
#include "app/modGeneral.h"
#include "carousel/cCarousel.h"
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

using namespace CarouselSettingsRows;

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

// A live double as a slider position: rounded half to even, kept well inside int.
int Rounded(double pValue) {
    return int(std::nearbyint(std::clamp(pValue, -1e9, 1e9)));
}

void SetTextColour(QWidget* pWidget, std::uint32_t pColour) {
    QPalette palette = pWidget->palette();
    palette.setColor(QPalette::WindowText, Imaging::ColourFromBgr(pColour));
    pWidget->setPalette(palette);
}

} // namespace

frmCarouselSettings::frmCarouselSettings(cCarousel& pCarousel, cTokenManager& pTokenManager,
                                         clsDatabase& pDatabase, CarouselSettingsLinks pLinks,
                                         QWidget* parent)
    : QWidget(parent, Qt::Window), mCarousel(pCarousel), mTokenManager(pTokenManager), mDatabase(pDatabase),
      mLinks(std::move(pLinks)) {
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
    Load();
}

frmCarouselSettings::~frmCarouselSettings() = default;

// ---- Controls ---------------------------------------------------------------------------------

void frmCarouselSettings::CreateSliders() {
    for (int i = 0; i < RowCount; ++i) {
        const SliderRow& row = Rows()[i];
        auto* slider = new QScrollBar(Qt::Horizontal, this);
        slider->setObjectName(QStringLiteral("HScrollSetting%1").arg(i));
        slider->setGeometry(TwipsRect(row.left, row.top, SliderWidth, SliderHeight));
        slider->setRange(row.minimum, row.maximum);
        slider->setSingleStep(row.smallStep);
        slider->setPageStep(row.largeStep);
        slider->setValue(row.designValue);
        // A change counts when the thumb is let go, not for every pixel of a drag (a new token size
        // redraws every token image).
        slider->setTracking(false);
        // As on a slider: Right, Page Up and the wheel turned up all raise the value (a scroll bar
        // turns them round, since it follows the page it scrolls).
        slider->setInvertedControls(false);
        connect(slider, &QScrollBar::valueChanged, this, [this, i](int value) { UpdateSetting(i, value); });
        HScrollSetting[i] = slider;

        auto* caption = new QLabel(QString::fromLatin1(row.designCaption), this);
        caption->setObjectName(QStringLiteral("lblCaption%1").arg(i));
        // A caption of the left column may run on into the gap before the right column ("Orbit Image
        // Opacity: 100%" needs it); one of the right column stops at its slider's end.
        const int captionWidth = row.left < RightColumnLeft ? RightColumnLeft - row.left - 15 : CaptionWidth;
        caption->setGeometry(TwipsRect(row.left, row.top - CaptionHeight, captionWidth, CaptionHeight));
        caption->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
        Explain(caption, QString::fromLatin1(row.explanation));
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

    connect(chkEnableSound, &QCheckBox::toggled, this, [this](bool checked) { mLinks.EnableSound(checked); });
    connect(chkOverflowFade, &QCheckBox::toggled, this, &frmCarouselSettings::OverflowClicked);
    connect(chkOverflowZoom, &QCheckBox::toggled, this, &frmCarouselSettings::OverflowClicked);
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
    std::array<int, RowCount> order{};
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [](int a, int b) {
        return std::pair(Rows()[a].top, Rows()[a].left) < std::pair(Rows()[b].top, Rows()[b].left);
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
    // The tint swatch first: the darkening and tint sliders hand its colour to the carousel.
    SetSwatchColour(lblTintColour, mCarousel.TintColour());
    // Every slider shows its live value (a value outside the slider's range is brought to its
    // nearest end), then every row is applied once so that live values and labels agree.
    for (int i = 0; i < RowCount; ++i) {
        const QSignalBlocker blocker(HScrollSetting[i]);
        HScrollSetting[i]->setValue(LiveSliderValue(i));
    }
    for (int i = 0; i < RowCount; ++i)
        UpdateSetting(i, HScrollSetting[i]->value());
    chkOverflowFade->setChecked(mCarousel.OverflowFade());
    chkOverflowZoom->setChecked(mCarousel.OverflowZoom());
    chkEnableSound->setChecked(mLinks.SoundEnabled());
    SetSwatchColour(lblTokenFillColour, mTokenManager.FillColour());
    SetSwatchColour(lblCaptionColour, mTokenManager.TextColour());
    SetSwatchColour(lblCaptionOutlineColour, mTokenManager.TextOutlineColour());
    mReady = true;
}

void frmCarouselSettings::PlaceNearScreenCorner() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint corner = screen ? screen->availableGeometry().topLeft() : QPoint();
    move(corner + QPoint(20, 20));
}

int frmCarouselSettings::LiveSliderValue(int pIndex) const {
    switch (pIndex) {
    case Capacity:
        return mCarousel.Capacity() / 2;
    case AnimationSteps:
        return mCarousel.MoveIncrements();
    case Width:
        return mCarousel.Width();
    case Tilt:
        return Rounded(mCarousel.Tilt());
    case ForeScale:
        return Rounded(mCarousel.ForeItemScale());
    case RearScale:
        return Rounded(mCarousel.RearItemScale());
    case ReflectionStretch:
        return Rounded(mCarousel.ReflectionStretch());
    case ReflectionStrength:
        return Rounded(mCarousel.ReflectionStrength());
    case DepthDarkening:
        return Rounded(mCarousel.DepthDarkenPercent());
    case TintStrength:
        return Rounded(mCarousel.TintStrength());
    case TokenSize:
        return mCarousel.ImageSize();
    case OrbitImageOpacity:
        return Rounded(mCarousel.OrbitImageOpacity());
    case FillOpacity:
        return Rounded(mTokenManager.FillOpacity() * 100);
    case RenderScale:
        return Rounded(mLinks.RenderScale() * 100);
    }
    return Rows().at(pIndex).designValue;
}

// ---- Applying settings ------------------------------------------------------------------------

void frmCarouselSettings::UpdateSetting(int pIndex, int pValue) {
    ApplySetting(pIndex, pValue);
    lblCaption[pIndex]->setText(LabelText(pIndex, pValue));
    if (mReady)
        mCarousel.Build(QString());
}

void frmCarouselSettings::ApplySetting(int pIndex, int pValue) {
    const double value = pValue;
    auto slider = [this](int index) { return double(HScrollSetting[index]->value()); };
    switch (pIndex) {
    case Capacity:
        mCarousel.SetCapacity(2 * pValue + 1);
        break;
    case AnimationSteps:
        mCarousel.SetMoveIncrements(pValue);
        break;
    case Width:
        mCarousel.SetWidth(pValue);
        break;
    case Tilt:
        mCarousel.SetTilt(value);
        break;
    case ForeScale:
        mCarousel.SetForeItemScale(value);
        break;
    case RearScale:
        mCarousel.SetRearItemScale(value);
        break;
    case ReflectionStretch:
        mCarousel.SetReflectionEffects(slider(ReflectionStrength), value);
        break;
    case ReflectionStrength:
        mCarousel.SetReflectionEffects(value, slider(ReflectionStretch));
        break;
    case DepthDarkening:
        mCarousel.SetTintEffects(SwatchColour(lblTintColour), slider(TintStrength), value);
        break;
    case TintStrength:
        mCarousel.SetTintEffects(SwatchColour(lblTintColour), value, slider(DepthDarkening));
        break;
    case TokenSize:
        mCarousel.SetImageSize(pValue, pValue);
        if (mReady)
            RegenerateTokens();
        break;
    case OrbitImageOpacity:
        mCarousel.SetOrbitImageOpacity(value);
        break;
    case FillOpacity:
        mTokenManager.SetFillOpacity(value * 0.01);
        if (mReady)
            RegenerateTokens();
        break;
    case RenderScale:
        mLinks.SetRenderScale(value * 0.01);
        break;
    }
}

void frmCarouselSettings::RegenerateTokens() {
    // The rebuild blocks the thread, so the notice is painted before it starts.
    ShowInfo(QStringLiteral("Regenerating Tokens..."), RegeneratingColour);
    lblInfo->repaint();
    mTokenManager.RebuildImageCache(true);
    ShowInfo(QString(), InfoColourAfterWork);
}

void frmCarouselSettings::ShowInfo(const QString& pText, std::uint32_t pColour) {
    SetTextColour(lblInfo, pColour);
    lblInfo->setText(pText);
}

// ---- Swatches and check boxes -----------------------------------------------------------------

void frmCarouselSettings::SwatchClicked(QLabel* pSwatch) {
    const qint32 chosen = ChooseColour(this, true, qint32(SwatchColour(pSwatch)));
    if (chosen == -1)
        return;
    const auto colour = std::uint32_t(chosen);
    SetSwatchColour(pSwatch, colour);
    if (pSwatch == lblTintColour) {
        UpdateSetting(DepthDarkening, HScrollSetting[DepthDarkening]->value());
        return;
    }
    // The chooser is gone and the swatch shows its colour before the tokens are redrawn; clicks and
    // keys wait, so nothing re-enters this window or a carousel move meanwhile.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (pSwatch == lblTokenFillColour)
        mTokenManager.SetFillColour(colour);
    else if (pSwatch == lblCaptionColour)
        mTokenManager.SetTextColour(colour);
    else
        mTokenManager.SetTextOutlineColour(colour);
    if (mReady) {
        RegenerateTokens();
        if (pSwatch != lblTokenFillColour && mLinks.CaptionColoursChanged)
            mLinks.CaptionColoursChanged();
        mCarousel.Build(QString());
    }
}

void frmCarouselSettings::SetSwatchColour(QLabel* pSwatch, std::uint32_t pColour) {
    mSwatchColours.insert(pSwatch, pColour);
    const QColor colour = Imaging::ColourFromBgr(pColour);
    QPalette palette = pSwatch->palette();
    palette.setColor(QPalette::Window, colour);
    // The caption stays readable on dark and light swatches alike.
    const double luminance = 0.299 * colour.redF() + 0.587 * colour.greenF() + 0.114 * colour.blueF();
    palette.setColor(QPalette::WindowText, luminance < 0.55 ? Qt::white : Qt::black);
    pSwatch->setPalette(palette);
}

std::uint32_t frmCarouselSettings::SwatchColour(const QLabel* pSwatch) const {
    return mSwatchColours.value(pSwatch, 0);
}

void frmCarouselSettings::OverflowClicked() {
    // No rebuild: the next move shows the effect.
    if (mReady)
        mCarousel.SetOverflowEffects(chkOverflowFade->isChecked(), chkOverflowZoom->isChecked());
}

void frmCarouselSettings::ShowBackgroundClicked(bool pChecked) {
    mLinks.ShowBackground(pChecked);
    mCarousel.Build(QString());
}

// ---- Events -----------------------------------------------------------------------------------

bool frmCarouselSettings::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::FocusIn || pEvent->type() == QEvent::FocusOut)
        MarkFocusedSlider(pWatched, pEvent->type() == QEvent::FocusIn);
    if (pEvent->type() == QEvent::MouseMove) {
        const auto explanation = mExplanations.constFind(pWatched);
        if (explanation != mExplanations.constEnd())
            lblInfo->setText(*explanation);
    }
    if (pEvent->type() == QEvent::MouseButtonRelease) {
        auto* swatch = qobject_cast<QLabel*>(pWatched);
        const auto* mouse = static_cast<QMouseEvent*>(pEvent);
        if (swatch && mSwatchColours.contains(swatch) && mouse->button() == Qt::LeftButton &&
            swatch->rect().contains(mouse->position().toPoint())) {
            SwatchClicked(swatch);
            return true;
        }
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

void frmCarouselSettings::mouseMoveEvent(QMouseEvent* pEvent) {
    // Moves that reach the window from a control beneath the mouse leave the explanation alone.
    if (!childAt(pEvent->position().toPoint()))
        lblInfo->clear();
    QWidget::mouseMoveEvent(pEvent);
}

void frmCarouselSettings::closeEvent(QCloseEvent* pEvent) {
    mDatabase.SaveSettings(LiveSettings());
    QWidget::closeEvent(pEvent);
}

CarouselSettingsValues frmCarouselSettings::LiveSettings() const {
    CarouselSettingsValues v;
    v.Capacity = mCarousel.Capacity();
    v.MoveIncrements = mCarousel.MoveIncrements();
    v.RenderScale = mLinks.RenderScale();
    v.Width = mCarousel.Width();
    v.Tilt = mCarousel.Tilt();
    v.ImageSize = mCarousel.ImageSize();
    v.ForeItemScale = mCarousel.ForeItemScale();
    v.RearItemScale = mCarousel.RearItemScale();
    v.ReflectionStretch = mCarousel.ReflectionStretch();
    v.ReflectionStrength = mCarousel.ReflectionStrength();
    v.DepthDarkening = mCarousel.DepthDarkenPercent();
    v.TintStrength = mCarousel.TintStrength();
    v.TintColour = mCarousel.TintColour();
    v.CaptionColour = mTokenManager.TextColour();
    v.CaptionOutlineColour = mTokenManager.TextOutlineColour();
    v.OverflowFade = mCarousel.OverflowFade();
    v.OverflowZoom = mCarousel.OverflowZoom();
    v.OrbitImageOpacity = mCarousel.OrbitImageOpacity();
    v.TokenFillColour = mTokenManager.FillColour();
    v.TokenFillOpacity = mTokenManager.FillOpacity();
    v.SoundEnabled = mLinks.SoundEnabled();
    return v;
}
