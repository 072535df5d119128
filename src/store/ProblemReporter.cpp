#include "ProblemReporter.h"

#include <QTextStream>

void ReportProblem(const ProblemReporter& pReporter, const QString& pMessage, const QString& pTitle) {
    if (pReporter) {
        pReporter(pMessage, pTitle);
        return;
    }
    QTextStream(stderr) << "Tessaro: " << pTitle << ": " << pMessage << '\n';
}
