#include "cli/reportcommand.h"
#include "line/logrecordreader.h"
#include "line/shiftreport.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

namespace {

// The fixture: two runs of two positions in a log and its rotated part, the older part
// holding a line torn by a crash.
//
// Run 1d7c0e9a (today's records, no schema, no seatings): 06:00:00 to 06:10:00 by its
// summary (duration_ms 600000 ending 06:10:00), so 10 minutes.
//   seq pos  id    outcome    reason         started   duration
//   1   FX1  SN-1  done                      06:01:00  2000
//   2   FX2  SN-2  failed     verify-failed@1 06:01:00.5 1500
//   3   FX2  SN-2  done                      06:02:00  2500
//   4   FX1  -     done                      06:03:00  3000
//   5   FX2  SN-3  failed     no-response    06:04:00  1000
//   6   FX1  SN-4  unchanged                 06:05:00  500
// FX1: units SN-1, the one without id, SN-4 = 3; 3 attempts, 2 programmed, 1 unchanged;
//   all passed first: FPY 1, final 1; 3 passed units in 1/6 h = 18/h; cycles (attempts)
//   500 2000 3000: median (rank 2) 2000, p95 (rank 3) 3000.
// FX2: units SN-2, SN-3 = 2; 3 attempts, 1 programmed, 2 failed; first passes 0/2, final
//   1/2 (SN-2); 1 unit in 1/6 h = 6/h; cycles 1000 1500 2500: median 1500, p95 2500.
// Total: 5 units, 6 attempts, FPY 3/5 = 0.6, final 4/5 = 0.8, 24/h; cycles 500..3000:
//   median (rank 3) 1500, p95 (rank 6) 3000.
//
// Run 2e8d1f0b (schema 1, station LINE-3, work order `WO-1182, "RUSH"`): its run record
// starts at 07:00:00, its summary ends at 07:20:00: 20 minutes.
//   seating  pos  id     arrived   left      attempts (seq: outcome)
//   1        FX1  SN-10  07:01:00  07:01:10  1 done
//   2        FX2  SN-12  07:01:30  07:01:45  2 unchanged
//   3        FX1  SN-11  07:02:00  07:02:08  3 failed verify-failed@1
//   4        FX1  SN-11  07:03:00  07:03:12  4 done
//   5        FX1  -      07:04:00  07:04:09  5 failed no-response
//   6        FX2  SN-13  07:05:00  (seated)  6 done
//   and an id SN-14 at FX2 that expired.
// FX1: units SN-10, SN-11 (two seatings), the one without id = 3; 4 attempts, 2 programmed,
//   2 failed; FPY 1/3 = 0.3333, final 2/3 = 0.6667; 2 passed in 1/3 h = 6/h; cycles
//   (seatings) 8000 9000 10000 12000: median (rank 2) 9000, p95 (rank 4) 12000.
// FX2: units 2; 2 attempts, 1 programmed, 1 unchanged; 1 expired id; FPY 1, final 1; 6/h;
//   cycles: only seating 2 was taken out: 15000.
// Total: 5 units, 6 attempts, 3 programmed, 1 unchanged, 2 failed, 1 expired; FPY 0.6,
//   final 0.8, 4 passed in 1/3 h = 12/h; cycles 8000 9000 10000 12000 15000: median (rank 3)
//   10000, p95 (rank 5) 15000.
const QString runA = QStringLiteral("1d7c0e9a-5b3f-4c21-9e0d-7a6b5c4d3e2a");
const QString runB = QStringLiteral("2e8d1f0b-6c4a-4d32-8f1e-8b7c6d5e4f3b");
const QString workOrder = QStringLiteral("WO-1182, \"RUSH\"");

const QList<QStringList> expectedRows = {
    {"run_id", "station", "work_order", "position", "units", "attempts", "programmed", "unchanged", "failed",
     "expired_ids", "first_pass_yield", "final_yield", "panels_per_hour", "cycle_median_ms", "cycle_p95_ms"},
    {runA, "", "", "FX1", "3", "3", "2", "1", "0", "0", "1", "1", "18", "2000", "3000"},
    {runA, "", "", "FX2", "2", "3", "1", "0", "2", "0", "0", "0.5", "6", "1500", "2500"},
    {runA, "", "", "TOTAL", "5", "6", "3", "1", "2", "0", "0.6", "0.8", "24", "1500", "3000"},
    {runB, "LINE-3", workOrder, "FX1", "3", "4", "2", "0", "2", "0", "0.3333", "0.6667", "6", "9000", "12000"},
    {runB, "LINE-3", workOrder, "FX2", "2", "2", "1", "1", "0", "1", "1", "1", "6", "15000", "15000"},
    {runB, "LINE-3", workOrder, "TOTAL", "5", "6", "3", "1", "2", "1", "0.6", "0.8", "12", "10000", "15000"},
};

const QString data = QStringLiteral(REPORT_DATA);

struct Ran
{
    int code;
    QByteArray out;
    QString err;
};

Ran tool(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.setWorkingDirectory(data);
    process.start(QStringLiteral(TOOL_PATH), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        return {-1, {}, {}};
    return {process.exitCode(), process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
}

QByteArray fileBytes(const QString &name)
{
    QFile file(data + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ShiftReport fixture()
{
    ShiftReport report;
    LogRecordReader reader;
    for (const char *name : {"line.log", "line.log.1"}) {
        QFile file(data + QLatin1Char('/') + QLatin1String(name));
        file.open(QIODevice::ReadOnly);
        reader.read(file, [&report](LogRecord &&r) { report.add(std::move(r)); });
    }
    return report;
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    // Which lines are records, of which kind; which are skipped and why.
    void schemaRules_data()
    {
        using LineKind = LogRecordReader::LineKind;
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<LineKind>("kind");
        QTest::addColumn<int>("schema");
        const QByteArray attempt = R"({"event":"attempt","run_id":"r","seq":1,"outcome":"done")";
        QTest::newRow("no schema: today's, read") << attempt + "}" << LineKind::Record << 0;
        QTest::newRow("schema 1") << attempt + R"(,"schema":1})" << LineKind::Record << 1;
        QTest::newRow("a newer schema") << attempt + R"(,"schema":2})" << LineKind::Newer << 2;
        QTest::newRow("a schema that is no number") << attempt + R"(,"schema":"one"})" << LineKind::Foreign << -1;
        QTest::newRow("torn") << attempt << LineKind::Foreign << 0;
        QTest::newRow("another program's line") << QByteArray("Dec 11 06:00:01 line-3 logrotate: rotated")
                                                << LineKind::Foreign << 0;
        QTest::newRow("JSON, not ours") << QByteArray(R"({"level":"info","msg":"hello"})") << LineKind::Foreign << 0;
        QTest::newRow("a kind the report does not count")
            << QByteArray(R"({"event":"position-stopped","run_id":"r","schema":1})") << LineKind::Ignored << 1;
        QTest::newRow("an empty line") << QByteArray("  ") << LineKind::Empty << 0;
    }

    void schemaRules()
    {
        QFETCH(QByteArray, line);
        QFETCH(LogRecordReader::LineKind, kind);
        LogRecord record;
        int schema = 0;
        QCOMPARE(LogRecordReader().parse(line, &record, &schema), kind);
        if (kind != LogRecordReader::LineKind::Empty && kind != LogRecordReader::LineKind::Foreign)
            QTEST(schema, "schema");
    }

    // Skipped lines are counted per file, with the first one's number, whatever their length.
    void skippedLines()
    {
        const QByteArray good = R"({"event":"attempt","run_id":"r","seq":1,"outcome":"done"})";
        QByteArray log = good + "\n{\"event\":\"att\n" + good + "\n" + QByteArray(3 << 20, 'x') + "\n" + good.chopped(1) + R"(,"schema":9})"
                         + "\n" + good; // the last line without its end, whole
        QBuffer buffer(&log);
        buffer.open(QIODevice::ReadOnly);
        int records = 0;
        const LogRecordReader::Counts counts = LogRecordReader().read(buffer, [&records](LogRecord &&) { ++records; });
        QCOMPARE(records, 3);
        QCOMPARE(counts.skipped, 2);
        QCOMPARE(counts.firstSkippedLine, 2);
        QCOMPARE(counts.newer, 1);
        QCOMPARE(counts.firstNewerLine, 5);
        QCOMPARE(counts.newestSchema, 9);
    }

    // The fixture in CSV, read back by Python's csv module, against the figures worked out
    // by hand above; the parts given newest first, the torn line warned of once.
    void fixtureCsv()
    {
        const Ran ran = tool({"report", "line.log", "line.log.1", "--csv"});
        QCOMPARE(ran.code, 0);
        QCOMPARE(ran.err.count(QStringLiteral("\n")), 1);
        QVERIFY2(ran.err.contains("line.log.1: skipped 1 line that held no record") && ran.err.contains("the first is line 3"), qPrintable(ran.err));
        QProcess python;
        python.start(QStringLiteral("python3"),
                     {"-c", "import csv, json, sys; print(json.dumps(list(csv.reader(sys.stdin))))"});
        python.write(ran.out);
        python.closeWriteChannel();
        QVERIFY(python.waitForFinished(10000));
        QList<QStringList> rows;
        for (const QJsonValue row : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
            QStringList fields;
            for (const QJsonValue field : row.toArray())
                fields << field.toString();
            rows << fields;
        }
        QCOMPARE(rows, expectedRows);
    }

    // A part given twice counts once: its attempts, seatings and expired ids.
    void partGivenTwice()
    {
        const Ran once = tool({"report", "line.log", "line.log.1", "--csv"});
        const Ran twice = tool({"report", "line.log.1", "line.log", "line.log", "--csv"});
        QCOMPARE(twice.code, 0);
        QCOMPARE(twice.out, once.out);
    }

    // The failures and the totals of every run, which only the table and JSON carry; standard
    // input read as a part beside a file.
    void fixtureJson()
    {
        const Ran ran = tool({"report", "line.log.1", "-", "--json"}, fileBytes("line.log"));
        QCOMPARE(ran.code, 0);
        const QJsonObject report = QJsonDocument::fromJson(ran.out).object();
        const QJsonArray runs = report.value("runs").toArray();
        QCOMPARE(runs.size(), 2);
        const QJsonObject fx2 = runs[0].toObject().value("positions").toArray()[1].toObject();
        QCOMPARE(fx2.value("position").toString(), QStringLiteral("FX2"));
        QCOMPARE(QJsonDocument(fx2.value("failures_by_reason").toArray()).toJson(QJsonDocument::Compact),
                 QByteArray(R"([{"count":1,"reason":"no-response"},{"count":1,"reason":"verify-failed"}])"));
        QCOMPARE(QJsonDocument(fx2.value("failures_by_address").toArray()).toJson(QJsonDocument::Compact),
                 QByteArray(R"([{"address":1,"count":1,"item":"SW2"}])"));
        QCOMPARE(runs[1].toObject().value("work_order").toString(), workOrder);
        // Both runs: 10 units, 8 passed, in half an hour.
        const QJsonObject total = report.value("total").toObject();
        QCOMPARE(total.value("units").toInt(), 10);
        QCOMPARE(total.value("final_yield").toDouble(), 0.8);
        QCOMPARE(total.value("panels_per_hour").toInt(), 16);
        QCOMPARE(total.value("cycle_median_ms").toInt(), 3000); // rank 6 of 11
        QCOMPARE(total.value("duration_ms").toInt(), 1800000);
    }

    // Which records the filters let count, and what a time given without a zone means.
    void filters_data()
    {
        QTest::addColumn<QString>("run");
        QTest::addColumn<QString>("since");
        QTest::addColumn<QString>("until");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("workOrder");
        QTest::addColumn<QStringList>("runs"); // "run: units attempts minutes"
        const QString a = runA.left(8), b = runB.left(8);
        QTest::newRow("all") << "" << "" << "" << "" << "" << QStringList{a + ": 5 6 10", b + ": 5 6 20"};
        QTest::newRow("a run by its beginning") << b << "" << "" << "" << "" << QStringList{b + ": 5 6 20"};
        QTest::newRow("no such run") << "ffff" << "" << "" << "" << "" << QStringList{};
        QTest::newRow("since, UTC without a zone") << "" << "2026-12-11T07:00" << "" << "" << "" << QStringList{b + ": 5 6 20"};
        QTest::newRow("since, with a zone") << "" << "2026-12-11T08:00+01:00" << "" << "" << "" << QStringList{b + ": 5 6 20"};
        QTest::newRow("until a date") << "" << "" << "2026-12-11" << "" << "" << QStringList{};
        // The window cuts the run's length too: 06:02:00 to 06:10:00.
        QTest::newRow("a window in a run") << "" << "2026-12-11 06:02" << "2026-12-11T06:30" << "" << ""
                                           << QStringList{a + ": 4 4 8"};
        QTest::newRow("a station") << "" << "" << "" << "LINE-3" << "" << QStringList{b + ": 5 6 20"};
        QTest::newRow("another station") << "" << "" << "" << "LINE-4" << "" << QStringList{};
        QTest::newRow("a work order") << "" << "" << "" << "" << workOrder << QStringList{b + ": 5 6 20"};
    }

    void filters()
    {
        QFETCH(QString, since);
        QFETCH(QString, until);
        ShiftReport::Filter filter;
        QFETCH(QString, run);
        QFETCH(QString, station);
        QFETCH(QString, workOrder);
        filter.run = run;
        filter.station = station;
        filter.workOrder = workOrder;
        if (!since.isEmpty())
            QVERIFY((filter.sinceMs = ReportCommand::instant(since)));
        if (!until.isEmpty())
            QVERIFY((filter.untilMs = ReportCommand::instant(until)));
        QStringList runs;
        for (const ShiftReport::Run &r : fixture().figures(filter).runs)
            runs << QStringLiteral("%1: %2 %3 %4").arg(r.runId.left(8), QString::number(r.total.units), QString::number(r.total.attempts),
                                                        QString::number(r.total.durationMs / 60000));
        QTEST(runs, "runs");
    }

    // Each kind of line the report cannot take is warned of once per file, however many there
    // are; the filters reach the figures from the command line.
    void warningsAndFilters()
    {
        const QByteArray newer = R"({"event":"attempt","run_id":"r","schema":7,"seq":1})" "\n";
        const Ran ran = tool({"report", "-", "line.log", "--station", "LINE-3", "--work-order", workOrder, "--until",
                              "2026-12-11T08:00", "--csv"},
                             newer + "torn {\n" + newer + "torn {\n");
        QCOMPARE(ran.code, 0);
        const QStringList warnings = ran.err.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(warnings.size(), 2);
        QVERIFY2(warnings[0].startsWith("durvex-config: warning: standard input: skipped 2 lines that held no record")
                     && warnings[0].endsWith("the first is line 2"), qPrintable(warnings[0]));
        QVERIFY2(warnings[1].contains("skipped 2 records of a newer schema (up to 7): this tool reads schema 1"),
                 qPrintable(warnings[1]));
        const QStringList rows = QString::fromUtf8(ran.out).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 4);
        QVERIFY(rows[3].startsWith(runB + ",LINE-3,\"WO-1182, \"\"RUSH\"\"\",TOTAL,5,6,"));
    }

    // A time that is not ISO 8601 is a usage error, before any log is read.
    void badTime()
    {
        const Ran ran = tool({"report", "line.log", "--since", "yesterday"});
        QCOMPARE(ran.code, 64);
        QVERIFY2(ran.err.contains("--since takes a time in ISO 8601"), qPrintable(ran.err));
        QCOMPARE(tool({"report", "no-such.log"}).code, 4);
    }

    // One unit's whole history, across its seatings and attempts, oldest first.
    void history()
    {
        const Ran ran = tool({"report", "line.log.1", "line.log", "--id", "SN-11"});
        QCOMPARE(ran.code, 0);
        const QStringList lines = QString::fromUtf8(ran.out).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QVERIFY2(lines[0].startsWith("2026-12-11T07:02:00Z  RUN " + runB + "  FX1  SEATING"), qPrintable(lines[0]));
        QVERIFY2(lines[1].contains("ATTEMPT 3  failed verify-failed at address 1 (SW2)"), qPrintable(lines[1]));
        QVERIFY2(lines[3].contains("ATTEMPT 4  done"), qPrintable(lines[3]));
    }

    // The table a person reads: a block per run, the totals, the failures.
    void table()
    {
        const Ran ran = tool({"report", "line.log", "line.log.1"});
        QCOMPARE(ran.code, 0);
        const QString out = QString::fromUtf8(ran.out);
        QVERIFY2(out.contains("RUN " + runB + "  STATION LINE-3  WORK ORDER " + workOrder), qPrintable(out));
        QVERIFY2(out.contains(QRegularExpression("\\nTOTAL +5 +6 +3 +1 +2 +1 +60 % +80 % +12 +10.0 s +15.0 s\\n")), qPrintable(out));
        QVERIFY2(out.contains("  FX2: no-response 1, verify-failed 1; by address 1 (SW2) 1"), qPrintable(out));
        QVERIFY2(out.contains("ALL 2 RUNS, 30.0 MIN"), qPrintable(out));
    }
};

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
