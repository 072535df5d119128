#include "app/TessaroApplication.h"
#include "desktop/modCentredMessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/SqlDatabase.h"

#include <QEventLoop>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <new>

Q_DECLARE_METATYPE(std::function<void()>)

namespace {
// A fresh application object per test, since a failure ends its event loops for good.
struct Application {
    int argc = 1;
    char name[16] = "test_error";
    char* argv[2] = {name, nullptr};
    TessaroApplication app{argc, argv};
    QList<MessageBoxRequest> shown;
    Application() {
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            shown << request;
            return MsgBox::ResultOk;
        });
    }
    ~Application() { SetMessageBoxResponder({}); }
};

class ThrowingWidget : public QWidget {
public:
    std::function<void()> onPaint, onKey;

protected:
    void paintEvent(QPaintEvent*) override {
        if (onPaint)
            onPaint();
    }
    void keyPressEvent(QKeyEvent*) override {
        if (onKey)
            onKey();
    }
};
// A key press sent straight to the widget: the exception its handler throws passes through no
// frame of the test library, which would leak what it holds.
void pressKey(QWidget& widget, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &press);
}
} // namespace

class TestErrorHandler : public QObject {
    Q_OBJECT
private slots:
    // Each kind of exception thrown from a timer's handler is shown once as "<number> <description>",
    // and the event loop ends with a failure code.
    void exceptionFromTimerIsShownAndEndsLoop_data() {
        QTest::addColumn<std::function<void()>>("raise");
        QTest::addColumn<QString>("message");
        QTest::newRow("run-time error") << std::function<void()>([] {
            throw RuntimeError(ErrorNumber::ElementNotFound, "cTokenManager", "Element Not Found");
        }) << "35601 Element Not Found";
        QTest::newRow("overflow") << std::function<void()>([] {
            throw RuntimeError(ErrorNumber::Overflow, "cCarousel", "Overflow");
        }) << "6 Overflow";
        QTest::newRow("database error") << std::function<void()>([] {
            throw SqlError(14, "Opening Tokens.db: unable to open database file");
        }) << "14 Opening Tokens.db: unable to open database file";
        QTest::newRow("standard exception")
            << std::function<void()>([] { throw std::logic_error("bad state"); })
            << "51 Internal error: bad state";
        QTest::newRow("out of memory")
            << std::function<void()>([] { throw std::bad_alloc(); }) << "7 Out of memory";
        QTest::newRow("anything else") << std::function<void()>([] { throw 42; }) << "51 Internal error";
    }
    void exceptionFromTimerIsShownAndEndsLoop() {
        QFETCH(std::function<void()>, raise);
        QFETCH(QString, message);
        Application a;
        bool continued = false;
        QTimer::singleShot(0, &a.app, [&] {
            raise();
            continued = true;
        });
        QCOMPARE(a.app.exec(), TessaroApplication::FailureExitCode);
        QVERIFY(!continued);
        QCOMPARE(a.shown.size(), 1);
        QCOMPARE(a.shown[0].prompt, message);
        QCOMPARE(a.shown[0].title, QString("Tessaro"));
        QCOMPARE(a.shown[0].flags, MsgBox::Critical);
        QVERIFY(a.app.HasFailed());
    }

    void exceptionFromWidgetHandlers_data() {
        QTest::addColumn<bool>("fromPaint");
        QTest::newRow("paint event") << true;
        QTest::newRow("key press") << false;
    }
    void exceptionFromWidgetHandlers() {
        QFETCH(bool, fromPaint);
        Application a;
        ThrowingWidget widget;
        auto raise = [] { throw RuntimeError(ErrorNumber::FileNotFound, "clsDatabase", "File not found"); };
        (fromPaint ? widget.onPaint : widget.onKey) = raise;
        widget.resize(100, 80);
        QTimer::singleShot(0, &a.app, [&] {
            widget.show();
            if (!fromPaint)
                pressKey(widget, Qt::Key_Right);
        });
        QCOMPARE(a.app.exec(), TessaroApplication::FailureExitCode);
        QCOMPARE(a.shown.size(), 1);
        QCOMPARE(a.shown[0].prompt, QString("53 File not found"));
    }

    // A failure inside a nested loop (a modal window's) ends that loop and the main loop; failures
    // that follow before the message is shown add no second box.
    void nestedLoopEndsAndLaterFailuresAreNotShownAgain() {
        Application a;
        int innerResult = -1;
        QTimer::singleShot(0, &a.app, [&] {
            QEventLoop inner;
            QTimer::singleShot(0, &inner, [] { throw RuntimeError(1001, "first", "First failure"); });
            QTimer::singleShot(0, &inner, [] { throw RuntimeError(1002, "second", "Second failure"); });
            innerResult = inner.exec();
        });
        QCOMPARE(a.app.exec(), TessaroApplication::FailureExitCode);
        QCOMPARE(innerResult, TessaroApplication::FailureExitCode);
        QCOMPARE(a.shown.size(), 1);
        QCOMPARE(a.shown[0].prompt, QString("1001 First failure"));
    }

    void runGuarded_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        QTest::newRow("steps succeed") << 0 << 0 << QString();
        QTest::newRow("step throws") << 1 << 1 << "35601 Element Not Found";
        QTest::newRow("event handler failed during steps") << 2 << 1 << "6 Overflow";
    }
    void runGuarded() {
        QFETCH(int, kind);
        QFETCH(int, result);
        QFETCH(QString, message);
        Application a;
        ThrowingWidget widget;
        widget.onKey = [] { throw RuntimeError(ErrorNumber::Overflow, "cCarousel", "Overflow"); };
        const int exitCode = RunGuarded([&] {
            if (kind == 1)
                throw RuntimeError(ErrorNumber::ElementNotFound, "cTokenManager", "Element Not Found");
            if (kind == 2)
                pressKey(widget, Qt::Key_Left);
            return 0;
        });
        QCOMPARE(exitCode, result);
        QCOMPARE(a.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QCOMPARE(a.shown[0].prompt, message);
    }
};

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TestErrorHandler test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_errorhandler.moc"
