#pragma once

#include <QApplication>
#include <exception>
#include <functional>

// The application object with the program's one top-level error handler. An exception that escapes
// any event handler (RuntimeError, SqlError or any std::exception) is caught in `notify`, never passed
// into Qt's event loop. The first such failure is shown as "<number> <description>" in a message box
// titled "Tessaro" and then every running event loop ends with FailureExitCode; later failures while
// that message is pending are only written to standard error.
class TessaroApplication : public QApplication {
public:
    static constexpr int FailureExitCode = 1;

    TessaroApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Records a failure and reports it from the event loop (or from RunGuarded when no loop runs).
    void Fail(const QString& message);
    bool HasFailed() const { return mFailed; }

    // Shows a recorded failure that has not been shown yet, then ends the event loops.
    void ReportPendingFailure();

private:
    bool mFailed = false;
    bool mReported = false;
    QString mMessage;
};

// The message text of an exception: "<number> <description>" for the program's own errors and SQLite
// failures; other exceptions carry the number of an internal error (out of memory: 7).
QString FailureMessageText(std::exception_ptr failure);

// Runs main's own steps (start-up and the event loop) under the same handler: an exception is shown
// as above and the result is FailureExitCode; so is any failure recorded by the event handler.
int RunGuarded(const std::function<int()>& body);
