#include "modColourDialog.h"

#include "platform/Imaging.h"

#include <QColorDialog>

namespace {

ColourChooser& installedChooser() {
    static ColourChooser chooser;
    return chooser;
}

// Every custom colour slot back to empty, so nothing chosen in one dialog shows up in the next.
void forgetCustomColours() {
    for (int slot = 0; slot < QColorDialog::customCount(); ++slot)
        QColorDialog::setCustomColor(slot, Qt::white);
}

// The dialog's starting colour: a plain 0x00BBGGRR value as it is; anything with bits above the 24
// colour bits is no colour we can show, so the dialog starts at white.
QColor initialColour(qint32 pInitialColour) {
    const auto bgr = quint32(pInitialColour);
    if (bgr > 0xFFFFFFu)
        return Qt::white;
    return Imaging::ColourFromBgr(bgr);
}

qint32 runDialog(QWidget* pOwner, qint32 pInitialColour) {
    forgetCustomColours();
    QColorDialog dialog(initialColour(pInitialColour), pOwner);
    // Qt's own dialog looks and behaves the same on every desktop.
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    const QColor chosen = dialog.selectedColor();
    forgetCustomColours();
    if (!accepted || !chosen.isValid())
        return -1;
    return qint32(Imaging::BgrFromColour(chosen) & 0xFFFFFFu);
}

} // namespace

qint32 ChooseColour(QWidget* pOwner, bool pFullOpen, qint32 pInitialColour) {
    if (const ColourChooser& chooser = installedChooser())
        return chooser(pOwner, pFullOpen, pInitialColour);
    return runDialog(pOwner, pInitialColour);
}

void SetColourChooser(ColourChooser pChooser) {
    installedChooser() = std::move(pChooser);
}
