#pragma once

#include <QWidget>

// The hidden window that lives for the whole run: it owns the main window, and unloading it is the
// one road to the end of the program.
class frmSysTray : public QWidget {
    Q_OBJECT
public:
    explicit frmSysTray(QWidget* parent = nullptr);

    // Ends the program through ShutDown (closing the other windows first).
    void Unload();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool mUnloading = false;
};
