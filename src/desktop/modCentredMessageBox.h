#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>

class QWidget;

// Standard message-box flags and results (the Windows values the program uses).
namespace MsgBox {
constexpr int OkOnly = 0, OkCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5;
constexpr int Critical = 16, Question = 32, Exclamation = 48, Information = 64;
constexpr int DefaultButton2 = 0x100, DefaultButton3 = 0x200;
constexpr int ResultOk = 1, ResultCancel = 2, ResultAbort = 3, ResultRetry = 4, ResultIgnore = 5,
              ResultYes = 6, ResultNo = 7;
} // namespace MsgBox

// Where a box of `box` size lands when centred on `owner`: each half computed in integers and
// truncated towards zero.
QPoint CentredPosition(const QRect& owner, const QSize& box);

// Shows a modal message box centred on its owner's window (or where the desktop puts it when there is
// no owner), above other windows, and returns the standard result value of the pressed button. The
// default title is "Tessaro".
int CentredMsgBox(const QString& prompt, int flags, const QString& title = QString(),
                  QWidget* owner = nullptr);

// A standard (not centred) message box, as used for load errors. An empty title becomes "Tessaro".
int StandardMsgBox(const QString& prompt, int flags, const QString& title);

// A problem the program worked round, shown as a standard box with an exclamation icon and an OK
// button under the given title.
void ShowProblemMessage(const QString& prompt, const QString& title);

// A notice that waits for no answer: shown without taking the keyboard from the window that has it,
// closed by its OK button. Goes to the responder like the boxes above when one is installed.
void ShowNotice(const QString& prompt, const QString& title);

// For the end of the session, when nobody is left to answer: every open dialog is answered (a
// message box with Cancel where it has it, else its default button; any other dialog is cancelled)
// so the handlers waiting on them return, and boxes asked from now on get that answer at once,
// unseen. A Token Manager's unsaved edit is thus saved rather than lost.
void AnswerDialogsUnattended();

// Test seam: while a responder is installed, no dialog is shown; the responder sees each request and
// returns the button to press. Install an empty function to show real dialogs again.
struct MessageBoxRequest {
    QString prompt;
    int flags = 0;
    QString title;
    bool centred = false;
};
void SetMessageBoxResponder(std::function<int(const MessageBoxRequest&)> responder);
