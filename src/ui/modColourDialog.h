#pragma once

#include <QtGlobal>
#include <functional>

class QWidget;

// The colour chooser behind the settings window's colour swatches. Colours are 0x00BBGGRR values.
//
// Opens a modal colour dialog over pOwner starting at pInitialColour and returns the chosen colour,
// or -1 when the user cancelled. Custom colours made in the dialog are forgotten when it closes.
// pFullOpen asks for the full dialog (custom colour controls shown); this dialog always shows them.
qint32 ChooseColour(QWidget* pOwner, bool pFullOpen, qint32 pInitialColour);

// Test seam: while a chooser is installed, no dialog is shown; the chooser receives the arguments of
// each call and returns its result. Install an empty function to show the real dialog again.
using ColourChooser = std::function<qint32(QWidget* pOwner, bool pFullOpen, qint32 pInitialColour)>;
void SetColourChooser(ColourChooser pChooser);
