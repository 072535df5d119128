#include "modCentredMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace {
const QString applicationTitle = QStringLiteral("Tessaro");

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

struct ButtonSpec {
    const char* text;
    QMessageBox::ButtonRole role;
    int result;
};

QList<ButtonSpec> buttonsFor(int flags) {
    const ButtonSpec ok{QT_TRANSLATE_NOOP("QMessageBox", "OK"), QMessageBox::AcceptRole, MsgBox::ResultOk};
    const ButtonSpec cancel{QT_TRANSLATE_NOOP("QMessageBox", "Cancel"), QMessageBox::RejectRole,
                            MsgBox::ResultCancel};
    const ButtonSpec yes{QT_TRANSLATE_NOOP("QMessageBox", "&Yes"), QMessageBox::YesRole, MsgBox::ResultYes};
    const ButtonSpec no{QT_TRANSLATE_NOOP("QMessageBox", "&No"), QMessageBox::NoRole, MsgBox::ResultNo};
    const ButtonSpec retry{QT_TRANSLATE_NOOP("QMessageBox", "&Retry"), QMessageBox::AcceptRole,
                           MsgBox::ResultRetry};
    switch (flags & 0x0F) {
    case MsgBox::OkCancel:
        return {ok, cancel};
    case MsgBox::AbortRetryIgnore:
        return {{QT_TRANSLATE_NOOP("QMessageBox", "&Abort"), QMessageBox::RejectRole, MsgBox::ResultAbort},
                retry,
                {QT_TRANSLATE_NOOP("QMessageBox", "&Ignore"), QMessageBox::AcceptRole, MsgBox::ResultIgnore}};
    case MsgBox::YesNoCancel:
        return {yes, no, cancel};
    case MsgBox::YesNo:
        return {yes, no};
    case MsgBox::RetryCancel:
        return {retry, cancel};
    default:
        return {ok};
    }
}

// Adds the buttons of the flags' button group, each tagged with its standard result value, and picks
// the default button (the first unless the flags ask for the second or third).
void addButtons(QMessageBox& box, int flags) {
    const QList<ButtonSpec> specs = buttonsFor(flags);
    QList<QPushButton*> buttons;
    for (const ButtonSpec& spec : specs) {
        QPushButton* button = box.addButton(QMessageBox::tr(spec.text), spec.role);
        button->setProperty("msgBoxResult", spec.result);
        buttons << button;
        if (spec.result == MsgBox::ResultCancel)
            box.setEscapeButton(button);
    }
    const int wanted = (flags & MsgBox::DefaultButton3) ? 2 : (flags & MsgBox::DefaultButton2) ? 1 : 0;
    box.setDefaultButton(buttons.value(wanted, buttons.first()));
}

// The box takes its final size only while it is being shown, so it is centred then, before it is
// mapped. The owner's top-level window is the reference, since a child widget's geometry is relative
// to its parent.
class CentredBox : public QMessageBox {
public:
    CentredBox(const MessageBoxRequest& request, QWidget* owner)
        : QMessageBox(iconFor(request.flags), request.title, request.prompt, QMessageBox::NoButton, owner),
          mCentreOn(request.centred && owner ? owner->window() : nullptr) {}

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        if (mCentreOn)
            move(CentredPosition(mCentreOn->frameGeometry(), frameGeometry().size()));
    }

private:
    QWidget* mCentreOn;
};

bool gUnattended = false;

// The answer that risks least when nobody is there to give one: Cancel where the box has it, else
// its default button.
int unattendedAnswer(int flags) {
    const QList<ButtonSpec> specs = buttonsFor(flags);
    for (const ButtonSpec& spec : specs)
        if (spec.result == MsgBox::ResultCancel)
            return spec.result;
    const int wanted = (flags & MsgBox::DefaultButton3) ? 2 : (flags & MsgBox::DefaultButton2) ? 1 : 0;
    return specs.value(wanted, specs.first()).result;
}

int showBox(const MessageBoxRequest& request, QWidget* owner) {
    if (gUnattended)
        return unattendedAnswer(request.flags);
    if (responder())
        return responder()(request);
    CentredBox box(request, owner);
    addButtons(box, request.flags);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
    if (box.clickedButton())
        return box.clickedButton()->property("msgBoxResult").toInt();
    return (request.flags & 0x0F) == MsgBox::OkOnly ? MsgBox::ResultOk : MsgBox::ResultCancel;
}
} // namespace

QPoint CentredPosition(const QRect& owner, const QSize& box) {
    return {owner.left() + (owner.width() - box.width()) / 2,
            owner.top() + (owner.height() - box.height()) / 2};
}

int CentredMsgBox(const QString& prompt, int flags, const QString& title, QWidget* owner) {
    return showBox({prompt, flags, title.isEmpty() ? applicationTitle : title, owner != nullptr}, owner);
}

int StandardMsgBox(const QString& prompt, int flags, const QString& title) {
    return showBox({prompt, flags, title.isEmpty() ? applicationTitle : title, false}, nullptr);
}

void SetMessageBoxResponder(std::function<int(const MessageBoxRequest&)> responder_) {
    responder() = std::move(responder_);
}

void ShowProblemMessage(const QString& prompt, const QString& title) {
    StandardMsgBox(prompt, MsgBox::OkOnly | MsgBox::Exclamation, title);
}

void ShowNotice(const QString& prompt, const QString& title) {
    if (gUnattended)
        return;
    const MessageBoxRequest request{prompt, MsgBox::OkOnly | MsgBox::Information, title, false};
    if (responder()) {
        responder()(request);
        return;
    }
    auto* box = new CentredBox(request, nullptr);
    addButtons(*box, request.flags);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_ShowWithoutActivating);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void AnswerDialogsUnattended() {
    gUnattended = true;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(window);
        if (!dialog || !dialog->isVisible())
            continue;
        auto* box = qobject_cast<QMessageBox*>(dialog);
        QAbstractButton* answer = box ? box->defaultButton() : nullptr;
        for (QAbstractButton* button : box ? box->buttons() : QList<QAbstractButton*>())
            if (button->property("msgBoxResult").toInt() == MsgBox::ResultCancel)
                answer = button;
        if (answer)
            answer->click();
        else
            dialog->reject();
    }
}
