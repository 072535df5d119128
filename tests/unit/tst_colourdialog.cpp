#include "ui/modColourDialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

// Runs `answer` on the colour dialog as soon as it is open, then returns what ChooseColour gave.
qint32 chooseWith(QWidget* owner, qint32 initial, const std::function<void(QColorDialog&)>& answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            qFatal("no colour dialog is open");
        answer(*dialog);
    });
    return ChooseColour(owner, true, initial);
}

} // namespace

class TestColourDialog : public QObject {
    Q_OBJECT
private slots:
    // Qt keeps the dialog's custom colours in its settings file: the test's own, not the user's.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void chosenColourComesBackAsBgr_data();
    void chosenColourComesBackAsBgr();
    void cancellingGivesMinusOne();
    void customColoursAreNotKept();
};

void TestColourDialog::chosenColourComesBackAsBgr_data() {
    QTest::addColumn<qint32>("initial");
    QTest::addColumn<QColor>("startsAt");
    QTest::addColumn<QColor>("chosen");
    QTest::addColumn<qint32>("result");
    QTest::newRow("red from blue") << qint32(0xFF0000) << QColor(0, 0, 255) << QColor(255, 0, 0)
                                   << qint32(0x0000FF);
    QTest::newRow("mixed from black")
        << qint32(0) << QColor(0, 0, 0) << QColor(0x12, 0x34, 0x56) << qint32(0x563412);
    QTest::newRow("white from no colour")
        << qint32(0x80000005) << QColor(255, 255, 255) << QColor(255, 255, 255) << qint32(0xFFFFFF);
}

void TestColourDialog::chosenColourComesBackAsBgr() {
    QFETCH(qint32, initial);
    QFETCH(QColor, startsAt);
    QFETCH(QColor, chosen);
    QFETCH(qint32, result);
    QWidget owner;
    QColor seen;
    const qint32 answer = chooseWith(&owner, initial, [&](QColorDialog& dialog) {
        seen = dialog.currentColor();
        dialog.setCurrentColor(chosen);
        dialog.accept();
    });
    QCOMPARE(seen, startsAt);
    QCOMPARE(answer, result);
}

void TestColourDialog::cancellingGivesMinusOne() {
    QWidget owner;
    const qint32 answer = chooseWith(&owner, 0x00FF00, [](QColorDialog& dialog) {
        dialog.setCurrentColor(Qt::red);
        dialog.reject();
    });
    QCOMPARE(answer, -1);
}

void TestColourDialog::customColoursAreNotKept() {
    QWidget owner;
    QColor customSeenSecondTime;
    chooseWith(&owner, 0, [](QColorDialog& dialog) {
        QColorDialog::setCustomColor(0, QColor(1, 2, 3));
        dialog.accept();
    });
    QCOMPARE(QColorDialog::customColor(0), QColor(Qt::white));
    chooseWith(&owner, 0, [&](QColorDialog& dialog) {
        customSeenSecondTime = QColorDialog::customColor(0);
        dialog.reject();
    });
    QCOMPARE(customSeenSecondTime, QColor(Qt::white));
}

QTEST_MAIN(TestColourDialog)
#include "tst_colourdialog.moc"
