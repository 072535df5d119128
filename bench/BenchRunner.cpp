#include "BenchRunner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <algorithm>

std::vector<BenchDefinition>& BenchRegistry() {
    static std::vector<BenchDefinition> registry;
    return registry;
}

void BenchContext::Report(const QString& name, const QString& unit, std::vector<double> samples) {
    if (samples.empty())
        return;
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    const double median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    auto fmt = [](double v) { return QString::number(v, 'f', v < 10 ? 3 : 2); };
    QTextStream(stdout) << name << " median=" << fmt(median) << ' ' << unit << " min=" << fmt(samples.front())
                        << " max=" << fmt(samples.back()) << " n=" << n << Qt::endl;
}

std::vector<double> MeasureMilliseconds(int warmups, int runs, const std::function<void()>& body) {
    for (int i = 0; i < warmups; ++i)
        body();
    std::vector<double> samples;
    samples.reserve(runs);
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        body();
        samples.push_back(timer.nsecsElapsed() / 1e6);
    }
    return samples;
}

// Summed over the process's threads from their scheduler statistics (nanoseconds on the CPU), which
// are exact where the clock-tick counts of /proc/<pid>/stat step by 10 ms.
double ProcessCpuSeconds(qint64 pid) {
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    double nanoseconds = 0;
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks + '/' + task + "/schedstat");
        if (schedstat.open(QIODevice::ReadOnly))
            nanoseconds += schedstat.readAll().split(' ').value(0).toDouble();
    }
    return nanoseconds / 1e9;
}
