#include "ui/frmSysTray.h"

#include "app/modMain.h"

#include <QCloseEvent>

frmSysTray::frmSysTray(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmSysTray"));
    setWindowTitle(QStringLiteral("Tessaro tray"));
    setAttribute(Qt::WA_DontShowOnScreen);
}

void frmSysTray::Unload() {
    if (mUnloading)
        return;
    mUnloading = true;
    ShutDown(this);
}

void frmSysTray::closeEvent(QCloseEvent* event) {
    event->accept();
    Unload();
}
