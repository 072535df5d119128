#include "ShortcutReader.h"

#include "FileServices.h"
#include "RuntimeError.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>

// liblnk's header pulls in libbfio's when it was built with it; we use no file-IO handles, so its
// (uninstalled) header is not needed.
#include <liblnk/features.h>
#undef LIBLNK_HAVE_BFIO
#include <liblnk.h>

#include <memory>

namespace {

const QString Source = QStringLiteral("ShortcutReader");
constexpr int InvalidFileFormat = 321;

QString ErrorText(liblnk_error_t*& error) {
    if (!error)
        return QStringLiteral("unknown error");
    char text[512] = {};
    liblnk_error_sprint(error, text, sizeof text);
    liblnk_error_free(&error);
    return QString::fromUtf8(text).trimmed();
}

// Whether every size the shortcut declares for its parts (the item ID list, the link information,
// the strings and the extra data blocks) lies within the file. liblnk allocates what a size declares
// before reading it, so a few bytes declaring gigabytes would cost that much memory.
bool DeclaredSizesFit(const QByteArray& bytes) {
    constexpr qsizetype HeaderSize = 0x4C;
    const qsizetype size = bytes.size();
    if (size < HeaderSize)
        return true; // liblnk refuses it itself
    const auto read = [&](qsizetype at, int width) -> qint64 {
        if (at < 0 || at + width > size)
            return -1;
        return width == 2 ? qint64(qFromLittleEndian<quint16>(bytes.constData() + at))
                          : qint64(qFromLittleEndian<quint32>(bytes.constData() + at));
    };
    const quint32 flags = quint32(read(0x14, 4));
    qint64 at = HeaderSize;
    // Each part: a size field and the part; false when either runs past the end.
    const auto skip = [&](int width, qint64 unit, qint64 extra) {
        const qint64 declared = read(at, width);
        if (declared < 0 || declared * unit + extra > size - at)
            return false;
        at += declared * unit + extra;
        return true;
    };
    if ((flags & 0x01) && !skip(2, 1, 2)) // item ID list: its size does not count the size field
        return false;
    if ((flags & 0x02) && !skip(4, 1, 0)) // link information: its size counts the size field
        return false;
    const qint64 charSize = (flags & 0x80) ? 2 : 1;
    for (const quint32 stringFlag : {0x04u, 0x08u, 0x10u, 0x20u, 0x40u}) // name ... icon location
        if ((flags & stringFlag) && !skip(2, charSize, 2))
            return false;
    // Extra data blocks, each counting its own size field, up to a terminal block (size below 4).
    for (qint64 block = read(at, 4); block >= 4; block = read(at, 4)) {
        if (block > size - at)
            return false;
        at += block;
    }
    return true;
}

// An open shortcut file; closed and freed on destruction.
class LinkFile {
public:
    explicit LinkFile(const QString& path) : mPath(path) {
        liblnk_error_t* error = nullptr;
        // A pipe or a device named like a shortcut would block the reader or never end.
        if (!QFileInfo(path).isFile())
            Fail(QStringLiteral("not a regular file"), error);
        QByteArray bytes;
        try {
            bytes = FileServices::ReadAllBytes(path);
        } catch (const RuntimeError& failure) {
            throw RuntimeError(InvalidFileFormat, Source, failure.Description());
        }
        mFileSize = size_t(bytes.size());
        if (!DeclaredSizesFit(bytes))
            throw RuntimeError(
                InvalidFileFormat, Source,
                QStringLiteral("%1: not a valid shortcut file (a part is larger than the file)").arg(path));
        if (liblnk_file_initialize(&mFile, &error) != 1)
            Fail(QStringLiteral("cannot read shortcut"), error);
        if (liblnk_file_open(mFile, QFile::encodeName(path).constData(), LIBLNK_OPEN_READ, &error) != 1) {
            liblnk_file_free(&mFile, nullptr);
            Fail(QStringLiteral("not a valid shortcut file"), error);
        }
    }
    ~LinkFile() {
        liblnk_file_close(mFile, nullptr);
        liblnk_file_free(&mFile, nullptr);
    }
    LinkFile(const LinkFile&) = delete;
    LinkFile& operator=(const LinkFile&) = delete;

    // A UTF-8 string of the shortcut through liblnk's size/value getter pair; empty when absent.
    template <typename SizeGetter, typename ValueGetter>
    QString Text(SizeGetter sizeOf, ValueGetter valueOf, const char* what) const {
        liblnk_error_t* error = nullptr;
        size_t size = 0;
        const int found = sizeOf(mFile, &size, &error);
        if (found == -1)
            Fail(QStringLiteral("cannot read its %1").arg(QLatin1String(what)), error);
        if (found == 0 || size == 0)
            return {};
        // A string whose end offsets point outside its part comes back with a wrapped-round size;
        // no text in the file takes more than three UTF-8 bytes for each of its bytes.
        if (size > 3 * mFileSize + 1)
            Fail(QStringLiteral("not a valid shortcut file (its %1 runs past its part)")
                     .arg(QLatin1String(what)),
                 error);
        std::unique_ptr<uint8_t[]> text(new uint8_t[size]());
        if (valueOf(mFile, text.get(), size, &error) != 1)
            Fail(QStringLiteral("cannot read its %1").arg(QLatin1String(what)), error);
        return QString::fromUtf8(reinterpret_cast<const char*>(text.get()));
    }

private:
    [[noreturn]] void Fail(const QString& what, liblnk_error_t*& error) const {
        const QString detail = ErrorText(error);
        throw RuntimeError(InvalidFileFormat, Source, QStringLiteral("%1: %2 (%3)").arg(mPath, what, detail));
    }

    QString mPath;
    size_t mFileSize = 0;
    liblnk_file_t* mFile = nullptr;
};

} // namespace

QString ResolveShortcut(const QString& lnkPath) {
    const QFileInfo info(lnkPath);
    if (!info.exists() || info.isDir())
        throw RuntimeError(ErrorNumber::FileNotFound, Source,
                           QStringLiteral("File not found: %1").arg(lnkPath));
    const LinkFile link(lnkPath);
    const QString local =
        link.Text(liblnk_file_get_utf8_local_path_size, liblnk_file_get_utf8_local_path, "local path");
    if (!local.isEmpty())
        return local;
    QString relative = link.Text(liblnk_file_get_utf8_relative_path_size, liblnk_file_get_utf8_relative_path,
                                 "relative path");
    if (relative.isEmpty())
        return {};
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString folder = FileServices::Folder(info.absoluteFilePath());
    return QDir::cleanPath(QDir(folder).filePath(relative));
}

QString ResolveSymbolicLink(const QString& path) {
    const QFileInfo info(path);
    if (!info.isSymLink()) {
        if (!info.exists())
            throw RuntimeError(ErrorNumber::FileNotFound, Source,
                               QStringLiteral("File not found: %1").arg(path));
        return path;
    }
    const QString target = info.canonicalFilePath();
    if (target.isEmpty())
        throw RuntimeError(ErrorNumber::FileNotFound, Source,
                           QStringLiteral("File not found: %1 (the link points to %2, which does not exist)")
                               .arg(path, info.symLinkTarget()));
    return target;
}
