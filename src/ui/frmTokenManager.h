#pragma once

#include "launcher/IdleGate.h"

#include <QByteArray>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

class cCarousel;
class cToken;
class cTokenManager;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidgetItem;
class TokenTreeDragDrop;
class TokenTreeWidget;

// The editor of the token tree: the tree of every token on the left (check box = enabled), the
// selected token's properties and a live preview of its carousel image on the right. A view over the
// token manager: every change (save, new, delete, switch, move) is one of its operations, which store
// the change and bring the carousel in step; the window only keeps its tree and fields in step. The Save
// button's enabled state is the window's unsaved-changes flag. Closing the window (DONE, Esc, the close box)
// offers unsaved changes for saving and destroys it.
class frmTokenManager : public QWidget {
    Q_OBJECT
public:
    static constexpr int FullWidth = 426;
    static constexpr int PropertiesHiddenWidth = 224;
    static constexpr int ClientHeight = 535;
    static constexpr unsigned BackgroundColour = 0xE5E5E5; // 0x00BBGGRR
    static constexpr double IconScaleStep = 0.05;

    // pCarousel turns to the selected token while "Scroll to Selected Token" is checked.
    frmTokenManager(cTokenManager& pTokens, cCarousel& pCarousel, QWidget* parent = nullptr);
    ~frmTokenManager() override;

    // Rebuilds the tree from the tokens (inactive ones left out when pHideInactive), selects the
    // node of pSelectKey (the root when it is not shown) and loads its token.
    void PopulateTree(const QString& pSelectKey, bool pHideInactive);
    // Shows the token's properties, first offering unsaved changes of the token on show for saving.
    void LoadToken(const QString& pKey);
    void RenderPreview();

    // The token whose properties are on show, and the icon scale being edited (1.0 = 100 %).
    std::shared_ptr<cToken> LoadedToken() const { return mToken; }
    double IconScale() const { return mIconScale; }
    bool HasUnsavedChanges() const;
    // The encoded picture being edited: the loaded token's, or the one the image picker handed back.
    const QByteArray& EditedPicture() const { return mImageBytes; }

    TokenTreeWidget* Tree() const { return tvwTokens; }
    TokenTreeDragDrop* TreeDragDrop() const { return mTreeDragDrop; }

    // The window's own event routines, also reachable from the keyboard and the mouse.
    void cmdSave_Click();
    void cmdNew_Click();
    void cmdDelete_Click();
    void cmdEditImage_Click();
    void cmdZoom_Click(int pIndex);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Busy while a handler of this window waits (in a message box, the image picker, or events let
    // through while a token loads): a close that arrives meanwhile deletes the window only once the
    // outermost such handler has returned, since it and Qt's code below it still use it.
    IdleGate mWaits;

    // Construction (frmTokenManager.cpp).
    void createControls();
    void createPropertyControls();
    void setTabOrder();
    void connectControls();
    QPushButton* makeButton(const QString& pName, const QString& pCaption, const QRect& pGeometry);
    QCheckBox* makeCheckBox(const QString& pName, const QString& pCaption, const QRect& pGeometry);

    // Tree (frmTokenManagerTree.cpp).
    void mTokens_NewToken(const std::shared_ptr<cToken>& pToken);
    void tvwTokens_NodeClick(QTreeWidgetItem* pNode);
    void tvwTokens_NodeCheck(QTreeWidgetItem* pNode);
    void chkHideProperties_Click();
    void chkHideInactive_Click();
    void chkScrollToSelection_Click();
    void turnCarouselToLoadedToken();
    QString activeKey() const;

    // Drag and drop on the tree (frmTokenManagerDrop.cpp).
    bool canMoveNode(const QString& pDraggedKey, const QString& pTargetKey) const;
    void tvwTokens_NodeDrop(const QString& pDraggedKey, const QString& pTargetKey);
    void tvwTokens_NodeDragEnded(const QString& pKey);
    void tvwTokens_FileDrop(const QString& pFilePath, const QString& pTargetKey);

    // Editing (frmTokenManagerEdit.cpp).
    void offerToSave();
    void fillFields();
    void markEdited();
    void txtCaption_Change();
    // Caption, command and description: the whole text, so typing replaces it.
    void selectWholeText(QWidget* pField);
    // The selection a click that gave pField the focus still owes it, made at most once.
    void selectAfterClick(QWidget* pField);
    void picPreview_MouseDown(Qt::MouseButton pButton);

    cTokenManager& mTokens;
    cCarousel& mCarousel;
    std::shared_ptr<cToken> mToken;
    QByteArray mImageBytes;
    double mIconScale = 1.0;
    bool mLoaded = false;
    QPointer<QWidget> mSelectionOwed; // the field a focusing click is to select, until it has
    QPoint mPlace;                    // where the window's frame goes on the screen
    bool mPlaced = false;

    TokenTreeWidget* tvwTokens = nullptr;
    TokenTreeDragDrop* mTreeDragDrop = nullptr;
    QCheckBox* chkHideProperties = nullptr;
    QCheckBox* chkHideInactive = nullptr;
    QCheckBox* chkScrollToSelection = nullptr;
    QPushButton* cmdNew = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* picPreview = nullptr;
    QPushButton* cmdZoom1 = nullptr;
    QPushButton* cmdZoom2 = nullptr;
    QPushButton* cmdEditImage = nullptr;
    QLineEdit* txtCaption = nullptr;
    QPlainTextEdit* txtCommand = nullptr;
    QPlainTextEdit* txtParameters = nullptr;
    QPlainTextEdit* txtDescription = nullptr;
    QCheckBox* chkHideAfterExecution = nullptr;
    QPushButton* cmdSave = nullptr;
};
