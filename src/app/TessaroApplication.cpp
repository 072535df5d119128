#include "TessaroApplication.h"

#include "desktop/modCentredMessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/SqlDatabase.h"

#include <QTextStream>
#include <new>

namespace {
constexpr int OutOfMemory = 7;
constexpr int InternalError = 51;

QString numbered(int number, const QString& description) {
    return QString::number(number) + QLatin1Char(' ') + description;
}

// Every failure is also written to standard error, the moment it happens.
void logFailure(const QString& message) {
    QTextStream(stderr) << "Tessaro: " << message << Qt::endl;
}

void showFailure(const QString& message) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        StandardMsgBox(message, MsgBox::Critical, QStringLiteral("Tessaro"));
}
} // namespace

QString FailureMessageText(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const RuntimeError& error) {
        return error.MessageText();
    } catch (const SqlError& error) {
        return numbered(error.Code(), error.Message());
    } catch (const std::bad_alloc&) {
        return numbered(OutOfMemory, QStringLiteral("Out of memory"));
    } catch (const std::exception& error) {
        return numbered(InternalError,
                        QStringLiteral("Internal error: ") + QString::fromLocal8Bit(error.what()));
    } catch (...) {
        return numbered(InternalError, QStringLiteral("Internal error"));
    }
}

TessaroApplication::TessaroApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TessaroApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        Fail(FailureMessageText(std::current_exception()));
    }
    return false;
}

void TessaroApplication::Fail(const QString& message) {
    logFailure(message);
    if (mFailed)
        return;
    mFailed = true;
    mMessage = message;
    // Reported from the event loop rather than from inside the failed handler (which may be a paint
    // event or a half-finished move).
    QMetaObject::invokeMethod(
        this, [this] { ReportPendingFailure(); }, Qt::QueuedConnection);
}

void TessaroApplication::ReportPendingFailure() {
    if (!mFailed || mReported)
        return;
    mReported = true;
    showFailure(mMessage);
    exit(FailureExitCode);
}

int RunGuarded(const std::function<int()>& body) {
    auto* application = dynamic_cast<TessaroApplication*>(QCoreApplication::instance());
    int result = TessaroApplication::FailureExitCode;
    try {
        result = body();
    } catch (...) {
        const QString message = FailureMessageText(std::current_exception());
        if (application)
            application->Fail(message);
        else {
            logFailure(message);
            showFailure(message);
        }
    }
    if (application && application->HasFailed()) {
        application->ReportPendingFailure();
        return TessaroApplication::FailureExitCode;
    }
    return result;
}
