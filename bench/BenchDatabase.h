#pragma once

#include <QString>

class QTemporaryDir;

// A token database with one root and `rows` enabled rows below it, written in one transaction:
// `parents` tokens under the root, the rest spread evenly below them, each with a 196 x 196 PNG picture.
QString WriteBenchDatabase(const QTemporaryDir& dir, const QString& name, int rows, int parents,
                           int firstId = 2);
