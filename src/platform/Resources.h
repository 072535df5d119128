#pragma once

#include <QByteArray>
#include <QString>

// Compiled-in resources by type and name, e.g. LoadResource("SOUND", "BEEP"), LoadResource("CUSTOM", "LENS").
// Throws RuntimeError when the resource does not exist.
QByteArray LoadResource(const QString& type, const QString& name);
