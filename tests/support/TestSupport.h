#pragma once

#include <QString>

// Paths the tests need: the program under test and the source tree.
namespace TestSupport {
QString ExecutablePath();               // build/tessaro
QString SourcePath(const QString& rel); // a file in the source tree
} // namespace TestSupport
