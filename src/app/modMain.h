#pragma once

#include <QString>

// Registers the font file "<name>.ttf" of the program's data folder (ProgramFiles) for this process; a
// missing or unreadable file is ignored.
void LoadPrivateFont(const QString& pFontName);

// The program: single instance, private font, the composition root (cTessaro) on the user's
// database, then the event loop; everything is released before the application object goes.
// Returns the process exit code.
int Main(int argc, char* argv[]);
