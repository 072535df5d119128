#include "TestSupport.h"

namespace TestSupport {
QString ExecutablePath() {
    return QStringLiteral(TESSARO_EXECUTABLE);
}
QString SourcePath(const QString& rel) {
    return QStringLiteral(TESSARO_SOURCE_DIR "/") + rel;
}
} // namespace TestSupport
