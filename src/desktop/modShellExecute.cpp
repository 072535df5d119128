#include "modShellExecute.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {
UrlOpener& urlOpener() {
    static UrlOpener instance;
    return instance;
}

bool openUrl(const QUrl& url) {
    if (urlOpener())
        return urlOpener()(url);
    return QDesktopServices::openUrl(url);
}

// "scheme:" with at least two letters, so a drive letter such as "C:" is not taken for one.
bool looksLikeUrl(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch();
}

QString expandHome(const QString& path) {
    if (path == QLatin1String("~"))
        return QDir::homePath();
    if (path.startsWith(QLatin1String("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

// A native binary or a script naming its interpreter; other files marked executable (common on
// mounted Windows drives) are documents.
bool hasProgramHeader(const QString& filePath) {
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head.startsWith("\x7f"
                           "ELF") ||
           head.startsWith("#!");
}

int startProgram(const QString& program, const QString& parameters, const QString& workingFolder) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(QProcess::splitCommand(parameters));
    process.setWorkingDirectory(workingFolder);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached() ? ShellResult::Success : ShellResult::BadFormat;
}

int openWithDesktop(const QUrl& url) {
    return openUrl(url) ? ShellResult::Success : ShellResult::NoAssociation;
}

int openExistingFile(const QFileInfo& info, const QString& parameters) {
    const QString filePath = info.absoluteFilePath();
    const bool program = hasProgramHeader(filePath);
    if (info.isExecutable() && (program || !info.isReadable()))
        return startProgram(filePath, parameters, info.absolutePath());
    if (program || !info.isReadable())
        return ShellResult::AccessDenied;
    if (QMimeDatabase().mimeTypeForFile(info).isDefault())
        return ShellResult::NoAssociation;
    return openWithDesktop(QUrl::fromLocalFile(filePath));
}

int openLocalPath(const QString& path, const QString& parameters) {
    const QFileInfo info(path);
    if (info.isDir())
        return openWithDesktop(QUrl::fromLocalFile(info.absoluteFilePath()));
    if (info.isFile())
        return openExistingFile(info, parameters);
    if (info.exists()) // a device, socket or pipe: nothing opens those
        return ShellResult::NoAssociation;
    if (!path.contains(QLatin1Char('/'))) {
        const QString program = QStandardPaths::findExecutable(path);
        if (!program.isEmpty())
            return startProgram(program, parameters, QDir::homePath());
        return ShellResult::FileNotFound;
    }
    return info.dir().exists() ? ShellResult::FileNotFound : ShellResult::PathNotFound;
}
} // namespace

int ShellOpen(const QString& path, const QString& parameters) {
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty())
        return ShellResult::FileNotFound;
    if (looksLikeUrl(trimmed) && !QFileInfo::exists(trimmed)) {
        const QUrl url(trimmed);
        if (!url.isLocalFile())
            return url.isValid() ? openWithDesktop(url) : ShellResult::FileNotFound;
        return openLocalPath(url.toLocalFile(), parameters);
    }
    return openLocalPath(expandHome(trimmed), parameters);
}

QString ShellOpenErrorText(int code) {
    switch (code) {
    case ShellResult::FileNotFound:
        return QStringLiteral("The file was not found.");
    case ShellResult::PathNotFound:
        return QStringLiteral("The folder was not found.");
    case ShellResult::AccessDenied:
        return QStringLiteral("Access was denied: the file cannot be read, or it is a program that is not "
                              "marked executable.");
    case ShellResult::BadFormat:
        return QStringLiteral("The program could not be started: it is not a valid program, or the "
                              "interpreter it names is missing.");
    case ShellResult::NoAssociation:
        return QStringLiteral("No application is associated with this kind of file.");
    default:
        return code > 32 ? QString() : QStringLiteral("The item could not be opened (error %1).").arg(code);
    }
}

void SetUrlOpener(UrlOpener opener) {
    urlOpener() = std::move(opener);
}
