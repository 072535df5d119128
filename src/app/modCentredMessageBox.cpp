#include "modCentredMessageBox.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace {
std::function<int(const MessageBoxRequest&)>& responder() {
    static std::function<int(const MessageBoxRequest&)> instance;
    return instance;
}

QMessageBox::Icon iconFor(int flags) {
    switch (flags & 0xF0) {
    case MsgBox::Critical:
        return QMessageBox::Critical;
    case MsgBox::Question:
        return QMessageBox::Question;
    case MsgBox::Exclamation:
        return QMessageBox::Warning;
    case MsgBox::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// Adds the buttons of the flags' button group, each tagged with its standard result value.
void addButtons(QMessageBox& box, int flags) {
    auto add = [&box](const QString& text, QMessageBox::ButtonRole role, int result) {
        QPushButton* button = box.addButton(text, role);
        button->setProperty("msgBoxResult", result);
        return button;
    };
    switch (flags & 0x0F) {
    case MsgBox::OkCancel:
        box.setDefaultButton(add(QMessageBox::tr("OK"), QMessageBox::AcceptRole, MsgBox::ResultOk));
        box.setEscapeButton(add(QMessageBox::tr("Cancel"), QMessageBox::RejectRole, MsgBox::ResultCancel));
        break;
    case MsgBox::YesNoCancel:
        box.setDefaultButton(add(QMessageBox::tr("&Yes"), QMessageBox::YesRole, MsgBox::ResultYes));
        add(QMessageBox::tr("&No"), QMessageBox::NoRole, MsgBox::ResultNo);
        box.setEscapeButton(add(QMessageBox::tr("Cancel"), QMessageBox::RejectRole, MsgBox::ResultCancel));
        break;
    case MsgBox::YesNo:
        box.setDefaultButton(add(QMessageBox::tr("&Yes"), QMessageBox::YesRole, MsgBox::ResultYes));
        add(QMessageBox::tr("&No"), QMessageBox::NoRole, MsgBox::ResultNo);
        break;
    default:
        box.setDefaultButton(add(QMessageBox::tr("OK"), QMessageBox::AcceptRole, MsgBox::ResultOk));
        break;
    }
}

int showBox(const MessageBoxRequest& request, QWidget* owner) {
    if (responder())
        return responder()(request);
    QMessageBox box(iconFor(request.flags), request.title, request.prompt, QMessageBox::NoButton, owner);
    addButtons(box, request.flags);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (request.centred && owner) {
        box.adjustSize();
        box.move(CentredPosition(owner->frameGeometry(), box.frameGeometry().size()));
    }
    box.exec();
    if (box.clickedButton())
        return box.clickedButton()->property("msgBoxResult").toInt();
    return (request.flags & 0x0F) == MsgBox::OkOnly ? MsgBox::ResultOk : MsgBox::ResultCancel;
}
} // namespace

QPoint CentredPosition(const QRect& owner, const QSize& box) {
    return {owner.left() + (owner.width() - box.width()) / 2, owner.top() + (owner.height() - box.height()) / 2};
}

int CentredMsgBox(const QString& prompt, int flags, const QString& title, QWidget* owner) {
    const QString shownTitle = title.isEmpty() ? QStringLiteral("Tessaro") : title;
    return showBox({prompt, flags, shownTitle, owner != nullptr}, owner);
}

int StandardMsgBox(const QString& prompt, int flags, const QString& title) {
    return showBox({prompt, flags, title, false}, nullptr);
}

void SetMessageBoxResponder(std::function<int(const MessageBoxRequest&)> responder_) {
    responder() = std::move(responder_);
}
