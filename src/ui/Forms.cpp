#include "ui/Forms.h"

#include "app/modGeneral.h"
#include "app/modMain.h"
#include "ui/frmImagePicker.h"
#include "ui/frmTokenManager.h"

#include <QApplication>
#include <QPointer>

frmTokenManager* ShowTokenManager() {
    static QPointer<frmTokenManager> window;
    if (!window)
        window = new frmTokenManager(TokenManager(), Carousel(), Database());
    ShowAndActivate(window);
    return window;
}

bool ImagePickerVisible() {
    const auto windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](QWidget* window) {
        return window->isVisible() && qobject_cast<frmImagePicker*>(window) != nullptr;
    });
}
