// The real program under Xvfb: time from process start to the first painted frame, and the CPU it
// uses while idle.
#include "BenchDatabase.h"
#include "BenchRunner.h"

#include "TessaroRun.h"
#include "XvfbSession.h"
#include "store/FirstStart.h"
#include "ui/CarouselSettingsTable.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

using TestSupport::TessaroRun;
using TestSupport::XvfbSession;

namespace {

// Whether the screen shows anything of the launcher yet: the window is mapped and some pixel is lit
// (the window fades in from transparent, so its first frames are nearly black).
bool launcherVisible(const XvfbSession& x, const TessaroRun& run) {
    if (run.MainWindows().isEmpty())
        return false;
    const QImage shot = x.Screenshot();
    for (int y = 0; y < shot.height(); y += 2) {
        const QRgb* line = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
        for (int px = 0; px < shot.width(); px += 2)
            if (qRed(line[px]) > 8 || qGreen(line[px]) > 8 || qBlue(line[px]) > 8)
                return true;
    }
    return false;
}

// Starts the program with a copy of the prepared database and returns the milliseconds until the
// first painted frame, measured at the start of the screenshot that first shows it.
double firstFrame(XvfbSession& x, TessaroRun& run, const QString& database) {
    QDir().mkpath(run.DataFolder());
    QFile::copy(database, run.DatabasePath());
    QElapsedTimer timer;
    timer.start();
    run.Start();
    while (timer.elapsed() < 30000) {
        const double now = timer.nsecsElapsed() / 1e6;
        if (launcherVisible(x, run))
            return now;
    }
    qFatal("the launcher did not show within 30 s:\n%s", qPrintable(run.Output()));
}

void startup(BenchContext& c, const QString& figure, const QString& database, int runs) {
    XvfbSession x;
    std::vector<double> samples;
    for (int i = 0; i <= runs; ++i) {
        TessaroRun run(x);
        const double ms = firstFrame(x, run, database);
        if (i > 0) // the first start warms the caches
            samples.push_back(ms);
        XvfbSession::Stop(run.Process());
    }
    c.Report(figure, "ms", samples);
}

void idle(BenchContext& c, const QString& database) {
    XvfbSession x;
    TessaroRun run(x);
    firstFrame(x, run, database);
    QThread::msleep(3000); // the window's fade-in and the description's fade have ended
    std::vector<double> samples;
    for (int i = 0; i < 2; ++i) {
        const double before = ProcessCpuSeconds(run.Process()->processId());
        QThread::msleep(5000);
        samples.push_back(ProcessCpuSeconds(run.Process()->processId()) - before);
    }
    c.Report("idle.cpu_5s", "s", samples);
    XvfbSession::Stop(run.Process());
}

BenchRegistration
    reg({"startup.first_frame", "startup.first_frame.1000", "idle.cpu_5s"}, [](BenchContext& c) {
        QTemporaryDir dir;
        const QString starter = dir.filePath("starter.db");
        FirstStart::CreateTokenDatabaseIfMissing(starter, CarouselSettings::StoredStarter());
        startup(c, "startup.first_frame", starter, 5);
        // 1,000 active tokens, 20 of them on the first level.
        startup(c, "startup.first_frame.1000", WriteBenchDatabase(dir, "thousand.db", 1000, 20), 3);
        idle(c, starter);
    });

} // namespace
