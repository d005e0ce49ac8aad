// The check of ports given twice, on its own and as part of reading the command line: the
// best of several runs for 1000 and 3000 --port values, both names of ports that are not
// there (each a path only) and links that are (each also followed to its device).
//
//   bench_ports [runs]     (default 5)

#include "cli/commandline.h"
#include "link/portchoice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double bestMs(int runs, const std::function<void()> &work)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        best = std::min(best, double(clock.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir folder;
    std::printf("ports given twice, best of %d runs (ms)\n", runs);
    std::printf("%-8s %-26s %12s %14s\n", "ports", "names", "check alone", "whole reading");
    for (const int count : {1000, 3000}) {
        QStringList absent, links;
        for (int i = 0; i < count; ++i) {
            absent << QStringLiteral("fixture/u%1").arg(i);
            const QString target = folder.filePath(QStringLiteral("device%1").arg(i));
            const QString link = folder.filePath(QStringLiteral("link%1").arg(i));
            if (!QFile::exists(link)) {
                QFile(target).open(QIODevice::WriteOnly);
                QFile::link(target, link);
            }
            links << link;
        }
        for (const auto &[what, ports] : {std::pair{"not there", absent}, std::pair{"links to devices", links}}) {
            QStringList arguments{QStringLiteral("durvex-config"), QStringLiteral("write"), QStringLiteral("t.zcf")};
            for (const QString &port : ports)
                arguments << QStringLiteral("--port") << port;
            bool unique = true;
            const double check = bestMs(runs, [&] { unique = !PortChoice::givenTwice(ports); });
            const double whole = bestMs(runs, [&] { CommandLine::parse(arguments); });
            std::printf("%-8d %-26s %12.2f %14.2f%s\n", count, what, check, whole, unique ? "" : "  (a port twice!)");
        }
    }
    return 0;
}
