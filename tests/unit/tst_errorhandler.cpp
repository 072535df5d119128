// A failure in the steps main() runs guarded, or in any event loop they run, is shown once as "<number>
// <description>" in a box titled "Tessaro" and ends every loop with the failure code.
#include "app/TessaroApplication.h"
#include "desktop/modCentredMessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/SqlDatabase.h"

#include <QTest>
#include <QTimer>

using Steps = std::function<int()>;
Q_DECLARE_METATYPE(Steps)
// Steps that run the event loop with `work` queued, as main() does.
Steps InLoop(const std::function<void()>& work) {
    return [=] { return QTimer::singleShot(0, work), QCoreApplication::exec(); };
}

class TestErrorHandler : public QObject {
    Q_OBJECT
private slots:
    void failureIsShownOnceAndEndsTheLoops_data() {
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QString>("shown"); // none: nothing failed
        const auto fail = [] { throw RuntimeError(ErrorNumber::Overflow, "cCarousel", "Overflow"); };
        // clang-format off
        QTest::newRow("run-time error") << InLoop([] { throw RuntimeError(35601, "cToken", "Not found"); })
                                        << "35601 Not found";
        QTest::newRow("database error") << InLoop([] { throw SqlError(14, "no file"); }) << "14 no file";
        QTest::newRow("exception") << InLoop([] { throw std::logic_error("x"); }) << "51 Internal error: x";
        QTest::newRow("out of memory") << InLoop([] { throw std::bad_alloc(); }) << "7 Out of memory";
        QTest::newRow("anything else") << InLoop([] { throw 42; }) << "51 Internal error";
        // A failure in a nested loop (a modal window's) ends it and the main loop; later ones add no box.
        QTest::newRow("nested loop") << InLoop([] {
            QEventLoop inner;
            QTimer::singleShot(0, &inner, [] { throw RuntimeError(1001, "first", "First failure"); });
            QTimer::singleShot(0, &inner, [] { throw RuntimeError(1002, "second", "Second failure"); });
            inner.exec();
        }) << "1001 First failure";
        QTest::newRow("steps end well") << Steps([] { return 0; }) << "";
        QTest::newRow("a step throws") << Steps([]() -> int { throw std::bad_alloc(); }) << "7 Out of memory";
        QTest::newRow("a handler fails in them")
            << Steps([=] { return QTimer::singleShot(0, fail), qApp->processEvents(), 0; }) << "6 Overflow";
        // clang-format on
    }
    void failureIsShownOnceAndEndsTheLoops() {
        QFETCH(Steps, steps);
        QFETCH(QString, shown);
        int argc = 1;
        char name[] = "test_errorhandler", *argv[] = {name, nullptr};
        TessaroApplication application(argc, argv); // of its own: a failure ends its loops for good
        QStringList boxes;
        SetMessageBoxResponder([&](const MessageBoxRequest& box) {
            return boxes << QString("%1 %2 %3").arg(box.prompt, box.title).arg(box.flags), MsgBox::ResultOk;
        });
        const int code = RunGuarded(steps);
        SetMessageBoxResponder({});
        QCOMPARE(code, shown.isEmpty() ? 0 : TessaroApplication::FailureExitCode);
        QCOMPARE(boxes.join('|'),
                 shown.isEmpty() ? shown : QString("%1 Tessaro %2").arg(shown).arg(MsgBox::Critical));
    }
};

QTEST_APPLESS_MAIN(TestErrorHandler)
#include "tst_errorhandler.moc"
