#pragma once

#include <QString>
#include <memory>

class cCarousel;
class cfMain;
class frmSysTray;
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

// Start-up after the single-instance check: the image list, the hidden tray window, the controller
// on the database at pDatabasePath, the tray icon and hot key, then the controller's Init (the
// launcher is shown). A failure leaves what was made for ReleaseProgram.
void StartUp(const QString& pDatabasePath);
// The hidden tray window while the program runs (null before StartUp and after ReleaseProgram).
frmSysTray* SysTrayForm();

// Ends the program: the main window stops its timers and closes, every other window closes, then
// the caller. When called from the running event loop, the loop is asked to end and the objects are
// released once it has returned (a handler further up the stack may still be using them); otherwise
// they are released at once.
void ShutDown(QWidget* pCaller);
// Releases the controller (main window first, then the database, which is compacted), the tray
// window and the image list. Safe to call more than once.
void ReleaseProgram();

// The program: single instance, private font, StartUp, then the event loop; everything is released
// before the application object goes. Returns the process exit code.
int Main(int argc, char* argv[]);
