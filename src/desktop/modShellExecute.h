#pragma once

#include <QString>
#include <QUrl>
#include <functional>

// Result codes of ShellOpen. Success is any value above 32; failures are the small numbers below.
namespace ShellResult {
constexpr int Success = 33;       // the program was started or the item handed to its opener
constexpr int FileNotFound = 2;   // no such file, and no program of that name on PATH
constexpr int PathNotFound = 3;   // the folder the path names does not exist
constexpr int AccessDenied = 5;   // the file cannot be read, or is a program without execute permission
constexpr int BadFormat = 11;     // marked executable, but the system could not start it
constexpr int NoAssociation = 31; // no program opens this kind of file (or URL)
} // namespace ShellResult

// Opens `path` the way a desktop shell's "Open" does and returns a value above 32 on success, else one
// of the small ShellResult codes.
// - A program (an executable file, or a bare name found on PATH) is started detached, with
//   `parameters` split into arguments like a shell would split them (double quotes group words) but
//   never handed to a shell: no variables, redirections, command separators or substitutions. It runs
//   in the program file's folder; a program found on PATH runs in the user's home folder.
// - Anything else (a document, a folder, a URL such as "https://..." or "mailto:...") goes to the
//   desktop's opener for its type; `parameters` are not used then.
// A leading "~/" stands for the home folder; "file:" URLs are treated as the local path they name.
int ShellOpen(const QString& path, const QString& parameters);

// A short human reason for a failed ShellOpen result, for the failure message.
QString ShellOpenErrorText(int code);

// The one place where items are handed to the desktop (QDesktopServices::openUrl by default). Tests
// install their own opener so no browser or file manager starts; an empty function restores the default.
using UrlOpener = std::function<bool(const QUrl&)>;
void SetUrlOpener(UrlOpener opener);
