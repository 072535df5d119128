#include "ScratchDesktop.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QTest>

namespace TestSupport {
namespace {

// name -> body; {bin} and {root} stand for the folders.
const QList<QPair<QString, QString>> Entries = {
    {"web", "Name=Web\nName[de]=Netz\nComment=Browse the web\nExec={bin}/marker web %U\nIcon=web-icon\n"
            "Categories=Network;WebBrowser;\nMimeType=x-scheme-handler/http;\n"},
    {"files",
     "Name=Files\nComment=Browse folders\nExec={bin}/marker files %F\nIcon={root}/pictures/files.png\n"
     "Categories=System;FileManager;\nMimeType=inode/directory;\n"},
    {"term", "Name=Term\nComment=A command line\nExec={bin}/marker term\nIcon=no-such-icon\n"
             "Categories=System;TerminalEmulator;\n"},
    {"editor", "Name=Editor\nGenericName=Text Editor\nExec={bin}/marker editor --new-window %f\n"
               "Icon=editor-icon\nCategories=Utility;TextEditor;\nMimeType=text/plain;\n"},
    {"paint", "Name=Paint\nComment=Draw pictures\nExec={bin}/marker paint %i %c %k --file=%f x%cy %d %z "
              "%\nIcon=paint-icon.png\n"
              "Categories=Graphics;2DGraphics;\n"},
    {"game",
     "Name=Game\nComment=Play\nExec=\"{bin}/marker\" game \"two words\" \"say \\\\\"hi\\\\\"\" 100%%\n"
     "Icon={root}/pictures/huge.svg\nCategories=Game;ArcadeGame;\n"},
    {"player",
     "Name=Player\nComment=Music and films\nExec={bin}/marker player %u\nCategories=AudioVideo;Office;\n"},
    {"top",
     "Name=Top\nComment=Processes\nExec={bin}/marker top -d 5\nTerminal=true\nCategories=System;Monitor;\n"},
    {"plain", "Name=Plain\nComment=No category\nExec={bin}/marker plain\nIcon={root}/pictures/broken.png\n"
              "NotShowIn=KDE;\n"},
    {"hidden", "Name=Hidden\nExec={bin}/marker hidden\nHidden=true\nCategories=Utility;\n"},
    {"nodisplay", "Name=NoDisplay\nExec={bin}/marker nodisplay\nNoDisplay=true\nCategories=Utility;\n"},
    {"kde",
     "Name=KdeOnly\nComment=Only in KDE\nExec={bin}/marker kde\nOnlyShowIn=KDE;\nCategories=Utility;\n"},
    {"tryexec",
     "Name=Missing\nExec={bin}/marker missing\nTryExec=no-such-program-anywhere\nCategories=Utility;\n"},
};

const char* const IconTheme = "[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps,scalable/apps\n\n"
                              "[48x48/apps]\nSize=48\nContext=Applications\nType=Threshold\n\n"
                              "[scalable/apps]\nSize=128\nMinSize=8\nMaxSize=512\nContext=Applications\n"
                              "Type=Scalable\n";

const char* const GreenSvg = "<svg xmlns='http://www.w3.org/2000/svg' width='32' height='32'>"
                             "<rect width='32' height='32' fill='#00ff00'/></svg>";
const char* const HugeSvg = "<svg xmlns='http://www.w3.org/2000/svg' width='200000' height='200000'>"
                            "<rect width='200000' height='200000' fill='#ff00ff'/></svg>";

} // namespace

MarkerScript::MarkerScript(const QString& folder, const QString& name, bool recordFolder)
    : mProgram(folder + QLatin1Char('/') + name) {
    QDir().mkpath(folder);
    QFile file(mProgram);
    const QString script =
        QStringLiteral("#!/bin/sh\n{ %1for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '%2.part'"
                       " && mv '%2.part' '%2.args'\n");
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(script.arg(recordFolder ? "pwd; " : "", mProgram).toUtf8()) < 0 ||
        !file.setPermissions(file.permissions() | QFile::ExeOwner))
        qFatal("cannot write %s", qPrintable(mProgram));
}

QStringList MarkerScript::WaitForArguments(int timeoutMs) const {
    QFile file(mProgram + QStringLiteral(".args"));
    if (!QTest::qWaitFor([&] { return file.exists(); }, timeoutMs) || !file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    file.remove();
    lines.removeLast(); // after the last line's end
    return lines;
}

ScratchDesktop::ScratchDesktop() {
    const auto write = [this](const QString& path, const QByteArray& content) {
        QDir().mkpath(QFileInfo(Root() + "/" + path).absolutePath());
        QFile file(Root() + "/" + path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
    };
    const auto png = [&](const QString& path, QRgb colour, int size) {
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(colour);
        write(path, {}); // and its folder
        image.save(Root() + "/" + path, "PNG");
    };
    QDir(Root()).mkpath("home");
    write("config/mimeapps.list", "[Default Applications]\nx-scheme-handler/http=web.desktop\n"
                                  "inode/directory=files.desktop\ntext/plain=editor.desktop\n");
    for (const auto& [name, body] : Entries)
        write("data/applications/" + name + ".desktop",
              ("[Desktop Entry]\nType=Application\n" +
               QString(body).replace("{bin}", Bin()).replace("{root}", Root()))
                  .toUtf8());
    write("data/icons/hicolor/index.theme", IconTheme);
    png("data/icons/hicolor/48x48/apps/web-icon.png", qRgb(255, 0, 0), 48);
    png("data/icons/hicolor/48x48/apps/paint-icon.png", qRgb(255, 255, 0), 48);
    write("data/icons/hicolor/scalable/apps/editor-icon.svg", GreenSvg);
    png("pictures/files.png", qRgb(0, 0, 255), 64);
    write("pictures/huge.svg", HugeSvg);
    write("pictures/broken.png", "\x89PNG\r\n\x1a\nnot really a picture");
    // File types come from the system's MIME database, as on a real desktop.
    QFile::link(
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, "mime", QStandardPaths::LocateDirectory),
        Root() + "/data/mime");
}

QList<QPair<QByteArray, QByteArray>> ScratchDesktop::SystemVariables() const {
    const QByteArray root = Root().toLocal8Bit();
    return {{"XDG_DATA_DIRS", root + "/data"},
            {"XDG_CONFIG_DIRS", root + "/config"},
            {"XDG_CURRENT_DESKTOP", "GNOME"},
            {"LANGUAGE", "de"},
            {"TERMINAL", root + "/bin/marker-terminal"}};
}

void ScratchDesktop::ApplyToThisProcess() const {
    for (const auto& [name, value] : SystemVariables())
        qputenv(name.constData(), value);
    qputenv("XDG_DATA_HOME", QFile::encodeName(Root() + "/home/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(Root() + "/home/config"));
}

QStringList ScratchDesktop::WaitForMarker(const QString& name, int timeoutMs) const {
    const MarkerScript& marker = name == "terminal" ? mTerminal : name == "xdg-open" ? mOpener : mMarker;
    return marker.WaitForArguments(timeoutMs);
}

} // namespace TestSupport
