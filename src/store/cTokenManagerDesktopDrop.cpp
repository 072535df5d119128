// A dropped desktop entry (".desktop" file) becomes a token for the application it describes, not a
// token that opens the file.
#include "cTokenManager.h"

#include "ApplicationTokens.h"
#include "platform/DesktopEntries.h"
#include "platform/FileServices.h"

#include <QStandardPaths>

namespace {
// The desktop's icon for the program itself, for an entry whose own icon is missing.
QImage programIcon(const QString& program) {
    const QString path =
        program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    return FileServices::ShellIcon(path.isEmpty() ? program : path);
}
} // namespace

void cTokenManager::CreateTokenFromDesktopEntry(const QString& pFilePath, const QString& pParentKey) {
    const std::optional<DesktopApplication> application = DesktopEntries::Read(pFilePath);
    if (!application) {
        ReportProblem(mReporter,
                      QStringLiteral("Failed to create token via Drag/Drop: \"%1\" describes no application "
                                     "that can start here (it is no application entry, is marked hidden, or "
                                     "names a program that is not installed).")
                          .arg(FileServices::FileName(pFilePath)),
                      QStringLiteral("Problem!"));
        return;
    }
    try {
        const ApplicationTokenFields fields =
            TokenFieldsFor(*application, programIcon(application->commandLine.first()));
        auto token = std::make_shared<cToken>();
        token->SetCaption(fields.caption);
        token->SetCommand(fields.command);
        token->SetParameters(fields.parameters);
        token->SetDescription(fields.description);
        token->SetSourceImage(fields.picture);
        token->SetParentKey(pParentKey);
        AddToken(token);
    } catch (const std::exception&) {
        ReportProblem(mReporter, QStringLiteral("Failed to create token via Drag/Drop"),
                      QStringLiteral("Problem!"));
    }
}
