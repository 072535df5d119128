#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// A benchmark measures one or more figures and reports each with Report(). Benchmarks register
// themselves with a static BenchRegistration; `tessaro-bench NAME...` runs those whose figure names
// include one of the given names.
class BenchContext {
public:
    // Prints "<name> median=<v> <unit> min=<v> max=<v> n=<runs>".
    void Report(const QString& name, const QString& unit, std::vector<double> samples);
};

struct BenchDefinition {
    QStringList figures; // the names of the figures this benchmark reports
    std::function<void(BenchContext&)> run;
};

std::vector<BenchDefinition>& BenchRegistry();

struct BenchRegistration {
    BenchRegistration(QStringList figures, std::function<void(BenchContext&)> run) {
        BenchRegistry().push_back({std::move(figures), std::move(run)});
    }
};

// The CPU time (user and system) the process has used so far, in seconds; 0 when it cannot be read.
double ProcessCpuSeconds(qint64 pid);

// Runs `body` `warmups` times unmeasured, then `runs` times, and returns each run's wall time in ms.
std::vector<double> MeasureMilliseconds(int warmups, int runs, const std::function<void()>& body);
