#include "TessaroRun.h"
#include "TrayProbe.h"
#include "platform/SqlDatabase.h"

#include <QTest>

using TestSupport::TessaroRun;
using TestSupport::TrayProbe;
using TestSupport::WaitFor;
using TestSupport::XvfbSession;

namespace {
QString PragmaText(const QString& path, const QString& pragma) {
    SqlConnection db(path);
    SqlRowSet rows = db.Query(QStringLiteral("PRAGMA ") + pragma);
    rows.MoveFirst();
    return rows.Value(rows.Columns().first()).toString();
}
} // namespace

// One launcher in a desktop with a system tray, driven through its icon and menu; the cases run in
// order and each leaves the launcher shown.
class TestTray : public QObject {
    Q_OBJECT

    std::unique_ptr<XvfbSession> mX;
    std::unique_ptr<TessaroRun> mTessaro;
    std::unique_ptr<TrayProbe> mProbe;
    QImage mHideItem; // the first menu item while the launcher is shown

private slots:
    void initTestCase() {
        mX = std::make_unique<XvfbSession>(XvfbSession::Options{.withTray = true});
        QVERIFY2(mX->IsRunning(), qPrintable(mX->ErrorString()));
        mTessaro = std::make_unique<TessaroRun>(*mX);
        mProbe = std::make_unique<TrayProbe>(*mX);
        QVERIFY(mTessaro->Start());
        QVERIFY2(mTessaro->WaitForMainWindow(true), qPrintable(mTessaro->Output()));
    }

    void cleanupTestCase() {
        mTessaro.reset();
        mX.reset();
    }

    void iconAppearsInTheTray() {
        QVERIFY2(mProbe->WaitForIcon(), qPrintable(mTessaro->Output()));
        QVERIFY(mProbe->IconRect()->width() >= 16);
    }

    void rightClickOpensTheMenu() {
        mHideItem = mProbe->FirstItemPicture();
        QVERIFY2(!mHideItem.isNull(), "no popup menu after a right click");
        QVERIFY(TrayProbe::InkWidth(mHideItem) > 0);
        // The menu lists the show/hide item and the eight below it.
        QVERIFY(mProbe->PopupRect()->height() > 6 * 20);
        QVERIFY(mProbe->ClosePopup());
        QCOMPARE(mTessaro->MainWindows().size(), 1);
    }

    void singleLeftClickChangesNothing() {
        mProbe->LeftClickIcon();
        // The menu opened afterwards proves the click was handled; the launcher is still shown.
        const QImage item = mProbe->FirstItemPicture();
        QVERIFY(!item.isNull());
        QCOMPARE(mTessaro->MainWindows().size(), 1);
        QCOMPARE(item, mHideItem);
        QVERIFY(mProbe->ClosePopup());
    }

    void doubleClickHidesAndShows() {
        mProbe->DoubleClickIcon();
        QVERIFY(mTessaro->WaitForMainWindow(false));
        const QImage showItem = mProbe->FirstItemPicture();
        QVERIFY(!showItem.isNull());
        QVERIFY2(showItem != mHideItem, "the first item still names the same action");
        // "Show" is the wider word ("Hide" has a narrow i).
        QVERIFY(TrayProbe::InkWidth(showItem) > TrayProbe::InkWidth(mHideItem));
        QVERIFY(mProbe->ClosePopup());
        QVERIFY(mTessaro->MainWindows().isEmpty());

        mProbe->DoubleClickIcon();
        QVERIFY(mTessaro->WaitForMainWindow(true));
        QCOMPARE(mProbe->FirstItemPicture(), mHideItem);
        QVERIFY(mProbe->ClosePopup());
    }

    void escapeHidesAndTheItemFollows() {
        QVERIFY(mX->Focus(mTessaro->MainWindows().first()));
        QVERIFY(mX->Xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
        QVERIFY(mTessaro->WaitForMainWindow(false));
        const QImage item = mProbe->FirstItemPicture();
        QVERIFY(item != mHideItem);
        // Choosing the item shows the launcher again.
        mX->Xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Return")});
        QVERIFY(mTessaro->WaitForMainWindow(true));
        QVERIFY(mProbe->WaitForPopup(false));
    }

    void exitEndsTheProgramAndKeepsTheDatabase() {
        const QString path = mTessaro->DatabasePath();
        {
            // Free pages that only a compaction removes.
            SqlConnection db(path);
            db.Execute("INSERT INTO Tokens (TokenID, ParentID, Caption, SourceImage) "
                       "VALUES (999, 1, 'Big', zeroblob(300000))");
            db.Execute("DELETE FROM Tokens WHERE TokenID = 999");
        }
        QVERIFY(PragmaText(path, QStringLiteral("freelist_count")).toInt() > 0);
        mProbe->RightClickIcon();
        QVERIFY(mProbe->WaitForPopup(true));
        const QRect popup = *mProbe->PopupRect();
        // "Exit" is the last item.
        QVERIFY(mX->Xdotool({"mousemove", QString::number(popup.center().x()),
                             QString::number(popup.bottom() - 10), "click", "1"}));
        QVERIFY2(mTessaro->WaitForExit(), "the program is still running");
        QProcess* process = mTessaro->Process();
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0);
        QCOMPARE(PragmaText(path, QStringLiteral("integrity_check")), QStringLiteral("ok"));
        QCOMPARE(PragmaText(path, QStringLiteral("freelist_count")).toInt(), 0);
        QVERIFY(!mProbe->IconRect().has_value());
    }
};

QTEST_GUILESS_MAIN(TestTray)
#include "tst_tray.moc"
