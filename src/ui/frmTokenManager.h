#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

class cCarousel;
class clsDatabase;
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
// selected token's properties and a live preview of its carousel image on the right. Every change
// goes through the token manager and the database, and the carousel is rebuilt or turned when the
// level on show is affected. The Save button's enabled state is the window's unsaved-changes flag.
// Closing the window (DONE, Esc, the close box) offers unsaved changes for saving and destroys it.
class frmTokenManager : public QWidget {
    Q_OBJECT
public:
    static constexpr int FullWidth = 426;
    static constexpr int PropertiesHiddenWidth = 224;
    static constexpr int ClientHeight = 535;
    static constexpr unsigned BackgroundColour = 0xE5E5E5; // 0x00BBGGRR
    static constexpr double IconScaleStep = 0.05;

    frmTokenManager(cTokenManager& pTokens, cCarousel& pCarousel, clsDatabase& pDatabase,
                    QWidget* parent = nullptr);
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

private:
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
    // Leaves the level on show for the node's parent level when the current root is the node or
    // lies below it, so the carousel never shows a level that is about to vanish.
    void leaveLevelWithin(const QString& pNodeKey);
    // The keys of the token and every token below it, found through the tokens' parent links.
    QStringList subtreeKeys(const QString& pKey) const;
    void turnCarouselToLoadedToken();
    QString activeKey() const;

    // Drag and drop on the tree (frmTokenManagerDrop.cpp).
    bool canMoveNode(const QString& pDraggedKey, const QString& pTargetKey) const;
    // Whether the token of pKey is the token of pAncestorKey or lies below it, by the tokens'
    // parent links.
    bool liesWithin(const QString& pKey, const QString& pAncestorKey) const;
    void tvwTokens_NodeDrop(const QString& pDraggedKey, const QString& pTargetKey);
    void tvwTokens_NodeDragEnded(const QString& pKey);
    void tvwTokens_FileDrop(const QString& pFilePath, const QString& pTargetKey);
    // Makes the nearest active ancestor the current root when the level on show has become
    // inactive; returns the image key to bring to the front there (empty when nothing changed).
    QString leaveInactiveLevel();

    // Editing (frmTokenManagerEdit.cpp).
    void offerToSave();
    void fillFields();
    void markEdited();
    void txtCaption_Change();
    // Caption, command and description: the whole text, so typing replaces it.
    void selectWholeText(QWidget* pField);
    void picPreview_MouseDown(Qt::MouseButton pButton);

    cTokenManager& mTokens;
    cCarousel& mCarousel;
    clsDatabase& mDatabase;
    std::shared_ptr<cToken> mToken;
    double mIconScale = 1.0;
    bool mLoaded = false;
    QPoint mPlace; // where the window's frame goes on the screen
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
