// Editing in the Token Manager window: loading, edit tracking, saving, the icon scale, the
// picture and its preview, and closing with unsaved changes.
#include "TokenManagerWindowRig.h"
#include "platform/Imaging.h"
#include "ui/frmImagePicker.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

namespace {
QColor CentreColour(QLabel* preview) {
    const QImage image = preview->pixmap().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}
} // namespace

class TestTokenManagerEditing : public QObject {
    Q_OBJECT
private slots:
    void iconScaleIsStoredAsAWholePercentage_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("downs");
        QTest::addColumn<int>("ups");
        QTest::addColumn<int>("expected");
        QTest::newRow("1.0 unchanged") << 100 << 0 << 0 << 100;
        QTest::newRow("0.6 unchanged") << 60 << 0 << 0 << 60;
        QTest::newRow("one step down") << 60 << 1 << 0 << 55;
        QTest::newRow("down and up again") << 100 << 3 << 3 << 100;
        QTest::newRow("seventeen down from 1.0") << 100 << 17 << 0 << 15;
        QTest::newRow("no further below 0.1499999999999997") << 100 << 25 << 0 << 15;
        QTest::newRow("ten down from 0.6 reach 0.1") << 60 << 10 << 0 << 10;
        QTest::newRow("no further below 0.10000000000000002") << 60 << 14 << 0 << 10;
        QTest::newRow("twenty up from 1.0") << 100 << 0 << 20 << 200;
        QTest::newRow("no further above 2.000000000000001") << 100 << 0 << 26 << 200;
    }

    void iconScaleIsStoredAsAWholePercentage() {
        QFETCH(int, stored);
        QFETCH(int, downs);
        QFETCH(int, ups);
        QFETCH(int, expected);
        TokenManagerWindowRig rig({{2, 1, "Games", true, {}, {}, stored}});
        rig.Open();
        rig.ClickNode("ID2");
        for (int i = 0; i < downs; ++i)
            rig.Button("cmdZoom1")->click();
        for (int i = 0; i < ups; ++i)
            rig.Button("cmdZoom2")->click();
        rig.TextBox("txtDescription")->setPlainText("edited"); // Save is on even without a step
        QVERIFY(rig.SaveEnabled());
        rig.Button("cmdSave")->click();
        QVERIFY(!rig.SaveEnabled());
        QCOMPARE(rig.Stored(2, "TokenIconScale").toInt(), expected);
        QCOMPARE(rig.tokens->Item("ID2")->IconScale(), expected);
    }

    void zoomAtTheLimitsRedrawsAndEnablesSave_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("button");
        QTest::newRow("+ at 2.0") << 200 << "cmdZoom2";
        QTest::newRow("- at 0.15") << 15 << "cmdZoom1";
        QTest::newRow("- below 0.15") << 10 << "cmdZoom1";
    }

    void zoomAtTheLimitsRedrawsAndEnablesSave() {
        QFETCH(int, stored);
        QFETCH(QString, button);
        TokenManagerWindowRig rig({{2, 1, "Games", true, TokenDbFixture::Png(48, 48), {}, stored}});
        rig.Open();
        rig.ClickNode("ID2");
        const double scale = rig.window->IconScale();
        const qint64 drawn = rig.Preview()->pixmap().cacheKey();
        QVERIFY(!rig.SaveEnabled());
        rig.Button(button.toLatin1())->click();
        QCOMPARE(rig.window->IconScale(), scale);
        QVERIFY(rig.Preview()->pixmap().cacheKey() != drawn);
        QVERIFY(rig.SaveEnabled());
        rig.Button("cmdSave")->click();
        QCOMPARE(rig.Stored(2, "TokenIconScale").toInt(), stored);
    }

    void previewMouseButtonsZoom_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("edited");
        QTest::newRow("right enlarges") << Qt::RightButton << 65 << true;
        QTest::newRow("left shrinks") << Qt::LeftButton << 55 << true;
        QTest::newRow("middle does nothing") << Qt::MiddleButton << 60 << false;
    }

    void previewMouseButtonsZoom() {
        QFETCH(Qt::MouseButton, button);
        QFETCH(int, expected);
        QFETCH(bool, edited);
        TokenManagerWindowRig rig;
        rig.Open();
        rig.ClickNode("ID5");
        QTest::mouseClick(rig.Preview(), button, {}, QPoint(98, 120));
        QCOMPARE(rig.SaveEnabled(), edited);
        QCOMPARE(qRound(rig.window->IconScale() * 100), expected);
        if (edited) {
            rig.Button("cmdSave")->click();
            QCOMPARE(rig.Stored(5, "TokenIconScale").toInt(), expected);
        }
    }

    void editThenPickAnotherNodeOffersToSave_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("No discards") << int(MsgBox::ResultNo);
        QTest::newRow("Yes saves") << int(MsgBox::ResultYes);
    }

    void editThenPickAnotherNodeOffersToSave() {
        QFETCH(int, answer);
        TokenManagerWindowRig rig;
        rig.Open();
        rig.ClickNode("ID5");
        rig.Caption()->setText("Aardvark");
        QVERIFY(rig.SaveEnabled());
        rig.answers = {answer};
        rig.ClickNode("ID52");
        QCOMPARE(rig.asked.size(), 1);
        QCOMPARE(rig.asked[0].prompt, QStringLiteral("Save changes to 'Tools'?"));
        QCOMPARE(rig.asked[0].title, QStringLiteral("Save Changes?"));
        QCOMPARE(rig.asked[0].flags, 36);
        QVERIFY(rig.asked[0].centred);
        QCOMPARE(rig.window->LoadedToken()->Key(), QStringLiteral("ID52"));
        QCOMPARE(rig.Caption()->text(), QStringLiteral("Office"));
        QVERIFY(!rig.SaveEnabled());
        QTreeWidgetItem* root = rig.Tree()->Node("ID1");
        if (answer == MsgBox::ResultYes) {
            QCOMPARE(rig.Stored(5, "Caption").toString(), QStringLiteral("Aardvark"));
            QCOMPARE(rig.Tree()->Node("ID5")->text(0), QStringLiteral("Aardvark"));
            QCOMPARE(root->child(0), rig.Tree()->Node("ID5")); // sorted in among its siblings
            QVERIFY(rig.tokens->CurrentImages()->Exists("AardvarkID5"));
            QVERIFY(!rig.tokens->CurrentImages()->Exists("ToolsID5"));
            QCOMPARE(rig.carousel->ImageCount(), rig.tokens->CurrentImages()->Count());
        } else {
            QCOMPARE(rig.Stored(5, "Caption").toString(), QStringLiteral("Tools"));
            QCOMPARE(rig.tokens->Item("ID5")->Caption(), QStringLiteral("Tools"));
            QCOMPARE(rig.Tree()->Node("ID5")->text(0), QStringLiteral("Tools"));
        }
    }

    void pickingTheEditedNodeAgainCanDiscard() {
        TokenManagerWindowRig rig;
        rig.Open();
        rig.ClickNode("ID5");
        rig.Caption()->setText("Toolbox");
        rig.answers = {MsgBox::ResultNo};
        rig.ClickNode("ID5");
        QCOMPARE(rig.asked.size(), 1);
        QCOMPARE(rig.Caption()->text(), QStringLiteral("Tools"));
        QVERIFY(!rig.SaveEnabled());
    }

    void escapeAfterAnEditAsksThenCloses_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("stored");
        QTest::newRow("No, in the caption") << "txtCaption" << int(MsgBox::ResultNo) << "Tools";
        QTest::newRow("Yes, in the caption") << "txtCaption" << int(MsgBox::ResultYes) << "Toolbox";
        QTest::newRow("Yes, in the tree") << "tvwTokens" << int(MsgBox::ResultYes) << "Toolbox";
        QTest::newRow("No, in the description") << "txtDescription" << int(MsgBox::ResultNo) << "Tools";
    }

    void escapeAfterAnEditAsksThenCloses() {
        QFETCH(QString, focus);
        QFETCH(int, answer);
        QFETCH(QString, stored);
        TokenManagerWindowRig rig;
        rig.Open();
        rig.ClickNode("ID5");
        rig.Caption()->setText("Toolbox");
        rig.answers = {answer};
        QTest::keyClick(rig.window->findChild<QWidget*>(focus), Qt::Key_Escape);
        QCOMPARE(rig.asked.size(), 1);
        QCOMPARE(rig.asked[0].prompt, QStringLiteral("Save changes to 'Tools'?"));
        TokenManagerWindowRig::ProcessDeletions();
        QVERIFY(rig.window.isNull());
        QCOMPARE(rig.Stored(5, "Caption").toString(), stored);
    }

    void loadingNeverEnablesSave() {
        TokenManagerWindowRig rig(
            {{2, 1, "Editor", true, TokenDbFixture::Png(20, 20), "/usr/bin/editor", 80, true, "Edits text"},
             {3, 1, "Blank"},
             {4, 2, "Editor"}});
        rig.tokens->SetActiveToken("ID2");
        rig.Open();
        QVERIFY(!rig.SaveEnabled());
        QCOMPARE(rig.TextBox("txtCommand")->toPlainText(), QStringLiteral("/usr/bin/editor"));
        QCOMPARE(rig.TextBox("txtDescription")->toPlainText(), QStringLiteral("Edits text"));
        QVERIFY(rig.CheckBox("chkHideAfterExecution")->isChecked());
        for (const char* key : {"ID3", "ID2", "ID4", "ID1", "ID2"}) {
            rig.ClickNode(key);
            QVERIFY2(!rig.SaveEnabled(), key);
        }
        rig.CheckBox("chkHideInactive")->click();
        QVERIFY(!rig.SaveEnabled());
        QVERIFY(rig.asked.isEmpty());
    }

    void editingAFieldEnablesSaveWhichWritesIt_data() {
        QTest::addColumn<QString>("text"); // rows are named after the control; the column is its name's rest
        QTest::newRow("txtCaption") << "Toolbox";
        QTest::newRow("txtCommand") << "/usr/bin/tool";
        QTest::newRow("txtParameters") << "--all \"two words\"";
        QTest::newRow("txtDescription") << "For tools";
        QTest::newRow("chkHideAfterExecution") << "1"; // clicked
    }

    void editingAFieldEnablesSaveWhichWritesIt() {
        const QString field = QTest::currentDataTag();
        QFETCH(QString, text);
        TokenManagerWindowRig rig;
        rig.Open();
        rig.ClickNode("ID5");
        QWidget* control = rig.window->findChild<QWidget*>(field);
        if (auto* box = qobject_cast<QCheckBox*>(control))
            box->click();
        else if (auto* line = qobject_cast<QLineEdit*>(control))
            line->setText(text);
        else
            qobject_cast<QPlainTextEdit*>(control)->setPlainText(text);
        QVERIFY(rig.SaveEnabled());
        rig.Button("cmdSave")->click();
        QVERIFY(!rig.SaveEnabled());
        QCOMPARE(rig.Stored(5, field.mid(3).toLatin1().constData()).toString(), text);
        QCOMPARE(rig.Stored(5, "TokenIconScale").toInt(), 60);
        QVERIFY(!rig.Stored(5, "SourceImage").toByteArray().size()); // no picture: none is written
        // The tree and the carousel follow the caption as saved.
        const QString caption = rig.Stored(5, "Caption").toString();
        QCOMPARE(rig.Tree()->Node("ID5")->text(0), caption);
        QVERIFY(rig.tokens->CurrentImages()->Exists(caption + "ID5"));
        QCOMPARE(rig.tokens->CurrentImages()->Exists("ToolsID5"), caption == "Tools");
        QCOMPARE(rig.carousel->ImageCount(), rig.tokens->CurrentImages()->Count());
    }

    void saveOfATokenWhoseNodeARebuildRemoved() {
        // Games is edited, then switched off while inactive tokens are hidden: the tree is rebuilt
        // without it, and the offer to save the edit comes while its node is already gone.
        TokenManagerWindowRig rig;
        rig.Open();
        rig.CheckBox("chkHideInactive")->click();
        rig.ClickNode("ID2");
        rig.Caption()->setText("Gamez");
        rig.answers = {MsgBox::ResultYes};
        rig.ToggleCheckOfSelected();
        QCOMPARE(rig.asked.size(), 1);
        QCOMPARE(rig.asked[0].prompt, QStringLiteral("Save changes to 'Games'?"));
        QVERIFY(!rig.Tree()->Node("ID2"));
        QCOMPARE(rig.Stored(2, "Caption").toString(), QStringLiteral("Gamez"));
        QCOMPARE(rig.Stored(2, "Enabled").toInt(), 0);
        QCOMPARE(rig.window->LoadedToken()->Key(), QStringLiteral("ID1"));
    }

    void sameCaptionStillRedrawsThePreview() {
        TokenManagerWindowRig rig({{2, 1, "Twin", true, TokenDbFixture::Png(40, 40, 0xff0000), {}, 100},
                                   {3, 1, "Twin", true, TokenDbFixture::Png(40, 40, 0x0000ff), {}, 100}});
        rig.Open();
        rig.ClickNode("ID2");
        const QColor first = CentreColour(rig.Preview());
        rig.ClickNode("ID3");
        const QColor second = CentreColour(rig.Preview());
        QVERIFY2(first.red() > first.blue(), qPrintable(first.name()));
        QVERIFY2(second.blue() > second.red(), qPrintable(second.name()));
    }

    void previewShowsTheWindowColourBeneath() {
        TokenManagerWindowRig rig;
        rig.Open();
        const QImage preview = rig.Preview()->pixmap().toImage();
        QCOMPARE(preview.size(), QSize(196, 196));
        // The corners lie outside the token's round badge: the window's colour, fully opaque.
        for (const QPoint corner : {QPoint(0, 0), QPoint(195, 0), QPoint(0, 195), QPoint(195, 195)})
            QCOMPARE(preview.pixelColor(corner), QColor(0xE5, 0xE5, 0xE5));
    }

    void undecodableStoredPictureIsPreviewedAsNone() {
        TokenManagerWindowRig rig({{2, 1, "Broken", true, QByteArray("not a picture at all")}});
        rig.tokens->SetActiveToken("ID2");
        rig.Open();
        QCOMPARE(rig.window->LoadedToken()->Key(), QStringLiteral("ID2"));
        QVERIFY(!rig.Preview()->pixmap().isNull());
        // Saving other changes keeps the stored bytes as they are.
        rig.TextBox("txtDescription")->setPlainText("still broken");
        rig.Button("cmdSave")->click();
        QCOMPARE(rig.Stored(2, "SourceImage").toByteArray(), QByteArray("not a picture at all"));
    }

    void editImageTakesThePickedPicture() {
        TokenManagerWindowRig rig({{2, 1, "Games", true, TokenDbFixture::Png(30, 30, 0x00ff00), {}, 100}});
        const QString folder = rig.dir.filePath("pictures");
        QDir().mkpath(folder);
        QImage red(48, 48, QImage::Format_ARGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(folder + "/red.png"));
        rig.Open();
        rig.ClickNode("ID2");
        const QColor before = CentreColour(rig.Preview());
        QTimer::singleShot(0, [folder] {
            auto* picker = qobject_cast<frmImagePicker*>(QApplication::activeModalWidget());
            QVERIFY(picker);
            picker->SetDirPath(folder);
            picker->File1_Click("red.png");
            picker->findChild<QPushButton*>("cmdSelectImage")->click();
        });
        rig.Button("cmdEditImage")->click();
        QVERIFY(rig.SaveEnabled());
        const QColor after = CentreColour(rig.Preview());
        QVERIFY2(before.green() > before.red() && after.red() > after.green(), qPrintable(after.name()));
        rig.Button("cmdSave")->click();
        const QImage stored = Imaging::Decode(rig.Stored(2, "SourceImage").toByteArray());
        QCOMPARE(stored.size(), QSize(196, 196));
        QCOMPARE(stored.pixelColor(98, 98), QColor(Qt::red));
    }

    void editImageCancelledChangesNothing() {
        TokenManagerWindowRig rig({{2, 1, "Games", true, TokenDbFixture::Png(30, 30, 0x00ff00)}});
        rig.Open();
        rig.ClickNode("ID2");
        const QByteArray picture = rig.window->EditedPicture();
        QTimer::singleShot(0, [] {
            auto* picker = qobject_cast<frmImagePicker*>(QApplication::activeModalWidget());
            QVERIFY(picker);
            picker->close(); // the close box
        });
        rig.Button("cmdEditImage")->click();
        QVERIFY(!rig.SaveEnabled());
        QCOMPARE(rig.window->EditedPicture(), picture);
    }

    void focusSelectsTheWholeText_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("byClick");
        QTest::addColumn<bool>("selectsAll");
        for (bool byClick : {false, true}) {
            const char* how = byClick ? "clicked" : "tabbed into";
            QTest::addRow("caption %s", how) << "txtCaption" << byClick << true;
            QTest::addRow("command %s", how) << "txtCommand" << byClick << true;
            QTest::addRow("parameters %s", how) << "txtParameters" << byClick << false;
            QTest::addRow("description %s", how) << "txtDescription" << byClick << true;
        }
    }

    void focusSelectsTheWholeText() {
        QFETCH(QString, field);
        QFETCH(bool, byClick);
        QFETCH(bool, selectsAll);
        TokenManagerWindowRig rig({{2, 1, "Games", true, {}, "/usr/games/run", 60, false, "All the games"}});
        rig.tokens->SetActiveToken("ID2");
        frmTokenManager& window = rig.Open();
        rig.TextBox("txtParameters")->setPlainText("-x -y");
        QApplication::setActiveWindow(&window);
        QWidget* control = window.findChild<QWidget*>(field);
        auto* line = qobject_cast<QLineEdit*>(control);
        auto* box = qobject_cast<QPlainTextEdit*>(control);
        if (byClick) {
            // The press lands in the middle of the text, where it would place the cursor.
            QWidget* target = box ? box->viewport() : control;
            QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(12, target->height() / 2));
            QCoreApplication::processEvents();
        } else {
            control->setFocus(Qt::TabFocusReason);
        }
        QVERIFY(control->hasFocus());
        const QString selected = line ? line->selectedText() : box->textCursor().selectedText();
        const QString whole = line ? line->text() : box->toPlainText();
        QVERIFY(!whole.isEmpty());
        QCOMPARE(selected == whole, selectsAll);
    }

    void scrollToSelectedTokenTurnsTheCarousel() {
        TokenManagerWindowRig rig;
        rig.Open();
        auto frontKey = [&] {
            const int index = rig.carousel->CurrentIndex();
            return index > 0 ? rig.tokens->CurrentImages()->KeyAt(index - 1) : QString();
        };
        // With the option on, picking a token of the level on show turns it to the front.
        rig.ClickNode("ID52");
        QCOMPARE(frontKey(), QStringLiteral("OfficeID52"));
        // Off: picking moves nothing; turning it on again turns to the token on show.
        rig.CheckBox("chkScrollToSelection")->click();
        rig.ClickNode("ID5");
        QCOMPARE(frontKey(), QStringLiteral("OfficeID52"));
        rig.CheckBox("chkScrollToSelection")->click();
        QCOMPARE(frontKey(), QStringLiteral("ToolsID5"));
        // A token on another level moves nothing.
        rig.ClickNode("ID2");
        rig.Tree()->Node("ID2")->setExpanded(true);
        rig.ClickNode("ID3");
        QCOMPARE(frontKey(), QStringLiteral("GamesID2"));
        rig.CheckBox("chkScrollToSelection")->click();
        rig.CheckBox("chkScrollToSelection")->click();
        QCOMPARE(frontKey(), QStringLiteral("GamesID2"));
    }
};

QTEST_MAIN(TestTokenManagerEditing)
#include "tst_tokenmanagerediting.moc"
