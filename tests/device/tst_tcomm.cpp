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

using namespace zor;
using zor::sim::PseudoTerminal;

namespace {

constexpr int kWriteTimeoutMs = 2000;
constexpr int kArrivalTimeoutMs = 3000;
constexpr int kFullDeviceWaitMs = 50;
constexpr int kMaxWrite = 0xFFFF;
constexpr int kMaxChunk = 1024;

// One write to the master; the next waits until these bytes came as chunks ended by silence.
struct Burst {
    QByteArray bytes;
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
    void waitsUntilEveryQueuedByteIsSent();
    void refusesToOpen_data();
    void refusesToOpen();
    void refusesSecondStart();
    void dropsWhatAStoppedOpeningRead_data();
    void dropsWhatAStoppedOpeningRead();
    void writeNeedsAnOpenPortAndBytes();
    void linkLostAfterEveryByteRead();

private:
    QByteArray received() const;
    bool waitForBytes(qsizetype count);
    bool waitForQuietChunks(qsizetype count);

    std::unique_ptr<PseudoTerminal> pty_;
    std::unique_ptr<TComm> comm_;
    QList<QByteArray> chunks_;
    QList<bool> endedBySilence_;
    QList<qsizetype> lossesAfterChunks_; // the number of chunks received when each loss came
};

void TestTComm::init() {
    pty_ = std::make_unique<PseudoTerminal>();
    comm_ = std::make_unique<TComm>();
    comm_->CommName = pty_->slavePath();
    chunks_.clear();
    endedBySilence_.clear();
    lossesAfterChunks_.clear();
    connect(comm_.get(), &TComm::ReceiveData, this,
            [this](const QByteArray& chunk, bool endedBySilence) {
                // Chunks must arrive on the owner's thread.
                QVERIFY(QThread::currentThread() == thread());
                chunks_.append(chunk);
                endedBySilence_.append(endedBySilence);
            });
    connect(comm_.get(), &TComm::LinkLost, this, [this] {
        QVERIFY(QThread::currentThread() == thread());
        lossesAfterChunks_.append(chunks_.size());
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

// Waits until count bytes came and the last chunk ended by silence: no later chunk can follow
// without new bytes.
bool TestTComm::waitForQuietChunks(qsizetype count) {
    return QTest::qWaitFor(
        [&] { return received().size() >= count && endedBySilence_.value(chunks_.size() - 1); },
        kArrivalTimeoutMs);
}

void TestTComm::cutsChunks_data() {
    QTest::addColumn<Bursts>("bursts");
    QTest::addColumn<QList<int>>("chunkSizes");
    QTest::addColumn<QList<bool>>("endedBySilence");

    QTest::newRow("two frames with a pause between")
        << Bursts{{pattern(32, 1)}, {pattern(32, 2)}} << QList<int>{32, 32}
        << QList<bool>{true, true};
    QTest::newRow("64 bytes back to back")
        << Bursts{{pattern(64)}} << QList<int>{64} << QList<bool>{true};
    QTest::newRow("three pieces with pauses between")
        << Bursts{{pattern(5, 1)}, {pattern(20, 2)}, {pattern(7, 3)}} << QList<int>{5, 20, 7}
        << QList<bool>{true, true, true};
    QTest::newRow("exactly 1024, then silence")
        << Bursts{{pattern(1024)}} << QList<int>{1024} << QList<bool>{true};
    QTest::newRow("3000 bytes fast") << Bursts{{pattern(3000)}} << QList<int>{1024, 1024, 952}
                                     << QList<bool>{false, false, true};
    QTest::newRow("1025 then a pause then 3")
        << Bursts{{pattern(1025)}, {pattern(3, 9)}} << QList<int>{1024, 1, 3}
        << QList<bool>{false, true, true};
}

void TestTComm::cutsChunks() {
    QFETCH(Bursts, bursts);
    QFETCH(QList<int>, chunkSizes);
    QFETCH(QList<bool>, endedBySilence);
    comm_->StartComm();
    QByteArray sent;
    for (const Burst& burst : bursts) {
        QVERIFY(pty_->writeAll(burst.bytes, kWriteTimeoutMs));
        sent.append(burst.bytes);
        QVERIFY(waitForQuietChunks(sent.size()));
    }
    QList<int> sizes;
    for (const QByteArray& chunk : chunks_)
        sizes.append(int(chunk.size()));
    QCOMPARE(sizes, chunkSizes);
    QCOMPARE(endedBySilence_, endedBySilence);
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
    QVERIFY(comm_->waitForSent(kWriteTimeoutMs));
    // Every byte is at the device once waitForSent returns.
    QCOMPARE(pty_->readAvailable(0).toHex(' '), bytes.toHex(' '));
    QVERIFY(chunks_.isEmpty()); // nothing echoed back
}

void TestTComm::waitsUntilEveryQueuedByteIsSent() {
    QVERIFY(!comm_->waitForSent(0)); // closed
    comm_->StartComm();
    QVERIFY(comm_->waitForSent(0)); // nothing queued

    // Far more than the pseudo-terminal holds while nobody reads its master.
    const QByteArray block = pattern(kMaxWrite, 5);
    constexpr int kBlocks = 16;
    for (int i = 0; i < kBlocks; ++i)
        QVERIFY(comm_->WriteCommData(block.constData(), quint16(block.size())));
    QVERIFY(!comm_->waitForSent(kFullDeviceWaitMs));

    QByteArray atMaster;
    QVERIFY(QTest::qWaitFor(
        [&] {
            atMaster.append(pty_->readAvailable(1));
            return atMaster.size() >= kBlocks * block.size();
        },
        kArrivalTimeoutMs));
    QVERIFY(comm_->waitForSent(kWriteTimeoutMs));
    QCOMPARE(atMaster, block.repeated(kBlocks));

    // Bytes left unsent when the port closes are never reported sent.
    QVERIFY(comm_->WriteCommData(block.constData(), quint16(block.size())));
    comm_->StopComm();
    QVERIFY(!comm_->waitForSent(0));
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

void TestTComm::dropsWhatAStoppedOpeningRead_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("stopWhileHandlingAChunk");
    QTest::addColumn<QList<int>>("chunkSizes");
    QTest::newRow("stopped as the bytes arrive") << 22 << false << QList<int>{};
    // The reader queues both limit-sized chunks of one read before the first is handled.
    QTest::newRow("stopped while handling a chunk") << 3000 << true << QList<int>{1024};
}

void TestTComm::dropsWhatAStoppedOpeningRead() {
    QFETCH(int, size);
    QFETCH(bool, stopWhileHandlingAChunk);
    QFETCH(QList<int>, chunkSizes);
    if (stopWhileHandlingAChunk) {
        connect(
            comm_.get(), &TComm::ReceiveData, this, [this] { comm_->StopComm(); },
            Qt::SingleShotConnection);
    }
    QSignalSpy handled(comm_.get(), &TComm::ReceiveData);
    comm_->StartComm();
    QVERIFY(pty_->writeAll(pattern(size, 3), kWriteTimeoutMs));
    if (stopWhileHandlingAChunk)
        QVERIFY(handled.wait(kArrivalTimeoutMs));
    else
        comm_->StopComm();
    QVERIFY(!comm_->isOpen());
    // Whatever the stopped opening had queued for this thread is delivered now, or never.
    QCoreApplication::sendPostedEvents();
    QList<int> sizes;
    for (const QByteArray& chunk : chunks_)
        sizes.append(int(chunk.size()));
    QCOMPARE(sizes, chunkSizes);

    // Bytes arriving while closed do not join the next opening's stream either.
    chunks_.clear();
    endedBySilence_.clear();
    QVERIFY(pty_->writeAll(QByteArrayLiteral("while closed"), kWriteTimeoutMs));
    comm_->StartComm();
    const QByteArray fresh = QByteArrayLiteral("fresh answer");
    QVERIFY(pty_->writeAll(fresh, kWriteTimeoutMs));
    QVERIFY(waitForQuietChunks(fresh.size()));
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

void TestTComm::linkLostAfterEveryByteRead() {
    QSignalSpy handed(comm_.get(), &TComm::ReceiveData);
    comm_->StartComm();
    const QByteArray bytes = pattern(1500, 4);
    QVERIFY(pty_->writeAll(bytes, kWriteTimeoutMs));
    // A chunk cut at the limit means that the byte after it has been read and waits for the
    // silence that ends the next chunk: the device vanishes then.
    QVERIFY(handed.wait(kArrivalTimeoutMs));
    QCOMPARE(endedBySilence_.first(), false);
    pty_->closeMaster();

    QVERIFY(QTest::qWaitFor([&] { return !lossesAfterChunks_.isEmpty(); }, kArrivalTimeoutMs));
    QCoreApplication::sendPostedEvents();
    // Bytes still in the driver may go with the device; none that was read is lost.
    QVERIFY(received().size() > kMaxChunk);
    QCOMPARE(received(), bytes.left(received().size()));
    QCOMPARE(endedBySilence_.last(), true);
    QCOMPARE(lossesAfterChunks_, QList<qsizetype>{chunks_.size()});

    // Still open until the owner closes it, but nothing more is sent.
    QVERIFY(comm_->isOpen());
    const char byte[] = "x";
    QVERIFY(!comm_->WriteCommData(byte, 1));
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
