#include "cfMainForm.h"

#include "MainWindowKeys.h"
#include "cfMain.h"
#include "platform/WindowTraits.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

cfMainForm::cfMainForm(cfMain& pOwner, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), mOwner(pOwner) {
    setObjectName(QStringLiteral("cfMain"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
}

void cfMainForm::CloseSilently() {
    mSilent = true;
    close();
}

void cfMainForm::keyPressEvent(QKeyEvent* event) {
    const int code = MainWindowKeyCode(event->key(), event->modifiers());
    if (code != 0) {
        event->accept();
        mOwner.Form_KeyDown(code);
        return;
    }
    const QChar typed = MainWindowTypedCharacter(event->key(), event->modifiers(), event->text());
    if (typed.isNull()) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    mOwner.Form_KeyTyped(typed);
}

void cfMainForm::mousePressEvent(QMouseEvent* event) {
    event->accept();
    mOwner.Form_MouseDown(event);
}

void cfMainForm::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    mOwner.Form_MouseMove(event);
}

void cfMainForm::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    mOwner.Form_MouseUp(event);
}

void cfMainForm::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton)
        mOwner.Form_DblClick();
}

void cfMainForm::wheelEvent(QWheelEvent* event) {
    event->accept();
    mOwner.Form_MouseWheel(event);
}

void cfMainForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        mOwner.Form_Activate();
}

void cfMainForm::showEvent(QShowEvent* event) {
    // Sent before the window is mapped: the request to stay out of the taskbar goes with the mapping.
    KeepOutOfTaskbar(this);
    QWidget::showEvent(event);
    if (!event->spontaneous())
        mOwner.Form_Shown();
}

void cfMainForm::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!mSilent)
        mOwner.Form_Unload();
}
