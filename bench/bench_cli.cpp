// The command line's write and read against the virtual panel on a pseudo-terminal: wall
// time against the floor the protocol sets (19 ticks of 100 ms), the command's CPU time over
// the transfer, and the time from the process start to the first byte on the wire (from the
// byte trace).
//
//   bench_cli [runs]     (default 5)

#include "childcpu.h"
#include "truckfile.h"
#include "virtualpanel.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr double floorMs = 19 * 100.0;

struct Figure
{
    double wall = 0, cpu = 0, firstByte = 0;
};

Figure run(const QStringList &arguments, const QString &folder)
{
    const QString trace = folder + QStringLiteral("/trace.txt");
    QFile::remove(trace);
    QProcess tool;
    tool.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    tool.setProcessEnvironment(env);
    const double cpu0 = childCpuMs();
    const QDateTime started = QDateTime::currentDateTime();
    QElapsedTimer wall;
    wall.start();
    tool.start(QStringLiteral(TOOL_PATH), arguments + QStringList{QStringLiteral("--trace"), trace});
    tool.waitForFinished(30000);
    Figure f{double(wall.nsecsElapsed()) / 1e6, childCpuMs() - cpu0, -1};
    if (tool.exitCode() != 0 && !arguments.contains(QStringLiteral("missing.zcf")))
        std::fprintf(stderr, "exit code %d: %s\n", tool.exitCode(), tool.readAllStandardError().constData());
    QFile file(trace);
    if (file.open(QIODevice::ReadOnly)) {
        const QRegularExpression sent(QStringLiteral("^(\\S+ \\S+)  >"), QRegularExpression::MultilineOption);
        const QRegularExpressionMatch m = sent.match(QString::fromUtf8(file.readAll()));
        if (m.hasMatch())
            f.firstByte = started.msecsTo(QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")));
    }
    return f;
}

Figure median(QList<Figure> figures)
{
    std::sort(figures.begin(), figures.end(), [](const Figure &a, const Figure &b) { return a.wall < b.wall; });
    return figures[figures.size() / 2];
}

// The CPU of the whole process, and over the transfer: less what the same process spends
// when it ends before the transfer (start, parsing, a refused file).
void print(const char *name, const QList<Figure> &figures, double setupCpu)
{
    const Figure f = median(figures);
    const double transferCpu = f.cpu - setupCpu;
    std::printf("%-6s wall %7.1f ms  floor %6.0f ms  wall/floor %.4f  process cpu %5.1f ms  "
                "transfer cpu %5.1f ms = %.2f %% of wall  start to first byte %3.0f ms  (median of %lld)\n",
                name, f.wall, floorMs, f.wall / floorMs, f.cpu, transferCpu, 100.0 * transferCpu / f.wall, f.firstByte,
                static_cast<long long>(figures.size()));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    QTemporaryDir dir;
    {
        QFile file(dir.filePath(QStringLiteral("truck.zcf")));
        file.open(QIODevice::WriteOnly);
        file.write(truckLine);
    }
    VirtualPanel panel;
    QList<Figure> writes, reads, setups;
    for (int i = 0; i < runs; ++i) {
        setups << run({QStringLiteral("write"), QStringLiteral("missing.zcf"), QStringLiteral("--port"), panel.port()},
                      dir.path());
        writes << run({QStringLiteral("write"), QStringLiteral("truck.zcf"), QStringLiteral("--port"), panel.port()},
                      dir.path());
        reads << run({QStringLiteral("read"), QStringLiteral("--name"), QStringLiteral("BENCH"), QStringLiteral("--force"),
                      QStringLiteral("--port"), panel.port()},
                     dir.path());
    }
    QList<double> setupCpu;
    for (const Figure &f : setups)
        setupCpu << f.cpu;
    std::sort(setupCpu.begin(), setupCpu.end());
    std::printf("process that ends before the transfer: cpu %.1f ms\n", setupCpu[setupCpu.size() / 2]);
    print("write", writes, setupCpu[setupCpu.size() / 2]);
    print("read", reads, setupCpu[setupCpu.size() / 2]);
    return 0;
}
