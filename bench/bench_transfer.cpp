// Full write and full read against the virtual panel on a pseudo-terminal: wall time
// against the floor the protocol sets (19 ticks of 100 ms each), the time from the first
// byte on the wire to the last reply against its floor (18 ticks: the model byte's and the
// seventeen configuration bytes'), the tool's CPU time, and many write-then-read cycles
// watching memory and open file descriptors.
//
//   bench_transfer [cycles]          (default 50)
//   bench_transfer flood [seconds]   peak memory while a panel floods the line for
//                                    `seconds` (default 20) with the mismatch box open

#include "link/serialportline.h"
#include "ui/controlnames.h"
#include "ui/mainwindow.h"
#include "virtualpanel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

constexpr double floorMs = 19 * 100.0;
constexpr double wireFloorMs = 18 * 100.0;

// The real line, timing the first byte out and the last bytes in of each transfer.
class TimedLine : public SerialPortLine
{
public:
    using SerialPortLine::SerialPortLine;

    QElapsedTimer clock;
    qint64 firstOut = -1, lastIn = -1; // ns on the clock

    bool open(OpenFailure *failure) override
    {
        firstOut = lastIn = -1;
        return SerialPortLine::open(failure);
    }
    void output(const QByteArray &bytes) override
    {
        if (firstOut < 0)
            firstOut = clock.nsecsElapsed();
        SerialPortLine::output(bytes);
    }
    QByteArray input() override
    {
        QByteArray bytes = SerialPortLine::input();
        if (!bytes.isEmpty())
            lastIn = clock.nsecsElapsed();
        return bytes;
    }
    double wireMs() const { return double(lastIn - firstOut) / 1e6; }
};

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

long residentKb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

// Peak resident memory of the process so far (VmHWM).
long peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// A read of a panel of another model that floods the line once asked for its model: the
// mismatch box stays open for `seconds` while the bytes pour in.
int flood(int seconds)
{
    VirtualPanel panel({QStringLiteral("--model"), QStringLiteral("75"), QStringLiteral("--flood-after"), QStringLiteral("2")});
    MainWindow w(std::make_unique<SerialPortLine>(panel.port()));
    w.show();
    QApplication::processEvents();
    const long idle = residentKb();
    QTimer poll;
    QElapsedTimer open;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (!open.isValid())
            open.start();
        else if (open.elapsed() >= seconds * 1000)
            box->accept();
    });
    poll.start(50);
    w.control<QAbstractButton>(QStringLiteral("READ_CONFIG"))->click();
    std::printf("flood with the box open %d s: idle rss %ld kB, peak rss %ld kB, peak - idle %+ld kB\n", seconds,
                idle, peakKb(), peakKb() - idle);
    return 0;
}

struct Figure
{
    double wall, wire, cpu;
};

Figure run(MainWindow &w, const char *button, const QString &expected)
{
    const double cpu0 = cpuMs();
    QElapsedTimer wall;
    wall.start();
    w.control<QAbstractButton>(QString::fromLatin1(button))->click();
    const double wallMs = double(wall.nsecsElapsed()) / 1e6;
    const Figure f{wallMs, static_cast<TimedLine &>(w.line()).wireMs(), cpuMs() - cpu0};
    if (w.statusText() != expected)
        std::fprintf(stderr, "unexpected status: %s\n", qPrintable(w.statusText()));
    return f;
}

void print(const char *name, const Figure &f)
{
    std::printf("%-6s wall %7.1f ms  floor %6.0f ms  wall/floor %.4f  first byte to last reply %7.1f ms  /floor %.4f  "
                "cpu %6.1f ms  cpu/wall %.2f %%\n",
                name, f.wall, floorMs, f.wall / floorMs, f.wire, f.wire / wireFloorMs, f.cpu, 100.0 * f.cpu / f.wall);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "flood")
        return flood(argc > 2 ? std::atoi(argv[2]) : 20);
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 50;

    VirtualPanel panel;
    auto line = std::make_unique<TimedLine>(panel.port());
    line->clock.start();
    MainWindow w(std::move(line));
    w.show();
    for (const ItemControls &item : itemControls) {
        w.selectPosition(QString::fromLatin1(item.moduleList), 5);
        w.selectPosition(QString::fromLatin1(item.channelList), 3);
    }
    // A technician's write comes long after the window is painted: its first paint is no
    // part of the transfer's time.
    if (!QTest::qWaitForWindowExposed(&w)) {
        std::fprintf(stderr, "bench_transfer: the window was never shown\n");
        return 1;
    }
    QTest::qWait(300);

    const QString written = QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED");
    const QString read = QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL");
    print("write", run(w, "WRITE_CONFIG", written));
    print("read", run(w, "READ_CONFIG", read));

    long rssFirst = 0;
    int fdFirst = 0;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        run(w, "WRITE_CONFIG", written);
        run(w, "READ_CONFIG", read);
        if (cycle == 1) {
            rssFirst = residentKb();
            fdFirst = openDescriptors();
        }
        if (cycle == 1 || cycle % 10 == 0 || cycle == cycles)
            std::printf("cycle %3d  rss %6ld kB  open fds %d\n", cycle, residentKb(), openDescriptors());
        std::fflush(stdout);
    }
    if (cycles > 0)
        std::printf("growth over %d write-then-read cycles: rss %+ld kB, open fds %+d\n", cycles,
                    residentKb() - rssFirst, openDescriptors() - fdFirst);
    return 0;
}
