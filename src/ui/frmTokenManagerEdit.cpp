// The Token Manager's property panel: loading a token into the fields, tracking edits, saving,
// the icon scale, the picture and the preview, and closing with unsaved changes.
#include "TokenTreeWidget.h"
#include "desktop/modCentredMessageBox.h"
#include "frmImagePicker.h"
#include "frmTokenManager.h"
#include "platform/Imaging.h"
#include "platform/RuntimeError.h"
#include "store/cTokenManager.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cmath>

namespace {
// A scale as the whole percentage that is stored (halves to even).
qint32 Percent(double pScale) {
    return qint32(std::nearbyint(pScale * 100));
}
} // namespace

bool frmTokenManager::event(QEvent* event) {
    if (event->type() == QEvent::DeferredDelete && mWaits.IsBusy()) {
        mWaits.RunWhenIdle([this] { deleteLater(); });
        return true;
    }
    return QWidget::event(event);
}

void frmTokenManager::LoadToken(const QString& pKey) {
    const IdleGate::Busy waiting(mWaits);
    offerToSave();
    mLoaded = false;
    cmdSave->setEnabled(false);
    mToken = mTokens.Item(pKey);
    mImageBytes = mToken->SourceImage();
    mIconScale = mToken->IconScale() * 0.01;
    fillFields();
    // Paint and timer events may run; queued key presses and clicks wait until the token is loaded.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (chkScrollToSelection->isChecked())
        turnCarouselToLoadedToken();
    mLoaded = true;
}

void frmTokenManager::offerToSave() {
    if (!cmdSave->isEnabled() || !mToken)
        return;
    const QString prompt = QStringLiteral("Save changes to '") + mToken->Caption() + QStringLiteral("'?");
    if (CentredMsgBox(prompt, MsgBox::YesNo | MsgBox::Question, QStringLiteral("Save Changes?"), this) ==
        MsgBox::ResultYes)
        cmdSave_Click();
}

void frmTokenManager::fillFields() {
    const QString shownCaption = txtCaption->text();
    txtCaption->setText(mToken->Caption());
    // The same text raises no change, yet the picture and scale are another token's.
    if (txtCaption->text() == shownCaption)
        RenderPreview();
    txtCommand->setPlainText(mToken->Command());
    txtParameters->setPlainText(mToken->Parameters());
    txtDescription->setPlainText(mToken->Description());
    chkHideAfterExecution->setChecked(mToken->HideAfterExecution());
}

void frmTokenManager::markEdited() {
    if (mLoaded)
        cmdSave->setEnabled(true);
}

void frmTokenManager::txtCaption_Change() {
    RenderPreview();
    markEdited();
}

void frmTokenManager::cmdSave_Click() {
    const IdleGate::Busy waiting(mWaits);
    cmdSave->setEnabled(false);
    // A token deleted meanwhile is never written back.
    if (!mToken || !mTokens.Exists(mToken->Key()))
        return;
    cToken edited = *mToken;
    edited.SetCaption(txtCaption->text());
    edited.SetCommand(txtCommand->toPlainText());
    edited.SetParameters(txtParameters->toPlainText());
    edited.SetDescription(txtDescription->toPlainText());
    edited.SetIconScale(Percent(mIconScale));
    edited.SetHideAfterExecution(chkHideAfterExecution->isChecked());
    if (!mImageBytes.isEmpty())
        edited.SetSourceImage(mImageBytes);
    mTokens.SaveEdit(edited);
    // The node may be gone: a rebuild of the tree without inactive tokens can have removed it.
    if (QTreeWidgetItem* node = tvwTokens->Node(edited.Key())) {
        node->setText(0, edited.Caption());
        tvwTokens->SortChildren(node->parent());
    }
}

void frmTokenManager::cmdZoom_Click(int pIndex) {
    // The limits are compared with the accumulated value as it stands, rounding and all.
    if (pIndex == 1) {
        if (mIconScale > 0.15)
            mIconScale -= IconScaleStep;
    } else if (pIndex == 2) {
        if (mIconScale < 2.0)
            mIconScale += IconScaleStep;
    } else {
        return;
    }
    RenderPreview();
    cmdSave->setEnabled(true);
}

void frmTokenManager::picPreview_MouseDown(Qt::MouseButton pButton) {
    if (pButton == Qt::LeftButton)
        cmdZoom_Click(1);
    else if (pButton == Qt::RightButton)
        cmdZoom_Click(2);
}

void frmTokenManager::RenderPreview() {
    const int size = picPreview->width();
    const qint32 scale = Percent(mIconScale);
    QImage surface;
    try {
        surface = mTokens.CreateTokenImage(mImageBytes, scale, txtCaption->text(), size);
    } catch (const RuntimeError&) {
        // A picture that cannot be decoded is previewed as none; the token keeps its bytes.
        surface = mTokens.CreateTokenImage(Imaging::EmptyImageBytes(), scale, txtCaption->text(), size);
    }
    if (surface.isNull())
        surface = Imaging::NewSurface(size, size);
    QPainter painter(&surface);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
    painter.fillRect(surface.rect(), Imaging::ColourFromBgr(BackgroundColour));
    painter.end();
    picPreview->setPixmap(QPixmap::fromImage(surface));
}

void frmTokenManager::cmdEditImage_Click() {
    const IdleGate::Busy waiting(mWaits);
    frmImagePicker picker(mImageBytes, this);
    picker.exec();
    if (picker.Tag() != frmImagePicker::Cancelled) {
        RenderPreview();
        cmdSave->setEnabled(true);
    }
}

void frmTokenManager::selectWholeText(QWidget* pField) {
    if (pField == txtCaption)
        txtCaption->selectAll();
    else if (auto* box = qobject_cast<QPlainTextEdit*>(pField))
        box->selectAll();
}

void frmTokenManager::selectAfterClick(QWidget* pField) {
    if (mSelectionOwed != pField)
        return;
    mSelectionOwed = nullptr;
    selectWholeText(pField);
}

bool frmTokenManager::eventFilter(QObject* watched, QEvent* event) {
    if (watched == picPreview &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        picPreview_MouseDown(static_cast<QMouseEvent*>(event)->button());
        return true;
    }
    if (event->type() == QEvent::FocusIn) {
        auto* field = qobject_cast<QWidget*>(watched);
        // A click that gives the focus places the cursor after this event and would undo the
        // selection, so then the whole text is selected once the press has been handled, or before
        // a key that was typed meanwhile (input that waited while the launcher was busy arrives
        // all at once, ahead of the timer).
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason) {
            mSelectionOwed = field;
            QTimer::singleShot(0, field, [this, field] { selectAfterClick(field); });
        } else {
            selectWholeText(field);
        }
    }
    if (event->type() == QEvent::KeyPress && watched == mSelectionOwed)
        selectAfterClick(mSelectionOwed);
    return QWidget::eventFilter(watched, event);
}

void frmTokenManager::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancel->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmTokenManager::closeEvent(QCloseEvent* event) {
    offerToSave();
    // The window is closing for good: tokens created from now on are none of its business.
    disconnect(&mTokens, nullptr, this, nullptr);
    event->accept();
}
