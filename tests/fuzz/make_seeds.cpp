// Writes the fuzzers' seed corpora into <output>/<target>/ at build time, made from the program's
// own resources and a few inputs built here (nothing is copied from elsewhere).
//   fuzz_seeds <output folder> <resources folder>
#include "ShortcutFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>

#include <cstdio>

namespace {

QString gOutput;

void seed(const QString& target, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(gOutput + '/' + target);
    QFile file(gOutput + '/' + target + '/' + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "fuzz_seeds: cannot read %s\n", qPrintable(path));
        std::exit(1);
    }
    return file.readAll();
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) {
        std::fprintf(stderr, "fuzz_seeds: cannot encode %s\n", format);
        std::exit(1);
    }
    return bytes;
}

void pictureSeeds(const QString& resources) {
    for (const QString& name : QDir(resources + "/images").entryList({"*.png"}, QDir::Files))
        seed("picture", name, readFile(resources + "/images/" + name));
    seed("picture", "icon.svg", readFile(resources + "/desktop/tessaro.svg"));
    // Small pictures keep the fuzzer fast; each format the drops and the picker take.
    const QImage icon = QImage(resources + "/images/APP_ICON.png").scaled(24, 24);
    for (const char* format : {"jpg", "bmp", "ico"})
        seed("picture", QStringLiteral("icon.%1").arg(QLatin1String(format)), encoded(icon, format));
    // An icon file claiming 65,535 icons in a directory with room for one.
    QByteArray manyIcons = encoded(icon, "ico");
    manyIcons[4] = manyIcons[5] = char(0xFF);
    seed("picture", "claims-many.ico", manyIcons);
    // A 2 x 1 GIF (Qt writes none): header, screen with a 2-colour table, image, LZW data, trailer.
    seed("picture", "tiny.gif",
         QByteArray::fromHex("474946383961020001008000"
                             "00ff000000ff00"
                             "2c000000000200010000"
                             "0202440a003b"));
    seed("picture", "text.svg",
         R"(<?xml version="1.0"?><svg xmlns="http://www.w3.org/2000/svg" width="40" height="20">)"
         R"(<text x="2" y="15" font-size="12">Tessaro</text><circle cx="30" cy="10" r="6"/></svg>)");
}

void shortcutSeeds() {
    seed("shortcut", "local.lnk", ShortcutFile::Bytes("C:\\Program Files\\App\\app.exe"));
    seed("shortcut", "relative.lnk", ShortcutFile::Bytes({}, "..\\App\\app.exe"));
    seed("shortcut", "both.lnk", ShortcutFile::Bytes("/usr/bin/env", "bin\\env"));
}

void desktopEntrySeeds() {
    seed("desktopentry", "plain.desktop",
         "[Desktop Entry]\nType=Application\nName=Shell\nComment=A shell\nExec=sh -c \"echo %%\" %U\n"
         "Icon=utilities-terminal\nCategories=System;Utility;\n");
    seed("desktopentry", "codes.desktop",
         "[Desktop Entry]\nType=Application\nName=Codes\nGenericName=Field codes\n"
         "Exec=/bin/true %i --caption %c --entry %k '%f' \"a b\" \\\\$HOME\nIcon=/dev/null\nTerminal=true\n");
    seed("desktopentry", "localised.desktop",
         "[Desktop Entry]\nType=Application\nName=Editor\nName[de]=Editor\nComment[fr]=Texte\n"
         "TryExec=true\nExec=true --new-window\nIcon=text-editor.png\nNoDisplay=true\n"
         "[Desktop Action New]\nName=New\nExec=true --new\n");
}

void storedValueSeeds() {
    // The first byte chooses the kind (see fuzz_storedvalue.cpp), the rest is the value.
    seed("storedvalue", "null", QByteArray(1, '\1'));
    seed("storedvalue", "integer", QByteArray::fromHex("02ffffff7f00000000"));
    seed("storedvalue", "real", QByteArray::fromHex("03000000000000e03f"));
    seed("storedvalue", "text-true", QByteArray("\4True"));
    seed("storedvalue", "text-number", QByteArray("\4 -32768.5 "));
    seed("storedvalue", "blob", QByteArray::fromHex("058950"));
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_seeds <output folder> <resources folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    gOutput = QString::fromLocal8Bit(argv[1]);
    pictureSeeds(QString::fromLocal8Bit(argv[2]));
    shortcutSeeds();
    desktopEntrySeeds();
    storedValueSeeds();
    return 0;
}
