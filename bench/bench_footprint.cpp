// The real program under Xvfb: the memory it holds after start (and after a visit to many levels),
// and the CPU it spends per second while the carousel turns without pause at the display's pace.
#include "BenchDatabase.h"
#include "BenchRunner.h"

#include "Screen.h"
#include "TessaroRun.h"
#include "XvfbSession.h"
#include "store/FirstStart.h"
#include "ui/CarouselSettingsTable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>

using TestSupport::Screen;
using TestSupport::TessaroRun;
using TestSupport::XvfbSession;

namespace {

QByteArray procField(qint64 pid, const char* file, const QByteArray& field) {
    QFile status(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
    if (!status.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed();
    return {};
}

double residentMegabytes(qint64 pid) {
    // "VmRSS:   123456 kB"
    return procField(pid, "status", "VmRSS").split(' ').value(0).toDouble() / 1024.0;
}

// The program started on a copy of the database, its carousel window drawn, still and focused.
struct Launcher {
    XvfbSession& x;
    TessaroRun run{x};
    Screen screen{x};
    qulonglong window = 0;

    Launcher(XvfbSession& session, const QString& database) : x(session) {
        QDir().mkpath(run.DataFolder());
        QFile::copy(database, run.DatabasePath());
        run.Start();
        window = screen.WaitForCarouselWindow(30000);
        if (!window || screen.WaitForStill(screen.Geometry(window)).isNull() || !x.Focus(window))
            qFatal("the launcher did not settle:\n%s", qPrintable(run.Output()));
    }
    ~Launcher() { XvfbSession::Stop(run.Process()); }
    qint64 Pid() const { return run.Process()->processId(); }
    void Keys(const QStringList& keys) {
        if (!screen.Keys(keys))
            qFatal("xdotool failed");
    }
    void WaitForStill() { screen.WaitForStill(screen.Geometry(window), 60000); }
};

// Enters each of the first level's tokens and comes back up, turning one place on in between.
void visitLevels(Launcher& launcher, int levels) {
    for (int level = 0; level < levels; ++level) {
        launcher.Keys({"Down"});
        launcher.WaitForStill();
        launcher.Keys({"Up"});
        launcher.WaitForStill();
        launcher.Keys({"Right"});
        launcher.WaitForStill();
    }
}

void residentMemory(BenchContext& c, const QString& starter, const QString& thousand) {
    std::vector<double> starterSamples, thousandSamples;
    for (int i = 0; i < 3; ++i) {
        XvfbSession x;
        {
            Launcher launcher(x, starter);
            starterSamples.push_back(residentMegabytes(launcher.Pid()));
        }
        Launcher launcher(x, thousand);
        visitLevels(launcher, 20);
        thousandSamples.push_back(residentMegabytes(launcher.Pid()));
    }
    c.Report("rss.starter", "MB", starterSamples);
    c.Report("rss.1000", "MB", thousandSamples);
}

// Right arrow presses arrive faster than the moves they start, so the carousel never rests; the CPU
// the launcher uses is sampled over whole seconds of that.
void spinning(BenchContext& c, const QString& starter) {
    XvfbSession x;
    Launcher launcher(x, starter);
    // Presses queue up while a move runs; 150 of them keep the carousel turning well past the samples.
    QProcess* keys = x.Start(QStringLiteral("xdotool"), {"key", "--delay", "40", "--repeat", "150", "Right"});
    if (!keys)
        qFatal("xdotool did not start");
    QThread::msleep(1000);
    std::vector<double> samples;
    for (int i = 0; i < 5; ++i) {
        const double before = ProcessCpuSeconds(launcher.Pid());
        QThread::msleep(1000);
        samples.push_back(ProcessCpuSeconds(launcher.Pid()) - before);
    }
    XvfbSession::Stop(keys);
    c.Report("spin.cpu", "s/s", samples);
}

QString starterDatabase(const QTemporaryDir& dir) {
    const QString path = dir.filePath("starter.db");
    FirstStart::CreateTokenDatabaseIfMissing(path, CarouselSettings::StoredStarter());
    return path;
}

BenchRegistration memoryRegistration({"rss.starter", "rss.1000"}, [](BenchContext& c) {
    QTemporaryDir dir;
    residentMemory(c, starterDatabase(dir), WriteBenchDatabase(dir, "thousand.db", 1000, 20));
});
BenchRegistration spinRegistration({"spin.cpu"}, [](BenchContext& c) {
    QTemporaryDir dir;
    spinning(c, starterDatabase(dir));
});

} // namespace
