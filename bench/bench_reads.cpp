// Reads through the system's serial line against a panel: one attention handshake, then a
// number of byte reads, each timed from its command to its reply, with the failures counted.
// Built for Linux and for Windows alike, so that the two lines can be set side by side on
// the same virtual panel (under Wine, a COM port linked to the panel's terminal).
//
//   bench_reads PORT [reads] [--qt]     (default 100 reads; --qt: through Qt SerialPort
//                                        whatever the system's own line is)

#include "config/panelconfiguration.h"
#include "link/panellink.h"
#include "link/serialportline.h"
#include "link/systemline.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_reads PORT [reads]\n");
        return 64;
    }
    const QString port = QString::fromLocal8Bit(argv[1]);
    const int reads = argc > 2 && argv[2][0] != '-' ? std::max(1, std::atoi(argv[2])) : 100;
    const bool qt = QCoreApplication::arguments().contains(QStringLiteral("--qt"));
    const std::unique_ptr<SerialLine> line = qt ? std::make_unique<SerialPortLine>(port) : SystemLine::make(port);
    PanelLink link(*line);
    QElapsedTimer clock;
    clock.start();
    if (const LinkResult opened = link.open_port(); !opened.ok()) {
        std::fprintf(stderr, "%s would not open: %s\n", argv[1], qPrintable(opened.reason));
        return 1;
    }
    const LinkResult answered = link.attention_handshake();
    const double handshake = double(clock.nsecsElapsed()) / 1e6;
    if (!answered.ok()) {
        std::printf("%s: no answer to the attention handshake after %.1f ms\n", argv[1], handshake);
        return 1;
    }
    QList<double> times;
    int failures = 0;
    for (int i = 0; i < reads; ++i) {
        QElapsedTimer one;
        one.start();
        const LinkResult read = link.readee(i % 2 ? modelAddress : i % 60);
        times << double(one.nsecsElapsed()) / 1e6;
        if (!read.ok()) {
            ++failures;
            std::printf("read %d failed: kind %d, reply \"%s\"\n", i + 1, int(read.kind), read.reply.constData());
        }
    }
    link.close_port();
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times)
        sum += t;
    std::printf("%s: handshake %.1f ms; %d reads, %d failed; per read (ms) min %.1f median %.1f "
                "p95 %.1f max %.1f mean %.1f; all %.0f ms\n",
                argv[1], handshake, reads, failures, times.first(), times.at(times.size() / 2),
                times.at(std::min<qsizetype>(times.size() - 1, times.size() * 95 / 100)), times.last(),
                sum / times.size(), double(clock.nsecsElapsed()) / 1e6);
    return failures ? 1 : 0;
}
