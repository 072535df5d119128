#pragma once

#include <QString>
#include <memory>

class cCarousel;
class cfMain;
class clsDatabase;
class cTessaro;
class cToken;
class cTokenManager;
class ImageList;
class QWidget;

// The process-wide objects and how every part of the program reaches them. None of the accessors
// creates anything: they hand out the running controller's members.
cfMain& MainWindow();
cCarousel& Carousel();
cTokenManager& TokenManager();
clsDatabase& Database();
cTessaro& Controller();
// The token at the front of the carousel, or null.
std::shared_ptr<cToken> ActiveToken();
// The token whose children are on show.
std::shared_ptr<cToken> CurrentRootToken();
// The shared list of decoded images (the drawing object's image list).
ImageList& SharedImageList();
// Whether a controller is running (false before start-up and after shut-down).
bool ControllerExists();

// Registers the font file "<program folder>/<name>.ttf" for this process; a missing or unreadable
// file is ignored.
void LoadPrivateFont(const QString& pFontName);

// Ends the program: closes every other window, then the caller, releases the controller (which
// compacts the database) and the image list, and quits the event loop.
void ShutDown(QWidget* pCaller);

// The program: single instance, private font, image list, the hidden tray window, the controller
// and its Init, then the event loop. Returns the process exit code.
int Main(int argc, char* argv[]);
