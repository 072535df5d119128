#include "desktop/modCentredMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace {
// Runs `inspect` on the modal box once it is on screen (from the box's own event loop), looking
// again every 10 ms until then.
void whenBoxShows(const std::function<void(QMessageBox*)>& inspect, int delayMs = 0) {
    QTimer::singleShot(delayMs, [inspect] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box->isVisible())
            inspect(box);
        else
            whenBoxShows(inspect, 10);
    });
}

QPushButton* buttonWithResult(QMessageBox* box, int result) {
    for (QAbstractButton* button : box->buttons())
        if (button->property("msgBoxResult").toInt() == result)
            return qobject_cast<QPushButton*>(button);
    return nullptr;
}
} // namespace

class TestCentredMessageBox : public QObject {
    Q_OBJECT
private slots:
    void requestsReachTheResponder_data() {
        QTest::addColumn<bool>("standard");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("withOwner");
        QTest::addColumn<QString>("shownTitle");
        QTest::addColumn<bool>("centred");
        QTest::newRow("no title, no owner") << false << QString() << false << "Tessaro" << false;
        QTest::newRow("no title, owner") << false << QString() << true << "Tessaro" << true;
        QTest::newRow("own title") << false << "Confirm deletion" << true << "Confirm deletion" << true;
        QTest::newRow("standard box")
            << true << "Error Loading Token Data" << false << "Error Loading Token Data" << false;
        QTest::newRow("standard box, no title") << true << QString() << false << "Tessaro" << false;
    }
    void requestsReachTheResponder() {
        QFETCH(bool, standard);
        QFETCH(QString, title);
        QFETCH(bool, withOwner);
        QFETCH(QString, shownTitle);
        QFETCH(bool, centred);
        QWidget owner;
        QList<MessageBoxRequest> seen;
        SetMessageBoxResponder([&seen](const MessageBoxRequest& request) {
            seen << request;
            return MsgBox::ResultNo;
        });
        const int result = standard ? StandardMsgBox("35601 Element Not Found", 48, title)
                                    : CentredMsgBox("Save changes?", 36, title, withOwner ? &owner : nullptr);
        SetMessageBoxResponder({});
        QCOMPARE(result, MsgBox::ResultNo);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].title, shownTitle);
        QCOMPARE(seen[0].centred, centred);
        QCOMPARE(seen[0].flags, standard ? 48 : 36);
    }

    // A real box lands centred on its owner's window, even when the owner is a child widget.
    void realBoxIsCentredOnOwnerWindow_data() {
        QTest::addColumn<bool>("childOwner");
        QTest::newRow("window owner") << false;
        QTest::newRow("child widget owner") << true;
    }
    void realBoxIsCentredOnOwnerWindow() {
        QFETCH(bool, childOwner);
        QWidget window;
        window.setGeometry(100, 100, 800, 600);
        QWidget child(&window);
        child.setGeometry(10, 10, 50, 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QRect boxFrame;
        bool onTop = false;
        whenBoxShows([&](QMessageBox* box) {
            boxFrame = box->frameGeometry();
            onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            buttonWithResult(box, MsgBox::ResultNo)->click();
        });
        const QString prompt = "Really delete 'Games'?\r\n\r\nThis action will permanently remove this\r\n"
                               "token and all of its children.";
        const int result = CentredMsgBox(prompt, 36, "Save Changes?", childOwner ? &child : &window);
        QCOMPARE(result, MsgBox::ResultNo);
        QVERIFY(boxFrame.isValid());
        QVERIFY(onTop);
        const QRect owner = window.frameGeometry();
        QCOMPARE(boxFrame.topLeft(), CentredPosition(owner, boxFrame.size()));
        QVERIFY(qAbs(boxFrame.center().x() - owner.center().x()) <= 1);
        QVERIFY(qAbs(boxFrame.center().y() - owner.center().y()) <= 1);
    }

    void buttonsAndDefaults_data() {
        QTest::addColumn<int>("flags");
        QTest::addColumn<QList<int>>("results");
        QTest::addColumn<int>("defaultResult");
        using namespace MsgBox;
        QTest::newRow("OK, stop icon") << 16 << QList<int>{ResultOk} << ResultOk;
        QTest::newRow("OK/Cancel, question") << 33 << QList<int>{ResultOk, ResultCancel} << ResultOk;
        QTest::newRow("Yes/No, question") << 36 << QList<int>{ResultYes, ResultNo} << ResultYes;
        QTest::newRow("Yes/No, second default")
            << (36 | DefaultButton2) << QList<int>{ResultYes, ResultNo} << ResultNo;
        QTest::newRow("Yes/No/Cancel, third default")
            << (3 | DefaultButton3) << QList<int>{ResultYes, ResultNo, ResultCancel} << ResultCancel;
        QTest::newRow("Abort/Retry/Ignore")
            << 2 << QList<int>{ResultAbort, ResultRetry, ResultIgnore} << ResultAbort;
        QTest::newRow("Retry/Cancel") << 5 << QList<int>{ResultRetry, ResultCancel} << ResultRetry;
    }
    void buttonsAndDefaults() {
        QFETCH(int, flags);
        QFETCH(QList<int>, results);
        QFETCH(int, defaultResult);
        QList<int> offered;
        int shownDefault = 0;
        whenBoxShows([&](QMessageBox* box) {
            for (QAbstractButton* button : box->buttons())
                offered << button->property("msgBoxResult").toInt();
            shownDefault = box->defaultButton()->property("msgBoxResult").toInt();
            box->defaultButton()->click();
        });
        QCOMPARE(CentredMsgBox("Question?", flags), defaultResult);
        std::sort(offered.begin(), offered.end());
        std::sort(results.begin(), results.end());
        QCOMPARE(offered, results);
        QCOMPARE(shownDefault, defaultResult);
    }

    // At the end of a session nobody answers: the open box gets the answer that risks least (an
    // unsaved edit's "Save changes?" is saved, a deletion is cancelled), and so do later boxes, unseen.
    // Runs last: the program never leaves this state.
    void unattendedAnswers() {
        whenBoxShows([](QMessageBox*) { AnswerDialogsUnattended(); });
        QCOMPARE(CentredMsgBox("Save changes?", MsgBox::YesNo | MsgBox::Question), MsgBox::ResultYes);
        using namespace MsgBox;
        const QList<QPair<int, int>> later{{OkCancel | Question, ResultCancel},
                                           {YesNo | DefaultButton2, ResultNo},
                                           {OkOnly | Critical, ResultOk}};
        for (const auto& [flags, answer] : later)
            QCOMPARE(CentredMsgBox("Question?", flags), answer);
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(TestCentredMessageBox)
#include "tst_centredmessagebox.moc"
