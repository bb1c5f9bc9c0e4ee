// The simulated detector's pieces: its frames, its log, its generator and its command scanner.
#include "AlarmFrame.h"
#include "CommandFrame.h"
#include "CommandScanner.h"
#include "DetectorFrames.h"
#include "EventLog.h"
#include "UserError.h"

#include <QSet>
#include <QTest>

using namespace zor;
using namespace zor::sim;

namespace {

QDateTime at(int y, int mo, int d, int h, int mi, int s) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

// A CO event and its frame as the detector sends them.
SimEvent coEvent() {
    return SimEvent{1,
                    1,
                    at(2024, 1, 26, 8, 15, 30),
                    50,
                    at(2024, 1, 26, 8, 16, 2),
                    150,
                    at(2024, 1, 26, 8, 20, 45),
                    25};
}

// What the receiver must make of an event: CO readings whole, all others in tenths.
AlarmRecord expectedRecord(const SimEvent& e) {
    const bool whole = e.gasCode == 1;
    const auto value = [whole](quint16 raw) { return whole ? double(raw) : raw / 10.0; };
    return AlarmRecord{gasName(e.gasCode),
                       e.start,
                       value(e.startRaw),
                       e.peak,
                       value(e.peakRaw),
                       e.end,
                       value(e.endRaw),
                       unitName(e.unitCode),
                       whole};
}

QString describe(const std::vector<DetectorCommand>& commands) {
    QStringList parts;
    for (const DetectorCommand& c : commands) {
        parts << (c.kind == DetectorCommand::Kind::Read
                      ? QStringLiteral("read")
                      : QStringLiteral("clock %1 %2")
                            .arg(c.clock.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                            .arg(c.weekday));
    }
    return parts.join(u", ");
}

const QByteArray kReadFrame = QByteArray::fromHex("AA00F00701010101010000A655");
const QByteArray kSetClockExample = QByteArray::fromHex("AA00F107240105261819123555");

} // namespace

class TestSimParts : public QObject {
    Q_OBJECT

private slots:
    void encodesTheDescribedFrame();
    void encodedFramesDecodeToTheirEvents();
    void invalidFramesAreRefused();
    void generatorIsDeterministicAndCoversEveryCode();
    void logRoundTrip();
    void logFaultsNameTheLine_data();
    void logFaultsNameTheLine();
    void scansCommands_data();
    void scansCommands();
    void scansReadFrameAtEverySplit();
};

void TestSimParts::encodesTheDescribedFrame() {
    QByteArray frame = encodeAlarmFrame(coEvent());
    QCOMPARE(frame.size(), 32);
    frame[30] = 0; // free byte
    QCOMPARE(frame.toHex(' '), QByteArray::fromHex("AA00F01A18011A080F1E003218011A0810020096"
                                                   "18011A08142D001901010055")
                                   .toHex(' '));
}

void TestSimParts::encodedFramesDecodeToTheirEvents() {
    std::vector<SimEvent> events = generateEvents(300, 7);
    SimEvent extremes = coEvent();
    extremes.startRaw = 0xFFFF;
    extremes.end = at(2099, 12, 31, 23, 59, 59);
    events.push_back(extremes);
    extremes.gasCode = 20;
    extremes.unitCode = 3;
    events.push_back(extremes);
    for (const SimEvent& event : events) {
        const auto record = Decode(encodeAlarmFrame(event), QLocale::c());
        QVERIFY2(record.has_value(), qPrintable(formatLogLine(event)));
        QCOMPARE(*record, expectedRecord(event));
    }
}

void TestSimParts::invalidFramesAreRefused() {
    const SimEvent event = coEvent();
    for (InvalidKind kind :
         {InvalidKind::BadMarker, InvalidKind::BadMonth, InvalidKind::UnknownGas})
        QVERIFY(!Decode(invalidAlarmFrame(event, kind), QLocale::c()).has_value());
    QVERIFY_THROWS_EXCEPTION(EConvertError,
                             Decode(invalidAlarmFrame(event, InvalidKind::NoSuchDate)));
}

void TestSimParts::generatorIsDeterministicAndCoversEveryCode() {
    const std::vector<SimEvent> events = generateEvents(60, 42);
    QVERIFY(events == generateEvents(60, 42));
    QVERIFY(events != generateEvents(60, 43));
    QCOMPARE(generateEvents(0, 42).size(), size_t(0));

    QSet<int> gases;
    QSet<int> units;
    QDateTime previousEnd;
    for (const SimEvent& e : events) {
        gases.insert(e.gasCode);
        units.insert(e.unitCode);
        QVERIFY(e.start < e.peak && e.peak < e.end);
        QVERIFY(!previousEnd.isValid() || previousEnd < e.start);
        QVERIFY(e.startRaw <= e.peakRaw && e.endRaw <= e.peakRaw);
        previousEnd = e.end;
    }
    QCOMPARE(gases.size(), 20);
    QCOMPARE(units.size(), 3);
    // Every block of 20 holds each gas once.
    QSet<int> firstBlock;
    for (int i = 0; i < 20; ++i)
        firstBlock.insert(events[i].gasCode);
    QCOMPARE(firstBlock.size(), 20);
}

void TestSimParts::logRoundTrip() {
    const std::vector<SimEvent> events = generateEvents(45, 5);
    QString text = QStringLiteral("# a comment line\n\n");
    for (const SimEvent& e : events)
        text += QStringLiteral("  ") + formatLogLine(e) + QStringLiteral("   # trailing\n");
    QVERIFY(parseLog(text) == events);
    QCOMPARE(formatLogLine(coEvent()),
             QStringLiteral("CO PPM 2024-01-26T08:15:30 50 2024-01-26T08:16:02 150 "
                            "2024-01-26T08:20:45 25"));
}

void TestSimParts::logFaultsNameTheLine_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("fault");

    const QString good = formatLogLine(coEvent());
    QTest::newRow("missing field") << "CO PPM 2024-01-26T08:15:30 50"
                                   << "expected 8 fields";
    QTest::newRow("unknown gas") << QString(good).replace(0, 2, "XX") << "unknown gas";
    QTest::newRow("unknown unit") << QString(good).replace("PPM", "PPB") << "unknown unit";
    QTest::newRow("no such date") << QString(good).replace("2024-01-26T08:15", "2024-02-30T08:15")
                                  << "bad time";
    QTest::newRow("year 2100") << QString(good).replace("2024-01-26T08:20", "2100-01-26T08:20")
                               << "year outside";
    QTest::newRow("raw too large") << QString(good).replace(" 150 ", " 65536 ") << "raw reading";
    QTest::newRow("raw negative") << QString(good).replace(" 25", " -1") << "raw reading";
}

void TestSimParts::logFaultsNameTheLine() {
    QFETCH(QString, line);
    QFETCH(QString, fault);
    const QString text = formatLogLine(coEvent()) + QStringLiteral("\n# note\n") + line + u'\n';
    try {
        parseLog(text);
        QFAIL("the faulty line was accepted");
    } catch (const std::runtime_error& e) {
        const QString message = QString::fromStdString(e.what());
        QVERIFY2(message.startsWith(QStringLiteral("line 3: ")) && message.contains(fault),
                 qPrintable(message));
    }
}

void TestSimParts::scansCommands_data() {
    QTest::addColumn<QList<QByteArray>>("feeds");
    QTest::addColumn<QString>("expected");

    const QByteArray noise = QByteArray::fromHex("00AAAA00F007FF55AA");
    QTest::newRow("read frame") << QList<QByteArray>{kReadFrame} << "read";
    QTest::newRow("read frame inside noise")
        << QList<QByteArray>{noise + kReadFrame + noise} << "read";
    QTest::newRow("two reads back to back")
        << QList<QByteArray>{kReadFrame + kReadFrame} << "read, read";
    QTest::newRow("read frame byte by byte") << [] {
        QList<QByteArray> bytes;
        for (char c : kReadFrame)
            bytes << QByteArray(1, c);
        return bytes;
    }() << "read";
    QTest::newRow("set-clock example")
        << QList<QByteArray>{kSetClockExample} << "clock 2024-01-26 18:19:12 5";
    QTest::newRow("set-clock built by the program")
        << QList<QByteArray>{setClockCommandFrame(at(2000, 1, 2, 0, 0, 0))}
        << "clock 2000-01-02 00:00:00 0";
    QByteArray badSum = kSetClockExample;
    badSum[11] = char(0x36);
    QTest::newRow("set-clock with a bad checksum") << QList<QByteArray>{badSum} << "";
    QTest::newRow("read then set-clock split")
        << QList<QByteArray>{kReadFrame.left(5), kReadFrame.mid(5) + kSetClockExample.left(12),
                             kSetClockExample.right(1)}
        << "read, clock 2024-01-26 18:19:12 5";
    QTest::newRow("truncated read then read")
        << QList<QByteArray>{kReadFrame.left(9) + kReadFrame} << "read";
    QTest::newRow("alarm frame is no command")
        << QList<QByteArray>{encodeAlarmFrame(coEvent())} << "";
}

void TestSimParts::scansCommands() {
    QFETCH(QList<QByteArray>, feeds);
    QFETCH(QString, expected);
    CommandScanner scanner;
    std::vector<DetectorCommand> commands;
    for (const QByteArray& feed : feeds) {
        for (const DetectorCommand& c : scanner.feed(feed))
            commands.push_back(c);
    }
    QCOMPARE(describe(commands), expected);
}

void TestSimParts::scansReadFrameAtEverySplit() {
    const QByteArray stream = QByteArray::fromHex("AA00F0") + kReadFrame + kReadFrame;
    for (qsizetype split = 0; split <= stream.size(); ++split) {
        CommandScanner scanner;
        std::vector<DetectorCommand> commands = scanner.feed(stream.left(split));
        for (const DetectorCommand& c : scanner.feed(stream.mid(split)))
            commands.push_back(c);
        QVERIFY2(describe(commands) == QStringLiteral("read, read"),
                 qPrintable(QStringLiteral("split at %1").arg(split)));
    }
}

QTEST_GUILESS_MAIN(TestSimParts)
#include "tst_sim_parts.moc"
