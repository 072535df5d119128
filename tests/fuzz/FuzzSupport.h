#pragma once

// Shared by the libFuzzer targets: a Qt application on the offscreen platform (fonts and image
// plug-ins need one) and a scratch file that each input is written to, for readers that take a path.
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace FuzzSupport {

// Drops Qt's warnings (every broken input makes a decoder complain); a fatal message still aborts.
inline void QuietMessages() {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
            std::abort();
        }
    });
}

// The application, never destroyed: what Qt caches stays reachable, so that the leak check at exit
// does not take it for leaks. The font database and the icon theme are loaded here, so that the first
// input does not pay for them within the fuzzer's per-input time limit.
inline void StartApplication() {
    QuietMessages();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tessaro-fuzz";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
    QFontDatabase::families();
    QIcon::fromTheme(QStringLiteral("application-x-executable")).pixmap(64);
}

// Every 256th input runs what Qt queued for the event loop, which a fuzzer never enters: among it the
// timer by which the font cache lets go of fonts no longer used (SVG text of ever new sizes would
// pile up). Not every input: the call is not free.
inline void DeliverEvents() {
    static unsigned calls = 0;
    if (++calls % 256 == 0)
        QCoreApplication::processEvents();
}

// Writes the input to a file named `name` in a scratch folder of this process; returns its path.
inline QString WriteScratchFile(const QString& name, const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        qFatal("cannot write the scratch file %s", qPrintable(file.fileName()));
    return file.fileName();
}

} // namespace FuzzSupport
