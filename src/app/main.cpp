#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTextStream(stderr) << "Tessaro: the launcher window is not built yet; only the services are.\n";
    return 1;
}
