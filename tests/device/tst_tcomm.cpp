// The serial component over a real pseudo-terminal: the test holds the master side and the
// component opens the slave, as it would open a detector's port.
#include "PseudoTerminal.h"
#include "TComm.h"
#include "UserError.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>
#include <QThread>
#include <ctime>

using namespace zor;
using zor::sim::PseudoTerminal;

namespace {

constexpr int kWriteTimeoutMs = 2000;
constexpr int kArrivalTimeoutMs = 3000;

// One write to the master followed by a pause.
struct Burst {
    QByteArray bytes;
    int pauseAfterMs = 0;
};
using Bursts = QList<Burst>;

QByteArray pattern(int size, int salt = 0) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + salt) & 0xFF);
    return bytes;
}

QByteArray everyByteValue() {
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes.append(char(value));
    return bytes;
}

double processCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

} // namespace

Q_DECLARE_METATYPE(Bursts)

class TestTComm : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void cutsChunks_data();
    void cutsChunks();
    void receivesEveryByteValue();
    void sendsEveryByteValue();
    void refusesToOpen_data();
    void refusesToOpen();
    void refusesSecondStart();
    void reopeningDiscardsInputNotHandedOver_data();
    void reopeningDiscardsInputNotHandedOver();
    void writeNeedsAnOpenPortAndBytes();
    void hangUpStopsReadingQuietly();

private:
    QByteArray received() const;
    bool waitForBytes(qsizetype count);

    std::unique_ptr<PseudoTerminal> pty_;
    std::unique_ptr<TComm> comm_;
    QList<QByteArray> chunks_;
};

void TestTComm::init() {
    pty_ = std::make_unique<PseudoTerminal>();
    comm_ = std::make_unique<TComm>();
    comm_->CommName = pty_->slavePath();
    chunks_.clear();
    connect(comm_.get(), &TComm::ReceiveData, this, [this](const QByteArray& chunk) {
        // Chunks must arrive on the owner's thread.
        QVERIFY(QThread::currentThread() == thread());
        chunks_.append(chunk);
    });
}

void TestTComm::cleanup() {
    comm_.reset();
    pty_.reset();
}

QByteArray TestTComm::received() const {
    QByteArray all;
    for (const QByteArray& chunk : chunks_)
        all.append(chunk);
    return all;
}

bool TestTComm::waitForBytes(qsizetype count) {
    return QTest::qWaitFor([&] { return received().size() >= count; }, kArrivalTimeoutMs);
}

void TestTComm::cutsChunks_data() {
    QTest::addColumn<Bursts>("bursts");
    QTest::addColumn<QList<int>>("chunkSizes");

    QTest::newRow("two frames 50 ms apart")
        << Bursts{{pattern(32, 1), 50}, {pattern(32, 2), 0}} << QList<int>{32, 32};
    QTest::newRow("64 bytes back to back") << Bursts{{pattern(64), 0}} << QList<int>{64};
    QTest::newRow("three pieces 40 ms apart")
        << Bursts{{pattern(5, 1), 40}, {pattern(20, 2), 40}, {pattern(7, 3), 0}}
        << QList<int>{5, 20, 7};
    QTest::newRow("exactly 1024") << Bursts{{pattern(1024), 0}} << QList<int>{1024};
    QTest::newRow("3000 bytes fast") << Bursts{{pattern(3000), 0}} << QList<int>{1024, 1024, 952};
    QTest::newRow("1025 then a pause then 3")
        << Bursts{{pattern(1025), 60}, {pattern(3, 9), 0}} << QList<int>{1024, 1, 3};
}

void TestTComm::cutsChunks() {
    QFETCH(Bursts, bursts);
    QFETCH(QList<int>, chunkSizes);
    comm_->StartComm();
    QByteArray sent;
    for (const Burst& burst : bursts) {
        QVERIFY(pty_->writeAll(burst.bytes, kWriteTimeoutMs));
        sent.append(burst.bytes);
        QThread::msleep(burst.pauseAfterMs);
    }
    QVERIFY(waitForBytes(sent.size()));
    // A late extra chunk would show up within the silence interval.
    QTest::qWait(60);
    QList<int> sizes;
    for (const QByteArray& chunk : chunks_)
        sizes.append(int(chunk.size()));
    QCOMPARE(sizes, chunkSizes);
    QCOMPARE(received(), sent);
}

void TestTComm::receivesEveryByteValue() {
    comm_->StartComm();
    const QByteArray bytes = everyByteValue() + everyByteValue();
    QVERIFY(pty_->writeAll(bytes, kWriteTimeoutMs));
    QVERIFY(waitForBytes(bytes.size()));
    QCOMPARE(received().toHex(' '), bytes.toHex(' '));
}

void TestTComm::sendsEveryByteValue() {
    comm_->StartComm();
    const QByteArray bytes = everyByteValue();
    QVERIFY(comm_->WriteCommData(bytes.constData(), quint16(bytes.size())));
    QByteArray atMaster;
    QVERIFY(QTest::qWaitFor(
        [&] {
            atMaster.append(pty_->readAvailable(10));
            return atMaster.size() >= bytes.size();
        },
        kArrivalTimeoutMs));
    QCOMPARE(atMaster.toHex(' '), bytes.toHex(' '));
    QVERIFY(chunks_.isEmpty()); // nothing echoed back
}

void TestTComm::refusesToOpen_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");

    QTest::newRow("missing device") << "missing"
                                    << "Error opening serial port";
    QTest::newRow("directory") << "directory"
                               << "Error opening serial port";
    QTest::newRow("regular file") << "file"
                                  << "File handle is not a comm handle ";
    QTest::newRow("/dev/null") << "null"
                               << "File handle is not a comm handle ";
}

void TestTComm::refusesToOpen() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QTemporaryFile file;
    QVERIFY(file.open());
    const QString name = kind == u"missing"     ? QStringLiteral("/nonexistent/ttyZOR0")
                         : kind == u"directory" ? QDir::tempPath()
                         : kind == u"file"      ? file.fileName()
                                                : QStringLiteral("/dev/null");
    comm_->CommName = name;
    try {
        comm_->StartComm();
        QFAIL("StartComm opened a device it should refuse");
    } catch (const UserError& e) {
        QCOMPARE(e.text(), message);
    }
    QVERIFY(!comm_->isOpen());
    // The component is usable again afterwards.
    comm_->CommName = pty_->slavePath();
    comm_->StartComm();
    QVERIFY(comm_->isOpen());
}

void TestTComm::refusesSecondStart() {
    comm_->StartComm();
    try {
        comm_->StartComm();
        QFAIL("second StartComm did not raise");
    } catch (const UserError& e) {
        QCOMPARE(e.text(), QStringLiteral("This serial port already opened"));
    }
    // The first opening goes on working.
    QVERIFY(comm_->isOpen());
    QVERIFY(pty_->writeAll(pattern(32), kWriteTimeoutMs));
    QVERIFY(waitForBytes(32));
}

void TestTComm::reopeningDiscardsInputNotHandedOver_data() {
    QTest::addColumn<int>("delayBeforeStopMs");
    QTest::newRow("still in the driver") << 0;
    QTest::newRow("already read, chunk not complete") << 8;
}

void TestTComm::reopeningDiscardsInputNotHandedOver() {
    QFETCH(int, delayBeforeStopMs);
    comm_->StartComm();
    const QByteArray old = QByteArrayLiteral("old bytes of an answer");
    QVERIFY(pty_->writeAll(old, kWriteTimeoutMs));
    QThread::msleep(delayBeforeStopMs);
    comm_->StopComm();
    QVERIFY(!comm_->isOpen());

    // Nothing new is handed over once stopped, not even for bytes arriving later.
    QVERIFY(pty_->writeAll(QByteArrayLiteral("while closed"), kWriteTimeoutMs));
    QTest::qWait(80);
    QCOMPARE(chunks_, QList<QByteArray>{});

    comm_->StartComm();
    const QByteArray fresh = QByteArrayLiteral("fresh answer");
    QVERIFY(pty_->writeAll(fresh, kWriteTimeoutMs));
    QVERIFY(waitForBytes(fresh.size()));
    QTest::qWait(60);
    QCOMPARE(chunks_, QList<QByteArray>{fresh});
}

void TestTComm::writeNeedsAnOpenPortAndBytes() {
    const char bytes[] = "\xAA\x00\xF0";
    QVERIFY(!comm_->WriteCommData(bytes, 3));
    comm_->StartComm();
    QVERIFY(!comm_->WriteCommData(bytes, 0));
    QVERIFY(comm_->WriteCommData(bytes, 3));
    comm_->StopComm();
    QVERIFY(!comm_->WriteCommData(bytes, 3));
    comm_->StopComm(); // closed already: nothing happens
    QVERIFY(!comm_->isOpen());
}

void TestTComm::hangUpStopsReadingQuietly() {
    comm_->StartComm();
    QVERIFY(pty_->writeAll(pattern(32), kWriteTimeoutMs));
    QVERIFY(waitForBytes(32));
    QCOMPARE(chunks_.size(), 1);

    pty_->closeMaster();
    const double cpuBefore = processCpuMs();
    QTest::qWait(400);
    const double cpuUsedMs = processCpuMs() - cpuBefore;
    // No further chunks, and no thread spinning on the dead device.
    QCOMPARE(chunks_.size(), 1);
    QVERIFY2(cpuUsedMs < 150, qPrintable(QStringLiteral("%1 ms of CPU").arg(cpuUsedMs)));
    QVERIFY(comm_->isOpen());
    const char bytes[] = "x";
    QVERIFY(!comm_->WriteCommData(bytes, 1));

    comm_->StopComm();
    QVERIFY(!comm_->isOpen());
    // The device is gone with its master: the next opening reports it.
    try {
        comm_->StartComm();
        QFAIL("reopened a vanished device");
    } catch (const UserError& e) {
        QCOMPARE(e.text(), QStringLiteral("Error opening serial port"));
    }
}

QTEST_GUILESS_MAIN(TestTComm)
#include "tst_tcomm.moc"
