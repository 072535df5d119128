#pragma once

#include <QString>

// Where the program's own files (the private font, the help page) lie, found from the program's
// location so that a build folder and an installation both work without configuration:
//   <build>/tessaro            -> <build>/                  (the files are copied beside the program)
//   <prefix>/bin/tessaro       -> <prefix>/share/tessaro/
namespace ProgramFiles {

// The folder for a program in programFolder: programFolder itself when the files lie beside the
// program, else <programFolder>/../share/tessaro when that exists, else programFolder.
QString DataFolderFor(const QString& programFolder);

// The data folder of this program, and a file in it.
QString DataFolder();
QString Path(const QString& fileName);

// The names of the files the data folder holds.
QString FontFile();
QString HelpFile();

} // namespace ProgramFiles
