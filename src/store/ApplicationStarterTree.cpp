// The starter tree made from the desktop's installed applications.
#include "ApplicationTokens.h"
#include "StarterPictures.h"
#include "StarterTrees.h"
#include "desktop/ApplicationCommand.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>

namespace FirstStart {
namespace {

using StarterPictures::Picture;

struct Level {
    const char* caption;
    QStringList mainCategories; // the desktop's main categories that lead here
    const char* description;
    Picture picture;
};

// The levels in the order they are made; the last takes the applications no other level takes.
const QList<Level>& Levels() {
    static const QList<Level> levels{
        {"Internet", {"Network"}, "Browsers, mail, chat and more for the Internet.", Picture::Internet},
        {"Office", {"Office"}, "Documents, spreadsheets, presentations and calendars.", Picture::Office},
        {"Graphics", {"Graphics"}, "Drawing, painting, photos and picture viewers.", Picture::Graphics},
        {"Multimedia", {"AudioVideo", "Audio", "Video"}, "Music, videos and sound.", Picture::Multimedia},
        {"Development", {"Development"}, "Tools for writing programs.", Picture::Development},
        {"Games", {"Game"}, "Games to play.", Picture::Games},
        {"Education", {"Education", "Science"}, "Learning and science.", Picture::Education},
        {"System", {"System"}, "Tools for looking after this computer.", Picture::System},
        {"Settings", {"Settings"}, "The settings of the desktop and the computer.", Picture::Settings},
        {"Utilities", {"Utility"}, "Small everyday tools.", Picture::Utilities},
        {"Other", {}, "Applications of no other kind.", Picture::Other},
    };
    return levels;
}

// The level of the first main category the application lists; the last level when it lists none.
qsizetype LevelOf(const DesktopApplication& application) {
    for (const QString& category : application.categories)
        for (qsizetype level = 0; level < Levels().size(); ++level)
            if (Levels()[level].mainCategories.contains(category))
                return level;
    return Levels().size() - 1;
}

// The launcher's own entry, which would only bring this launcher to the front.
bool IsThisLauncher(const DesktopApplication& application) {
    return QFileInfo(application.commandLine.value(0)).fileName() == QLatin1String("tessaro");
}

// The program's name, without the ".wrapper" of Debian's terminal wrappers, after following links
// (x-terminal-emulator leads to the terminal the user chose).
QString ProgramName(const QString& program) {
    const QString path =
        program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    const QFileInfo target(QFileInfo(path).canonicalFilePath());
    QString name = target.exists() ? target.fileName() : QFileInfo(program).fileName();
    name.remove(QRegularExpression(QStringLiteral("\\.wrapper$")));
    return name;
}

QString TerminalId(const QList<DesktopApplication>& applications) {
    const QString users = ProgramName(TerminalProgram().first());
    QString first;
    for (const DesktopApplication& application : applications) {
        if (!application.categories.contains(QLatin1String("TerminalEmulator")))
            continue;
        if (ProgramName(application.commandLine.first()) == users)
            return application.id;
        if (first.isEmpty())
            first = application.id;
    }
    return first;
}

// Tokens numbered in the order they are added, each caption used once per level.
class TreeBuilder {
public:
    TreeBuilder() : mTree{RootToken(), HomeToken(2)} { mCaptions[1].insert(mTree.last().caption); }
    int Add(int parent, const ApplicationTokenFields& fields, bool hideAfterExecution) {
        if (mCaptions[parent].contains(fields.caption))
            return 0;
        mCaptions[parent].insert(fields.caption);
        const int id = int(mTree.size()) + 1;
        mTree.append({id, parent, fields.caption, fields.command, fields.parameters, fields.description,
                      fields.picture, hideAfterExecution});
        return id;
    }
    void AddApplication(int parent, const DesktopApplication& application, Picture fallback) {
        Add(parent, TokenFieldsFor(application, StarterPictures::Draw(fallback)), true);
    }
    int AddLevel(const Level& level) {
        return Add(1,
                   {QString::fromUtf8(level.caption), QString(), QString(),
                    QString::fromUtf8(level.description), StarterPictures::Png(level.picture)},
                   false);
    }
    QList<StarterToken> Tree() const { return mTree; }

private:
    QList<StarterToken> mTree;
    QHash<int, QSet<QString>> mCaptions;
};

// Puts the default applications on the first level, each once, and returns their IDs.
QSet<QString> AddDefaults(TreeBuilder& builder, const QList<DesktopApplication>& applications,
                          const DefaultApplications& defaults) {
    const QList<std::pair<QString, Picture>> roles{{defaults.webBrowser, Picture::Browser},
                                                   {defaults.fileManager, Picture::Files},
                                                   {defaults.terminal, Picture::Terminal},
                                                   {defaults.textEditor, Picture::Editor}};
    QSet<QString> placed;
    for (const auto& [id, picture] : roles) {
        // Compared through a plain reference: clang before 16 cannot capture a structured binding.
        const QString& wanted = id;
        const auto found =
            std::find_if(applications.begin(), applications.end(),
                         [&](const DesktopApplication& application) { return application.id == wanted; });
        if (!id.isEmpty() && found != applications.end() && !placed.contains(id)) {
            builder.AddApplication(1, *found, picture);
            placed.insert(id);
        }
    }
    return placed;
}

} // namespace

DefaultApplications DesktopDefaults(const QList<DesktopApplication>& applications) {
    return {DesktopEntries::DefaultApplicationId(QStringLiteral("x-scheme-handler/http")),
            DesktopEntries::DefaultApplicationId(QStringLiteral("inode/directory")), TerminalId(applications),
            DesktopEntries::DefaultApplicationId(QStringLiteral("text/plain"))};
}

QList<StarterToken> ApplicationStarterTree(const QList<DesktopApplication>& installed,
                                           const DefaultApplications& defaults) {
    QList<DesktopApplication> applications;
    std::copy_if(installed.begin(), installed.end(), std::back_inserter(applications),
                 [](const DesktopApplication& application) { return !IsThisLauncher(application); });
    if (applications.isEmpty())
        return {};
    TreeBuilder builder;
    const QSet<QString> onFirstLevel = AddDefaults(builder, applications, defaults);
    QList<QList<const DesktopApplication*>> members(Levels().size());
    for (const DesktopApplication& application : applications)
        if (!onFirstLevel.contains(application.id))
            members[LevelOf(application)].append(&application);
    for (qsizetype level = 0; level < Levels().size(); ++level) {
        if (members[level].isEmpty())
            continue;
        const int levelId = builder.AddLevel(Levels()[level]);
        if (levelId == 0) // a default application on the first level already bears the level's name
            continue;
        for (const DesktopApplication* application : members[level])
            builder.AddApplication(levelId, *application, Levels()[level].picture);
    }
    return builder.Tree();
}

} // namespace FirstStart
