// The Token Manager window: its controls, their places and captions, and the window's start.
#include "frmTokenManager.h"

#include "DesignFont.h"
#include "TokenTreeDragDrop.h"
#include "TokenTreeWidget.h"
#include "desktop/modGeneral.h"
#include "platform/Imaging.h"
#include "store/cTokenManager.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace {
QLabel* makeLabel(QWidget* owner, const QString& pName, const QString& pCaption, const QRect& pGeometry) {
    auto* label = new QLabel(pCaption, owner);
    label->setObjectName(pName);
    label->setGeometry(pGeometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPlainTextEdit* makeTextBox(QWidget* owner, const QString& pName, const QRect& pGeometry) {
    auto* box = new QPlainTextEdit(owner);
    box->setObjectName(pName);
    box->setGeometry(pGeometry);
    box->setTabChangesFocus(true);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return box;
}
} // namespace

frmTokenManager::frmTokenManager(cTokenManager& pTokens, cCarousel& pCarousel, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      mTokens(pTokens), mCarousel(pCarousel) {
    setObjectName(QStringLiteral("frmTokenManager"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Token Manager"));
    setFont(DesignTextFont(8.25));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Imaging::ColourFromBgr(BackgroundColour));
    setPalette(colours);
    setAutoFillBackground(true);
    setFixedSize(FullWidth, ClientHeight);
    createControls();
    setTabOrder();
    connectControls();

    const QScreen* screen = QGuiApplication::primaryScreen();
    mPlace = (screen ? screen->geometry().topLeft() : QPoint()) + QPoint(10, 10);
    move(mPlace);
    PopulateTree(activeKey(), false);
    MakeTopmost(this);
}

frmTokenManager::~frmTokenManager() = default;

void frmTokenManager::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The frame's size is known only once the window is on screen; the frame goes at the place.
    if (!mPlaced) {
        mPlaced = true;
        if (pos() != mPlace)
            move(mPlace);
    }
}

QPushButton* frmTokenManager::makeButton(const QString& pName, const QString& pCaption,
                                         const QRect& pGeometry) {
    auto* button = new QPushButton(pCaption, this);
    button->setObjectName(pName);
    button->setGeometry(pGeometry);
    button->setAutoDefault(false);
    return button;
}

QCheckBox* frmTokenManager::makeCheckBox(const QString& pName, const QString& pCaption,
                                         const QRect& pGeometry) {
    auto* box = new QCheckBox(pCaption, this);
    box->setObjectName(pName);
    box->setGeometry(pGeometry);
    return box;
}

void frmTokenManager::createControls() {
    tvwTokens = new TokenTreeWidget(this);
    tvwTokens->setObjectName(QStringLiteral("tvwTokens"));
    tvwTokens->setGeometry(4, 4, 210, 433);
    mTreeDragDrop =
        new TokenTreeDragDrop(*tvwTokens, [this](const QString& pDragged, const QString& pTarget) {
            return canMoveNode(pDragged, pTarget);
        });
    chkHideProperties = makeCheckBox(QStringLiteral("chkHideProperties"), QStringLiteral("Hide Properties"),
                                     {4, 444, 105, 17});
    chkHideInactive = makeCheckBox(QStringLiteral("chkHideInactive"), QStringLiteral("Hide Inactive Tokens"),
                                   {4, 462, 129, 17});
    chkScrollToSelection = makeCheckBox(QStringLiteral("chkScrollToSelection"),
                                        QStringLiteral("Scroll to Selected Token"), {4, 480, 145, 17});
    chkScrollToSelection->setChecked(true);
    cmdNew = makeButton(QStringLiteral("cmdNew"), QStringLiteral("&New"), {150, 444, 64, 24});
    cmdDelete = makeButton(QStringLiteral("cmdDelete"), QStringLiteral("&Delete"), {150, 472, 64, 24});
    cmdCancel = makeButton(QStringLiteral("cmdCancel"), QStringLiteral("DONE"), {4, 506, 210, 24});
    createPropertyControls();
}

void frmTokenManager::createPropertyControls() {
    picPreview = new QLabel(this);
    picPreview->setObjectName(QStringLiteral("picPreview"));
    picPreview->setGeometry(220, -4, 196, 196);
    picPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picPreview->setFocusPolicy(Qt::StrongFocus);
    picPreview->installEventFilter(this);
    // The zoom buttons lie over the preview's upper corners, above it.
    const QFont glyphs = DesignFont(QStringLiteral("TessaroGlyphs"), 14.25);
    cmdZoom1 = makeButton(QStringLiteral("cmdZoom1"), QStringLiteral("-"), {224, 4, 25, 26});
    cmdZoom2 = makeButton(QStringLiteral("cmdZoom2"), QStringLiteral("+"), {392, 4, 25, 26});
    cmdZoom1->setFont(glyphs);
    cmdZoom2->setFont(glyphs);
    cmdEditImage =
        makeButton(QStringLiteral("cmdEditImage"), QStringLiteral("Edit &Image..."), {276, 196, 89, 24});
    makeLabel(this, QStringLiteral("Label2_0"), QStringLiteral("Caption"), {224, 230, 81, 17});
    txtCaption = new QLineEdit(this);
    txtCaption->setObjectName(QStringLiteral("txtCaption"));
    txtCaption->setGeometry(224, 244, 193, 20);
    makeLabel(this, QStringLiteral("Label2_2"), QStringLiteral("Command"), {224, 270, 185, 17});
    txtCommand = makeTextBox(this, QStringLiteral("txtCommand"), {224, 284, 193, 48});
    makeLabel(this, QStringLiteral("Label2_1"), QStringLiteral("Parameters"), {224, 338, 129, 17});
    txtParameters = makeTextBox(this, QStringLiteral("txtParameters"), {224, 352, 193, 48});
    makeLabel(this, QStringLiteral("Label2_4"), QStringLiteral("Description"), {224, 406, 81, 17});
    txtDescription = makeTextBox(this, QStringLiteral("txtDescription"), {224, 420, 193, 48});
    chkHideAfterExecution =
        makeCheckBox(QStringLiteral("chkHideAfterExecution"), QStringLiteral("Hide Launcher after execution"),
                     {224, 480, 177, 17});
    cmdSave = makeButton(QStringLiteral("cmdSave"), QStringLiteral("Save"), {224, 506, 193, 24});
    cmdSave->setEnabled(false);
    for (QWidget* field : {static_cast<QWidget*>(txtCaption), static_cast<QWidget*>(txtCommand),
                           static_cast<QWidget*>(txtDescription)})
        field->installEventFilter(this);
}

void frmTokenManager::setTabOrder() {
    const QList<QWidget*> order{picPreview,
                                tvwTokens,
                                chkHideProperties,
                                chkHideInactive,
                                chkScrollToSelection,
                                cmdNew,
                                cmdDelete,
                                cmdCancel,
                                cmdZoom1,
                                cmdZoom2,
                                cmdEditImage,
                                txtCaption,
                                txtCommand,
                                txtParameters,
                                txtDescription,
                                chkHideAfterExecution,
                                cmdSave};
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void frmTokenManager::connectControls() {
    connect(&mTokens, &cTokenManager::NewToken, this, &frmTokenManager::mTokens_NewToken);
    connect(tvwTokens, &TokenTreeWidget::NodeClick, this, &frmTokenManager::tvwTokens_NodeClick);
    connect(tvwTokens, &TokenTreeWidget::NodeCheck, this, &frmTokenManager::tvwTokens_NodeCheck);
    connect(tvwTokens, &TokenTreeWidget::DeleteKeyPressed, this, &frmTokenManager::cmdDelete_Click);
    connect(mTreeDragDrop, &TokenTreeDragDrop::NodeDrop, this, &frmTokenManager::tvwTokens_NodeDrop);
    connect(mTreeDragDrop, &TokenTreeDragDrop::NodeDragEnded, this,
            &frmTokenManager::tvwTokens_NodeDragEnded);
    // A file drop is taken up once the drop event is over, so the program the files come from is not
    // kept waiting while a question about unsaved edits is open.
    connect(mTreeDragDrop, &TokenTreeDragDrop::FileDrop, this, &frmTokenManager::tvwTokens_FileDrop,
            Qt::QueuedConnection);
    connect(chkHideProperties, &QCheckBox::toggled, this, &frmTokenManager::chkHideProperties_Click);
    connect(chkHideInactive, &QCheckBox::toggled, this, &frmTokenManager::chkHideInactive_Click);
    connect(chkScrollToSelection, &QCheckBox::toggled, this, &frmTokenManager::chkScrollToSelection_Click);
    connect(cmdNew, &QPushButton::clicked, this, &frmTokenManager::cmdNew_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmTokenManager::cmdDelete_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdZoom1, &QPushButton::clicked, this, [this] { cmdZoom_Click(1); });
    connect(cmdZoom2, &QPushButton::clicked, this, [this] { cmdZoom_Click(2); });
    connect(cmdEditImage, &QPushButton::clicked, this, &frmTokenManager::cmdEditImage_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmTokenManager::cmdSave_Click);
    connect(txtCaption, &QLineEdit::textChanged, this, &frmTokenManager::txtCaption_Change);
    for (QPlainTextEdit* field : {txtCommand, txtParameters, txtDescription})
        connect(field, &QPlainTextEdit::textChanged, this, &frmTokenManager::markEdited);
    connect(chkHideAfterExecution, &QCheckBox::clicked, this, &frmTokenManager::markEdited);
}

QString frmTokenManager::activeKey() const {
    const std::shared_ptr<cToken> active = mTokens.ActiveToken();
    return active ? active->Key() : QString();
}

bool frmTokenManager::HasUnsavedChanges() const {
    return cmdSave->isEnabled();
}
