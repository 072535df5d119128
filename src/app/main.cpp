#include "app/TessaroApplication.h"

#include <QTextStream>

int main(int argc, char* argv[]) {
    TessaroApplication app(argc, argv);
    return RunGuarded([] {
        QTextStream(stderr) << "Tessaro: the launcher window is not built yet; only the services are.\n";
        return 1;
    });
}
