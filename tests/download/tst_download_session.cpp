// The download session over real pseudo-terminals: when a download ends and how, what it
// counts, what its history row says, and that only intact frames are ever stored.
#include "AlarmStore.h"
#include "DownloadHistory.h"
#include "DownloadSession.h"
#include "PortError.h"
#include "PseudoTerminal.h"
#include "SimulatorProcess.h"
#include "StoreFixture.h"
#include "StoreProbe.h"
#include "TComm.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

using namespace zor;
using test::SimulatorProcess;

namespace {

constexpr int kEndTimeoutMs = 60000;

QVariant scalar(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    if (!query.exec(sql) || !query.next())
        return {};
    return query.value(0);
}

// Stored events in the simulator's log form, oldest row first.
QStringList storedEvents(const QString& storePath) {
    return test::StoreProbe(storePath).storedEvents();
}

// A store and a session on it, with the session's signals recorded.
struct Station {
    Station()
        : store(fixture.open()), history(fixture.open().connection()), session(store, history),
          ended(&session, &DownloadSession::ended),
          invalid(&session, &DownloadSession::invalidDate),
          storeFailed(&session, &DownloadSession::storeFailed) {
        session.setStation("test-station");
    }

    bool waitForEnd(int endings = 1) {
        return SimulatorProcess::waitFor([&] { return ended.size() >= endings; }, kEndTimeoutMs);
    }
    DownloadOutcome outcomeOf(int ending) const {
        return ended.at(ending).at(0).value<DownloadOutcome>();
    }
    DownloadCounts countsOf(int ending) const {
        return ended.at(ending).at(1).value<DownloadCounts>();
    }
    QSqlDatabase db() { return fixture.open().connection(); }

    test::StoreFixture fixture;
    AlarmStore store;
    DownloadHistory history;
    DownloadSession session;
    QSignalSpy ended;
    QSignalSpy invalid;
    QSignalSpy storeFailed;
};

} // namespace

class TestDownloadSession : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void finishedDownloadCountsEveryFrame_data();
    void finishedDownloadCountsEveryFrame();
    void secondDownloadFindsEverythingStored();
    void silentPortEndsAsNoAnswer();
    void newCommandInterruptsTheRunningDownload_data();
    void newCommandInterruptsTheRunningDownload();
    void lostPortInterruptsWithWhatWasRead();
    void bytesOutsideADownloadAreIgnored();
    void missingPortIsAPortError();
};

void TestDownloadSession::initTestCase() {
    qRegisterMetaType<DownloadOutcome>();
    qRegisterMetaType<DownloadCounts>();
}

void TestDownloadSession::finishedDownloadCountsEveryFrame_data() {
    QTest::addColumn<QStringList>("link");
    QTest::addColumn<int>("intact");
    QTest::addColumn<int>("rejected");
    QTest::addColumn<int>("invalidDates");
    QTest::newRow("frames with pauses") << QStringList{"--events", "30"} << 30 << 0 << 0;
    QTest::newRow("back to back") << QStringList{"--events", "150", "--back-to-back"} << 150 << 0
                                  << 0;
    QTest::newRow("split frames") << QStringList{"--events", "12", "--split", "5"} << 12 << 0 << 0;
    QTest::newRow("noise apart from the frames")
        << QStringList{"--events", "20", "--garbage", "9", "--gap", "40"} << 20 << 0 << 0;
    // Noise that runs straight into the frames hides where they begin: none is taken.
    QTest::newRow("noise right before every frame")
        << QStringList{"--events", "20", "--garbage", "7", "--back-to-back"} << 0 << -1 << 0;
    // One noise byte inside every third frame: the shifted bytes would pass every check.
    QTest::newRow("noise byte inside every third frame")
        << QStringList{"--events", "60", "--noise-every", "3", "--gap", "40"} << 40 << 20 << 0;
    // Bad marker, month 13, gas 21 and 30 February in turn, each after three valid frames.
    QTest::newRow("invalid frames")
        << QStringList{"--events", "24", "--invalid-every", "3", "--gap", "40"} << 24 << 8 << 2;
}

void TestDownloadSession::finishedDownloadCountsEveryFrame() {
    QFETCH(QStringList, link);
    QFETCH(int, intact);
    QFETCH(int, rejected);
    QFETCH(int, invalidDates);
    const QStringList arguments = link + QStringList{"--seed", "11"};
    const QStringList log = test::simulatorLog(arguments);
    SimulatorProcess simulator;
    QVERIFY(simulator.start(arguments));
    Station station;
    station.session.start(simulator.devicePath());
    QVERIFY(station.session.isRunning());
    QVERIFY2(station.waitForEnd(), qPrintable(simulator.lines().join('\n')));

    QCOMPARE(station.outcomeOf(0), DownloadOutcome::Finished);
    const DownloadCounts counts = station.countsOf(0);
    QCOMPARE(counts.stored, intact);
    QCOMPARE(counts.duplicates + counts.failed, 0);
    // -1: some, however the link cut the noise into chunks.
    if (rejected < 0)
        QVERIFY(counts.rejected > 0);
    else
        QCOMPARE(counts.rejected, rejected);
    QCOMPARE(station.invalid.size(), invalidDates);
    QCOMPARE(station.storeFailed.size(), 0);

    // Only events of the log are stored, each once, in the order sent.
    const QStringList stored = storedEvents(station.fixture.path);
    QCOMPARE(stored.size(), intact);
    qsizetype next = 0;
    for (const QString& event : stored) {
        next = log.indexOf(event, next);
        QVERIFY2(next >= 0, qPrintable("not sent intact: " + event));
        ++next;
    }

    const std::vector<DownloadRow> rows = station.history.rows();
    QCOMPARE(rows.size(), size_t(1));
    QCOMPARE(rows[0].outcome, QString("finished"));
    QCOMPARE(rows[0].counts, counts);
    QCOMPARE(rows[0].station, QString("test-station"));
    QCOMPARE(rows[0].port, simulator.devicePath());
    QVERIFY(!rows[0].finished.isEmpty());
    QCOMPARE(scalar(station.db(), "SELECT count(*) FROM AR_DOWNLOAD WHERE download = 1").toInt(),
             intact);
}

void TestDownloadSession::secondDownloadFindsEverythingStored() {
    SimulatorProcess simulator;
    QVERIFY(simulator.start({"--events", "25", "--repeat", "--gap", "10"}));
    Station station;
    station.session.start(simulator.devicePath());
    QVERIFY(station.waitForEnd(1));
    station.session.start(simulator.devicePath());
    QVERIFY(station.waitForEnd(2));
    QCOMPARE(station.countsOf(0), (DownloadCounts{25, 0, 0, 0}));
    QCOMPARE(station.countsOf(1), (DownloadCounts{0, 25, 0, 0}));
    QCOMPARE(scalar(station.db(), "SELECT count(*) FROM AR").toInt(), 25);
    QCOMPARE(scalar(station.db(), "SELECT sum(stored) FROM DOWNLOAD").toInt(), 25);
}

void TestDownloadSession::silentPortEndsAsNoAnswer() {
    // A port that takes the command and never answers.
    sim::PseudoTerminal pty;
    pty.holdSlave();
    Station station;
    station.session.start(pty.slavePath());
    QVERIFY(station.waitForEnd());
    QCOMPARE(station.outcomeOf(0), DownloadOutcome::NoAnswer);
    QCOMPARE(station.countsOf(0), DownloadCounts{});
    QCOMPARE(station.history.rows().at(0).outcome, QString("no answer"));
    QVERIFY(pty.readAvailable(0).contains(QByteArray::fromHex("aa00f00701010101010000a655")));
}

void TestDownloadSession::newCommandInterruptsTheRunningDownload_data() {
    QTest::addColumn<bool>("setClock");
    QTest::newRow("read command again") << false;
    QTest::newRow("set-clock command") << true;
}

void TestDownloadSession::newCommandInterruptsTheRunningDownload() {
    QFETCH(bool, setClock);
    const QStringList arguments = {"--events", "80", "--gap", "40", "--repeat", "--seed", "5"};
    const QStringList log = test::simulatorLog(arguments);
    SimulatorProcess simulator;
    QVERIFY(simulator.start(arguments));
    Station station;
    QSignalSpy stored(&station.session, &DownloadSession::frameStored);
    station.session.start(simulator.devicePath());
    QVERIFY(SimulatorProcess::waitFor([&] { return stored.size() >= 10; }, kEndTimeoutMs));
    if (setClock)
        station.session.setClock(simulator.devicePath());
    else
        station.session.start(simulator.devicePath());
    QCOMPARE(station.ended.size(), 1);
    QCOMPARE(station.outcomeOf(0), DownloadOutcome::Interrupted);
    const DownloadCounts first = station.countsOf(0);
    // What the interrupted download counts is exactly what it stored.
    QCOMPARE(scalar(station.db(), "SELECT count(*) FROM AR").toInt(), first.stored);
    QCOMPARE(station.history.rows().at(0).outcome, QString("interrupted"));
    QCOMPARE(station.history.rows().at(0).counts, first);
    if (setClock) {
        QVERIFY(!station.session.isRunning());
        QVERIFY(simulator.waitForLineStartingWith("set-clock", kEndTimeoutMs));
        return;
    }
    // The next download stores the rest, each event once.
    QVERIFY(station.waitForEnd(2));
    const DownloadCounts second = station.countsOf(1);
    QCOMPARE(station.outcomeOf(1), DownloadOutcome::Finished);
    // The detector finishes its first answer before it takes the second command.
    QVERIFY(second.stored + second.duplicates >= 80);
    QCOMPARE(first.stored + second.stored, 80);
    QCOMPARE(storedEvents(station.fixture.path).size(), 80);
    QCOMPARE(test::simulatorLog(arguments), log);
}

void TestDownloadSession::lostPortInterruptsWithWhatWasRead() {
    const QStringList arguments = {"--events", "200", "--gap", "20", "--seed", "8"};
    auto simulator = std::make_unique<SimulatorProcess>();
    QVERIFY(simulator->start(arguments));
    Station station;
    QSignalSpy stored(&station.session, &DownloadSession::frameStored);
    station.session.start(simulator->devicePath());
    QVERIFY(SimulatorProcess::waitFor([&] { return stored.size() >= 5; }, kEndTimeoutMs));
    // The device goes away in the middle of its answer.
    simulator->kill();
    QVERIFY(station.waitForEnd());
    QCOMPARE(station.outcomeOf(0), DownloadOutcome::Interrupted);
    const DownloadCounts counts = station.countsOf(0);
    QVERIFY(counts.stored < 200);
    QCOMPARE(scalar(station.db(), "SELECT count(*) FROM AR").toInt(), counts.stored);
    QCOMPARE(station.history.rows().at(0).counts, counts);
}

void TestDownloadSession::bytesOutsideADownloadAreIgnored() {
    SimulatorProcess simulator;
    QVERIFY(simulator.start({"--events", "5", "--gap", "5"}));
    Station station;
    station.session.setClock(simulator.devicePath());
    QVERIFY(simulator.waitForLineStartingWith("set-clock", kEndTimeoutMs));
    // A chunk handed over while no download runs is not taken as a log.
    const QByteArray frame =
        QByteArray::fromHex("aa00f01a18011a080f1e003218011a081002009618011a08142d0019010055");
    station.session.receive(frame, true);
    QCoreApplication::processEvents();
    QCOMPARE(scalar(station.db(), "SELECT count(*) FROM AR").toInt(), 0);
    QVERIFY(station.history.rows().empty());
}

void TestDownloadSession::missingPortIsAPortError() {
    Station station;
    const QString missing = station.fixture.dir.filePath("no-such-port");
    QVERIFY_THROWS_EXCEPTION(PortError, station.session.start(missing));
    QVERIFY(!station.session.isRunning());
    QVERIFY(!station.session.link().isOpen());
    QVERIFY(station.history.rows().empty());
    QCOMPARE(station.ended.size(), 0);
}

QTEST_GUILESS_MAIN(TestDownloadSession)
#include "tst_download_session.moc"
