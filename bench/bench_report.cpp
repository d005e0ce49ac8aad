// report over a generated log of a million records, as a shift of a busy line writes them:
// runs of eight positions, each panel an id record, a seating and an attempt, one in eight
// failing and seated again. Prints the time the tool took and its peak memory.
//
//   bench_report [records]     (default 1000000)

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>

namespace {

QByteArray utc(qint64 ms)
{
    const qint64 s = ms / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "2026-12-11T%02lld:%02lld:%02lld.%03lldZ", (s / 3600) % 24, (s / 60) % 60, s % 60,
                  ms % 1000);
    return text;
}

// Writes the log; returns the records written.
qint64 generate(const QString &path, qint64 wanted)
{
    std::FILE *out = std::fopen(qPrintable(path), "w");
    if (!out)
        return 0;
    qint64 records = 0, unit = 0;
    for (int run = 0; records < wanted; ++run) {
        const QByteArray runId = QByteArray::number(0x1d7c0e9a + run, 16) + "-5b3f-4c21-9e0d-7a6b5c4d3e2a";
        const char *common = R"("host":"line-3","operator":"ANNA","schema":1,"station":"LINE-3","tool_version":"1.1.0","user":"line","work_order":"WO-1182")";
        qint64 now = qint64(run) * 3600000;
        std::fprintf(out, R"({"event":"run","run_id":"%s","started":"%s","time":"%s","positions":[],%s})" "\n",
                     runId.constData(), utc(now).constData(), utc(now).constData(), common);
        ++records;
        int seq = 0;
        for (int i = 0; i < 40000 && records < wanted; ++i, ++unit) {
            const int position = i % 8 + 1;
            const bool fails = unit % 8 == 0;
            now += 100;
            std::fprintf(out, R"({"bound":"next","duplicate":false,"event":"id","panel":null,"panel_id":"SN-%lld","port":"/dev/ttyUSB%d","position":"FX%d","run_id":"%s","time":"%s",%s})" "\n",
                         unit, position, position, runId.constData(), utc(now).constData(), common);
            ++records;
            for (int seat = 0; seat < (fails ? 2 : 1); ++seat) {
                const bool failed = fails && seat == 0;
                const qint64 arrived = now;
                const qint64 started = now + 300;
                const int duration = failed ? 1412 : 1916;
                now = started + duration + 4000;
                std::fprintf(out, R"({"address":%s,"adjusted":[],"command":"write","configuration":null,"detail":"%s","differences":null,"duration_ms":%d,"event":"attempt","exit":%d,"file":"/srv/line/truck.zcf","model":74,"outcome":"%s","panel":%d,"panel_id":"SN-%lld","port":"/dev/ttyUSB%d","position":"FX%d","reason":%s,"run_id":"%s","seq":%d,"sha256":"5d41402abc4b2a76b9719d911017c592ae7a5e3b7f0c1f4f2b8e6d0c9a1b2c3d","started":"%s","time":"%s","warnings":null,%s})" "\n",
                             failed ? "1" : "null",
                             failed ? R"(COMMUNICATIONS FAILURE-BAD SWITCH PANEL DATA\nSW2 (address 1): wrote module B channel 2, read back module B channel 3\nPort /dev/ttyUSB2, panel model 74)"
                                    : R"(SWITCH PANEL HAS BEEN PROGRAMMED\nPort /dev/ttyUSB2, panel model 74)",
                             duration, failed ? 1 : 0, failed ? "failed" : "done", i + 1, unit, position, position,
                             failed ? R"("verify-failed")" : "null", runId.constData(), ++seq, utc(started).constData(),
                             utc(started + duration).constData(), common);
                std::fprintf(out, R"({"arrived":"%s","event":"seating","first_pass":%s,"left":"%s","outcome":"%s","panel":%d,"panel_id":"SN-%lld","port":"/dev/ttyUSB%d","position":"FX%d","run_id":"%s","seq":[%d],"time":"%s",%s})" "\n",
                             utc(arrived).constData(), fails ? "false" : "true", utc(now).constData(),
                             failed ? "failed" : "done", i + 1, unit, position, position, runId.constData(), seq,
                             utc(now).constData(), common);
                records += 2;
            }
        }
        std::fprintf(out, R"({"command":"write","duration_ms":%lld,"event":"summary","positions":[],"run_id":"%s","time":"%s",%s})" "\n",
                     now - qint64(run) * 3600000, runId.constData(), utc(now).constData(), common);
        ++records;
    }
    std::fclose(out);
    return records;
}

} // namespace

int main(int argc, char *argv[])
{
    const qint64 wanted = argc > 1 ? std::max(1LL, std::atoll(argv[1])) : 1000000;
    QTemporaryDir folder;
    const QString log = folder.filePath(QStringLiteral("line.log"));
    const qint64 records = generate(log, wanted);
    const qint64 bytes = QFileInfo(log).size();

    QProcess tool;
    tool.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    tool.start(QStringLiteral(TOOL_PATH), {QStringLiteral("report"), log, QStringLiteral("--csv")});
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0) {
        std::fprintf(stderr, "bench_report: the tool failed: %s\n", tool.readAllStandardError().constData());
        return 1;
    }
    const double seconds = double(clock.elapsed()) / 1000;
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const double peakMiB = double(usage.ru_maxrss) / 1024; // kilobytes on Linux
    // On a machine others share, the time the tool had the processor says what it costs.
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                       + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("report of %lld records (%.0f MiB of log): %.2f s (limit 10 s; %.2f s of processor time), "
                "peak memory %.1f MiB (limit 256 MiB)\n",
                records, double(bytes) / (1 << 20), seconds, cpu, peakMiB);
    return seconds <= 10 && peakMiB < 256 ? 0 : 2;
}
