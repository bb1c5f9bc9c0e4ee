// End to end over a pseudo-terminal: the simulated detector on one side, the download
// session with its serial component, frame assembler, decoder and store on the other.
#include "AlarmFrame.h"
#include "DownloadSession.h"
#include "EventLog.h"
#include "StoreFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace zor;

Q_DECLARE_METATYPE(zor::AlarmRecord)

namespace {

constexpr int kStartTimeoutMs = 5000;
constexpr int kAnswerTimeoutMs = 30000;

// Readings hold 0xAA and 0x55 bytes on purpose, and the dates touch both ends of the century.
const char kLog[] = "# small log for the link tests\n"
                    "CO PPM 2024-01-26T08:15:30 50 2024-01-26T08:16:02 150 2024-01-26T08:20:45 25\n"
                    "\n"
                    "O2 %VOL 2024-02-29T23:59:50 209 2024-03-01T00:00:10 180 "
                    "2024-03-01T00:05:00 195\n"
                    "H2S PPM 2031-12-31T12:00:00 100 2031-12-31T12:01:00 65535 "
                    "2031-12-31T12:02:00 0\n"
                    "HCN %LEL 2099-12-31T23:00:00 0 2099-12-31T23:30:00 1 2099-12-31T23:59:59 0\n"
                    "EX %LEL 2000-01-01T00:00:00 170 2000-01-01T00:00:01 43605 "
                    "2000-01-01T00:00:02 85   # 0x00AA, 0xAA55, 0x0055\n";

QDateTime at(int y, int mo, int d, int h, int mi, int s) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

QList<AlarmRecord> expectedLog() {
    return {
        {"CO", at(2024, 1, 26, 8, 15, 30), 50, at(2024, 1, 26, 8, 16, 2), 150,
         at(2024, 1, 26, 8, 20, 45), 25, "PPM", true},
        {"O2", at(2024, 2, 29, 23, 59, 50), 20.9, at(2024, 3, 1, 0, 0, 10), 18.0,
         at(2024, 3, 1, 0, 5, 0), 19.5, "%VOL", false},
        {"H2S", at(2031, 12, 31, 12, 0, 0), 10.0, at(2031, 12, 31, 12, 1, 0), 6553.5,
         at(2031, 12, 31, 12, 2, 0), 0, "PPM", false},
        {"HCN", at(2099, 12, 31, 23, 0, 0), 0, at(2099, 12, 31, 23, 30, 0), 0.1,
         at(2099, 12, 31, 23, 59, 59), 0, "%LEL", false},
        {"EX", at(2000, 1, 1, 0, 0, 0), 17.0, at(2000, 1, 1, 0, 0, 1), 4360.5,
         at(2000, 1, 1, 0, 0, 2), 8.5, "%LEL", false},
    };
}

// The simulator as a child process, with its output collected line by line.
class Simulator {
public:
    bool start(const QStringList& arguments) {
        process_.setProgram(QStringLiteral(ZOR_DETECTOR_SIM));
        process_.setArguments(arguments);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        if (!process_.waitForStarted(kStartTimeoutMs))
            return false;
        return waitFor([this] { return output_.contains(u'\n'); }, kStartTimeoutMs);
    }

    QString devicePath() const { return output_.section(u'\n', 0, 0); }

    bool waitForLine(const QString& line, int timeoutMs = kAnswerTimeoutMs) {
        return waitFor([&] { return lines().contains(line); }, timeoutMs);
    }

    QStringList lines() {
        output_ += QString::fromLocal8Bit(process_.readAllStandardOutput());
        return output_.split(u'\n', Qt::SkipEmptyParts);
    }

    QProcess& process() { return process_; }

    ~Simulator() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }

private:
    template <typename Done> bool waitFor(Done done, int timeoutMs) {
        return QTest::qWaitFor(
            [&] {
                output_ += QString::fromLocal8Bit(process_.readAllStandardOutput());
                return done();
            },
            timeoutMs);
    }

    QProcess process_;
    QString output_;
};

// The receiving side as the program has it: one download session on a store of its own.
class Receiver {
public:
    explicit Receiver(QString port)
        : port(std::move(port)), alarms(fixture.open()), history(fixture.open().connection()),
          session(alarms, history) {
        const auto keep = [this](const AlarmRecord& record) { records.append(record); };
        QObject::connect(&session, &DownloadSession::frameStored, keep);
        QObject::connect(&session, &DownloadSession::frameDuplicate, keep);
        QObject::connect(&session, &DownloadSession::invalidDate, [this] { ++dateErrors; });
        QObject::connect(&session, &DownloadSession::ended,
                         [this](DownloadOutcome outcome) { outcomes.append(outcome); });
    }

    // Reopens the port and sends the read command, as every download does.
    void download() { session.start(port); }

    // Waits for the end of the download started last; true when it ended as expected with
    // count records in all.
    bool waitForEnd(qsizetype count, DownloadOutcome expected = DownloadOutcome::Finished) {
        const qsizetype endings = outcomes.size() + (session.isRunning() ? 1 : 0);
        const bool ended = QTest::qWaitFor(
            [&] { return outcomes.size() >= endings && !session.isRunning(); }, kAnswerTimeoutMs);
        return ended && outcomes.last() == expected && records.size() == count;
    }

    QString port;
    test::StoreFixture fixture;
    AlarmStore alarms;
    DownloadHistory history;
    DownloadSession session;
    QList<AlarmRecord> records;
    QList<DownloadOutcome> outcomes;
    int dateErrors = 0;
};

} // namespace

namespace zor {
char* toString(const AlarmRecord& r) {
    return qstrdup(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                       .arg(r.gas, r.unit, r.sTime.toString(Qt::ISODate))
                       .arg(r.sValue)
                       .arg(r.pTime.toString(Qt::ISODate))
                       .arg(r.pValue)
                       .arg(r.eTime.toString(Qt::ISODate))
                       .arg(r.eValue)
                       .toUtf8()
                       .constData());
}
} // namespace zor

class TestDetectorSim : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void downloadsTheLog_data();
    void downloadsTheLog();
    void dropsInvalidFrames();
    void generatedEventsRepeatWithTheSeed();
    void answersAgainOnlyWithRepeat_data();
    void answersAgainOnlyWithRepeat();
    void reportsTheClockItWasSet();
    void linksTheDeviceAndEndsCleanly_data();
    void linksTheDeviceAndEndsCleanly();

private:
    QString logPath() const { return dir_.filePath(QStringLiteral("small.log")); }
    QTemporaryDir dir_;
};

void TestDetectorSim::initTestCase() {
    QVERIFY(dir_.isValid());
    QFile log(logPath());
    QVERIFY(log.open(QIODevice::WriteOnly));
    log.write(kLog);
}

void TestDetectorSim::downloadsTheLog_data() {
    QTest::addColumn<QStringList>("link");

    QTest::newRow("default gaps") << QStringList{};
    QTest::newRow("back to back") << QStringList{"--back-to-back"};
    QTest::newRow("split in 5-byte pieces") << QStringList{"--split", "5"};
    QTest::newRow("split in 31-byte pieces") << QStringList{"--split", "31"};
    QTest::newRow("garbage before frames") << QStringList{"--garbage", "40", "--seed", "3"};
    QTest::newRow("garbage, split") << QStringList{"--garbage", "9", "--split", "8"};
}

void TestDetectorSim::downloadsTheLog() {
    QFETCH(QStringList, link);
    Simulator sim;
    QVERIFY(sim.start(QStringList{"--log", logPath()} + link));
    Receiver receiver(sim.devicePath());
    receiver.download();
    QVERIFY(sim.waitForLine(QStringLiteral("read: sent 5 frames")));
    QVERIFY2(receiver.waitForEnd(5), qPrintable(QString::number(receiver.records.size())));
    QCOMPARE(receiver.records, expectedLog());
    QCOMPARE(receiver.dateErrors, 0);
}

void TestDetectorSim::dropsInvalidFrames() {
    Simulator sim;
    QVERIFY(sim.start({"--log", logPath(), "--invalid-every", "1"}));
    Receiver receiver(sim.devicePath());
    receiver.download();
    QVERIFY(sim.waitForLine(QStringLiteral("read: sent 5 frames, 5 invalid")));
    QVERIFY(receiver.waitForEnd(5));
    QCOMPARE(receiver.records, expectedLog());
    // Of the five spoilt frames one carries 30 February: the decoder refuses it.
    QCOMPARE(receiver.dateErrors, 1);
    QCOMPARE(receiver.session.counts().rejected, 5);
}

void TestDetectorSim::generatedEventsRepeatWithTheSeed() {
    constexpr int kCount = 60;
    const auto download = [](const QStringList& seed) {
        Simulator sim;
        if (!sim.start(QStringList{"--events", QString::number(kCount), "--back-to-back"} + seed))
            return QList<AlarmRecord>{};
        Receiver receiver(sim.devicePath());
        receiver.download();
        receiver.waitForEnd(kCount);
        return receiver.records;
    };
    const QList<AlarmRecord> first = download({"--seed", "9"});
    QCOMPARE(first.size(), kCount);
    QCOMPARE(download({"--seed", "9"}), first);
    QVERIFY(download({"--seed", "10"}) != first);

    // The printed log is the log that was sent.
    QProcess print;
    print.start(QStringLiteral(ZOR_DETECTOR_SIM),
                {"--events", QString::number(kCount), "--seed", "9", "--print-log"});
    QVERIFY(print.waitForFinished(kStartTimeoutMs));
    const std::vector<sim::SimEvent> printed =
        sim::parseLog(QString::fromLocal8Bit(print.readAllStandardOutput()));
    QCOMPARE(printed.size(), size_t(kCount));
    QSet<QString> gases;
    QSet<QString> units;
    for (int i = 0; i < kCount; ++i) {
        QCOMPARE(first[i].gas, gasName(printed[i].gasCode));
        QCOMPARE(first[i].pTime, printed[i].peak);
        gases.insert(first[i].gas);
        units.insert(first[i].unit);
    }
    QCOMPARE(gases.size(), 20);
    QCOMPARE(units.size(), 3);
}

void TestDetectorSim::answersAgainOnlyWithRepeat_data() {
    QTest::addColumn<bool>("repeat");
    QTest::newRow("first read only") << false;
    QTest::newRow("--repeat") << true;
}

void TestDetectorSim::answersAgainOnlyWithRepeat() {
    QFETCH(bool, repeat);
    Simulator sim;
    QVERIFY(sim.start(QStringList{"--log", logPath()} +
                      (repeat ? QStringList{"--repeat"} : QStringList{})));
    Receiver receiver(sim.devicePath());
    receiver.download();
    QVERIFY(receiver.waitForEnd(5));

    // The second download reopens the port first, as every command of the program does.
    receiver.download();
    if (repeat) {
        QVERIFY(receiver.waitForEnd(10));
        QCOMPARE(receiver.records.mid(5), expectedLog());
        QCOMPARE(receiver.session.counts(), (DownloadCounts{0, 5, 0, 0}));
    } else {
        QVERIFY(sim.waitForLine(QStringLiteral("read: ignored, answered already (see --repeat)")));
        QVERIFY(QTest::qWaitFor([&] { return !receiver.session.isRunning(); }, kAnswerTimeoutMs));
        QCOMPARE(receiver.outcomes.last(), DownloadOutcome::NoAnswer);
        QCOMPARE(receiver.records.size(), 5);
    }
}

void TestDetectorSim::reportsTheClockItWasSet() {
    Simulator sim;
    QVERIFY(sim.start({"--log", logPath()}));
    Receiver receiver(sim.devicePath());
    const QDateTime sent = receiver.session.setClock(sim.devicePath());
    QVERIFY(sim.waitForLine(QStringLiteral("set-clock %1 weekday %2")
                                .arg(sent.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                                .arg(sent.date().dayOfWeek() % 7)));
    // Setting the clock is no download.
    QVERIFY(!receiver.session.isRunning());
    QVERIFY(receiver.history.rows().empty());
}

void TestDetectorSim::linksTheDeviceAndEndsCleanly_data() {
    QTest::addColumn<bool>("exitAfterRead");
    QTest::newRow("terminated") << false;
    QTest::newRow("--exit-after-reads 1") << true;
}

void TestDetectorSim::linksTheDeviceAndEndsCleanly() {
    QFETCH(bool, exitAfterRead);
    const QString linkPath = dir_.filePath(QStringLiteral("detector"));
    // A stale link of an earlier run is replaced.
    QFile::remove(linkPath);
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/pts/99"), linkPath));

    Simulator sim;
    QStringList arguments{"--log", logPath(), "--link", linkPath};
    if (exitAfterRead)
        arguments << "--exit-after-reads"
                  << "1";
    QVERIFY(sim.start(arguments));
    QCOMPARE(QFileInfo(linkPath).symLinkTarget(), sim.devicePath());

    Receiver receiver(linkPath);
    receiver.download();
    // A detector that hangs up after its answer ends the download as interrupted.
    QVERIFY(receiver.waitForEnd(5, exitAfterRead ? DownloadOutcome::Interrupted
                                                 : DownloadOutcome::Finished));
    QCOMPARE(receiver.records, expectedLog());

    if (!exitAfterRead)
        sim.process().terminate();
    // waitForFinished refuses a process that has ended already.
    QVERIFY(sim.process().state() == QProcess::NotRunning ||
            sim.process().waitForFinished(kStartTimeoutMs));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo(linkPath).isSymLink());
    receiver.session.close();
}

QTEST_GUILESS_MAIN(TestDetectorSim)
#include "tst_detector_sim.moc"
