#include "BenchRunner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <unistd.h>

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

double ProcessCpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // Fields after the parenthesised command name; utime and stime are the 14th and 15th fields.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}
