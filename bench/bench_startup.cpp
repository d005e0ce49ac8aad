// Cold start of the tool to its shown window, and its peak memory. Runs the real program
// with DURVEX_EXIT_AFTER_SHOW, which reports the time to the first shown window and quits,
// side by side with a floor: a bare window of the same size with one line edit.
//
// Two clocks. From launch: from starting the process to its report arriving, what a user
// waits for; it holds the loading of Qt's libraries, which the floor does before its main()
// and the tool, whose window is a module, inside it. From main(): what each program reports
// itself, so the tool's figure carries that loading and the floor's does not.
//
//   bench_startup [runs]     (default 15)

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QtCore>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

struct Run
{
    double shown = -1, launched = -1, total = 0;
    long peakKb = 0;
};

Run start(const QString &program)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DURVEX_EXIT_AFTER_SHOW"), QStringLiteral("1"));
    if (env.value(QStringLiteral("DISPLAY")).isEmpty() && env.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    Run run;
    QElapsedTimer clock;
    clock.start();
    process.start(program, {});
    process.setReadChannel(QProcess::StandardError);
    QByteArray err8;
    while (!err8.contains("shown after") && process.waitForReadyRead(10000))
        err8 += process.readAllStandardError();
    run.launched = clock.nsecsElapsed() / 1e6;
    process.waitForFinished(10000);
    run.total = clock.nsecsElapsed() / 1e6;
    const QString err = QString::fromLocal8Bit(err8 + process.readAllStandardError());
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("shown after (\\d+) ms")).match(err);
    if (m.hasMatch())
        run.shown = m.captured(1).toDouble();
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    run.peakKb = usage.ru_maxrss;
    return run;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? -1 : values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 15;
    QList<double> shown, total, floorShown, launched, floorLaunched;
    long peakKb = 0;
    for (int i = 0; i < runs; ++i) {
        const Run floor = start(QStringLiteral(FLOOR_PATH));
        const Run tool = start((qEnvironmentVariableIsSet("BENCH_TOOL") ? qEnvironmentVariable("BENCH_TOOL") : QStringLiteral(TOOL_PATH)));
        if (tool.shown < 0 || floor.shown < 0) {
            std::fprintf(stderr, "a program did not report a shown window\n");
            return 1;
        }
        shown << tool.shown;
        launched << tool.launched;
        floorLaunched << floor.launched;
        total << tool.total;
        floorShown << floor.shown;
        peakKb = std::max(peakKb, tool.peakKb);
    }
    std::printf("platform %s, %d runs each, alternating\n", qgetenv("DISPLAY").isEmpty() ? "offscreen" : "X11", runs);
    std::printf("launch to shown window: tool median %.1f ms (worst %.1f ms), floor median %.1f ms, tool/floor %.2f\n",
                median(launched), *std::max_element(launched.begin(), launched.end()), median(floorLaunched),
                median(launched) / std::max(1.0, median(floorLaunched)));
    std::printf("main() to shown window: tool median %.0f ms (worst %.0f ms), floor median %.0f ms, tool/floor %.2f\n",
                median(shown), *std::max_element(shown.begin(), shown.end()), median(floorShown),
                median(shown) / std::max(1.0, median(floorShown)));
    std::printf("start to exit (process): median %.0f ms\n", median(total));
    std::printf("peak resident memory: %.1f MB\n", peakKb / 1024.0);
    return 0;
}
