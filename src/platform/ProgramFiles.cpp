#include "ProgramFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ProgramFiles {

QString FontFile() {
    return QStringLiteral("TessaroGlyphs.ttf");
}

QString HelpFile() {
    return QStringLiteral("Tessaro Help.html");
}

QString DataFolderFor(const QString& programFolder) {
    const QDir beside(programFolder);
    if (beside.exists(HelpFile()) || beside.exists(FontFile()))
        return beside.absolutePath();
    const QString installed = beside.absoluteFilePath(QStringLiteral("../share/tessaro"));
    if (QFileInfo(installed).isDir())
        return QDir::cleanPath(installed);
    return beside.absolutePath();
}

QString DataFolder() {
    return DataFolderFor(QCoreApplication::applicationDirPath());
}

QString Path(const QString& fileName) {
    return QDir(DataFolder()).filePath(fileName);
}

} // namespace ProgramFiles
