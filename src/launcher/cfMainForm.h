#pragma once

#include <QWidget>

class cfMain;

// The main window's top-level widget: it passes keys, mouse and wheel input, activation, showing and
// closing to the cfMain that owns it.
class cfMainForm : public QWidget {
    Q_OBJECT
public:
    cfMainForm(cfMain& pOwner, QWidget* parent);

    // Closes the window without telling its owner (the program is already ending).
    void CloseSilently();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    cfMain& mOwner;
    bool mSilent = false;
};
