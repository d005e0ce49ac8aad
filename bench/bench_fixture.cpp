// Several panels written at once by one command: N = 1, 8, 32 and 64 virtual panels on
// pseudo-terminals, one --port each, as a fixture of many positions has them. For each N,
// the wall time of the whole command against the time for one panel (at once, N panels
// should take no longer than one: within 5 %), and the command's CPU time (user and system,
// from start to exit) as a share of the wall time, in all and per panel, against its budget
// of 1 % of the wall time per panel. Beside it, the same less the CPU of a run that ends before any
// transfer (a file that is not there): the start-up, mostly the dynamic loading of the Qt
// libraries the one binary holds for its window, which no transfer can change.
//
//   bench_fixture [runs]     (default 3; the median run of each N is shown)

#include "childcpu.h"
#include "truckfile.h"
#include "virtualpanel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

struct Figure
{
    double wall = 0, cpu = 0;
};

Figure run(const QStringList &arguments, const QString &folder)
{
    QProcess tool;
    tool.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DURVEX_TRACE"})
        env.remove(QString::fromLatin1(name));
    tool.setProcessEnvironment(env);
    const double cpu0 = childCpuMs();
    QElapsedTimer wall;
    wall.start();
    tool.start(QStringLiteral(TOOL_PATH), arguments);
    tool.waitForFinished(60000);
    const Figure f{double(wall.nsecsElapsed()) / 1e6, childCpuMs() - cpu0};
    if (tool.exitCode() != 0 && !arguments.contains(QStringLiteral("missing.zcf")))
        std::fprintf(stderr, "exit code %d: %s\n", tool.exitCode(), tool.readAllStandardError().constData());
    return f;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QTemporaryDir dir;
    {
        QFile file(dir.filePath(QStringLiteral("truck.zcf")));
        file.open(QIODevice::WriteOnly);
        file.write(truckLine);
    }
    QList<double> floors;
    for (int i = 0; i < std::max(runs, 5); ++i)
        floors << run({QStringLiteral("write"), QStringLiteral("missing.zcf")}, dir.path()).cpu;
    std::sort(floors.begin(), floors.end());
    const double floor = floors[floors.size() / 2];
    std::printf("start-up, a run that ends before any transfer: cpu %.1f ms (median of %lld)\n", floor,
                static_cast<long long>(floors.size()));
    std::printf("%3s  %9s  %9s  %9s  %11s  %11s  %9s  %15s  %s\n", "N", "wall ms", "wall/one", "cpu ms",
                "cpu % wall", "per panel %", "budget %", "less start-up %", "");
    double one = 0;
    for (const int n : {1, 8, 32, 64}) {
        std::vector<std::unique_ptr<VirtualPanel>> panels;
        QStringList arguments{QStringLiteral("write"), QStringLiteral("truck.zcf")};
        for (int i = 0; i < n; ++i) {
            panels.push_back(std::make_unique<VirtualPanel>());
            arguments << QStringLiteral("--port") << panels.back()->port();
        }
        QList<Figure> figures;
        for (int i = 0; i < runs; ++i)
            figures << run(arguments, dir.path());
        std::sort(figures.begin(), figures.end(), [](const Figure &a, const Figure &b) { return a.wall < b.wall; });
        const Figure f = figures[figures.size() / 2];
        if (n == 1)
            one = f.wall;
        const double share = 100.0 * f.cpu / f.wall;
        const bool atOnce = f.wall <= one * 1.05;
        const bool frugal = share < n * 1.0;
        std::printf("%3d  %9.1f  %9.4f  %9.1f  %11.2f  %11.3f  %9.0f  %15.2f  %s\n", n, f.wall, f.wall / one, f.cpu,
                    share, share / n, n * 1.0, 100.0 * (f.cpu - floor) / f.wall,
                    atOnce && frugal ? "ok" : !atOnce ? "SLOWER THAN ONE" : "OVER BUDGET");
        std::fflush(stdout);
    }
    return 0;
}
