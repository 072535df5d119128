#include "FuzzSupport.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace FuzzSupport {

void QuietMessages() {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
            std::abort();
        }
    });
}

void StartApplication() {
    QuietMessages();
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tessaro-fuzz";
    static char* argv[] = {name, nullptr};
    // Never destroyed: what Qt caches stays reachable, so the leak check at exit does not take the
    // caches that a destroyed application leaves behind for leaks.
    new QGuiApplication(argc, argv);
    // The font database and the icon theme are loaded here, so that the first input does not pay
    // for them within the fuzzer's per-input time limit.
    QFontDatabase::families();
    QIcon::fromTheme(QStringLiteral("application-x-executable")).pixmap(64);
}

void DeliverEvents() {
    // Every 256th input: the font cache's timer fires every few seconds, and the call is not free.
    static unsigned calls = 0;
    if (++calls % 256 == 0)
        QCoreApplication::processEvents();
}

QString WriteScratchFile(const QString& name, const QByteArray& bytes) {
    static QTemporaryDir folder;
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the scratch file %s", qPrintable(path));
    file.write(bytes);
    return path;
}

} // namespace FuzzSupport
