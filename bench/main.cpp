#include "BenchRunner.h"

#include <QApplication>
#include <QTextStream>

// Runs every registered benchmark, or only those whose figure names were given on the command line.
int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList wanted = app.arguments().mid(1);
    BenchContext context;
    int ran = 0;
    for (const BenchDefinition& bench : BenchRegistry()) {
        const bool selected =
            wanted.isEmpty() || std::any_of(bench.figures.begin(), bench.figures.end(),
                                            [&](const QString& figure) { return wanted.contains(figure); });
        if (!selected)
            continue;
        bench.run(context);
        ++ran;
    }
    if (ran == 0) {
        QTextStream(stderr) << "No benchmark matches. Known figures:\n";
        for (const BenchDefinition& bench : BenchRegistry())
            QTextStream(stderr) << "  " << bench.figures.join(' ') << '\n';
        return wanted.isEmpty() ? 0 : 2;
    }
    return 0;
}
