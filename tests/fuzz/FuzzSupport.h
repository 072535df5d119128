#pragma once

// Shared by the libFuzzer targets: a Qt application on the offscreen platform (fonts and image
// plug-ins need one) and a scratch file that each input is written to, for readers that take a path.
#include <QByteArray>
#include <QString>

namespace FuzzSupport {
// Drops Qt's warnings (every broken input makes a decoder complain); a fatal message still aborts.
void QuietMessages();
// Creates the application once (and loads the fonts and the icon theme); later calls do nothing.
void StartApplication();
// Runs what Qt has queued for the event loop, which a fuzzer never enters: among it the timer by
// which the font cache lets go of fonts no longer used (SVG text of ever new sizes would pile up).
void DeliverEvents();
// Writes the bytes to a file named `name` in a scratch folder of this process and returns its path.
QString WriteScratchFile(const QString& name, const QByteArray& bytes);
} // namespace FuzzSupport
