// Cold start of the tool to its shown window, and its peak memory. Runs the real program
// with DURVEX_EXIT_AFTER_SHOW, which reports the time to the first shown window and quits.
//
//   bench_startup [runs]     (default 10)

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QtCore>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    QList<double> shown, total;
    long peakKb = 0;
    for (int i = 0; i < runs; ++i) {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DURVEX_EXIT_AFTER_SHOW"), QStringLiteral("1"));
        if (env.value(QStringLiteral("DISPLAY")).isEmpty() && env.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty())
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        tool.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        tool.start(QStringLiteral(TOOL_PATH), {});
        tool.waitForFinished(10000);
        total << clock.nsecsElapsed() / 1e6;
        const QString err = QString::fromLocal8Bit(tool.readAllStandardError());
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("shown after (\\d+) ms")).match(err);
        if (m.hasMatch())
            shown << m.captured(1).toDouble();
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);
        peakKb = std::max(peakKb, long(usage.ru_maxrss));
    }
    std::sort(shown.begin(), shown.end());
    std::sort(total.begin(), total.end());
    if (shown.isEmpty()) {
        std::fprintf(stderr, "the tool did not report a shown window\n");
        return 1;
    }
    std::printf("platform %s, %d runs\n", qgetenv("DISPLAY").isEmpty() ? "offscreen" : "X11", runs);
    std::printf("start to shown window: median %.0f ms, worst %.0f ms\n", shown[shown.size() / 2], shown.last());
    std::printf("start to exit (process): median %.0f ms\n", total[total.size() / 2]);
    std::printf("peak resident memory: %.1f MB\n", peakKb / 1024.0);
    return 0;
}
