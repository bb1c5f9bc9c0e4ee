// Decoding of the 32-byte alarm record frame: accepted frames, rejected chunks, calendar errors.
#include "AlarmFrame.h"
#include "UserError.h"

#include <QTest>

using namespace zor;

Q_DECLARE_METATYPE(zor::AlarmRecord)

namespace zor {
char* toString(const AlarmRecord& r) {
    const QString text = QStringLiteral("%1 %2 | %3 %4 | %5 %6 | %7 %8 | whole=%9")
                             .arg(r.gas, r.unit, r.sTime.toString(Qt::ISODate))
                             .arg(r.sValue)
                             .arg(r.pTime.toString(Qt::ISODate))
                             .arg(r.pValue)
                             .arg(r.eTime.toString(Qt::ISODate))
                             .arg(r.eValue)
                             .arg(r.wholeValues);
    return qstrdup(text.toUtf8().constData());
}
} // namespace zor

namespace {

// A CO frame as the detector sends it: start 2024-01-26 08:15:30 (50), peak 08:16:02 (150),
// end 08:20:45 (25).
const QByteArray kCoFrame = QByteArray::fromHex("AA00F01A18011A080F1E0032"
                                                "18011A0810020096"
                                                "18011A08142D0019"
                                                "01010055");

constexpr int kStartAt = 4;
constexpr int kPeakAt = 12;
constexpr int kEndAt = 20;
constexpr int kGasAt = 28;
constexpr int kUnitAt = 29;

QByteArray with(QByteArray frame, std::initializer_list<std::pair<int, int>> changes) {
    for (auto [offset, value] : changes)
        frame[offset] = char(value);
    return frame;
}

// Sets the six date-time bytes at offset.
QByteArray withTime(const QByteArray& frame, int at, int y, int mo, int d, int h, int mi, int s) {
    return with(frame,
                {{at, y}, {at + 1, mo}, {at + 2, d}, {at + 3, h}, {at + 4, mi}, {at + 5, s}});
}

QDateTime at(int y, int mo, int d, int h, int mi, int s) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

AlarmRecord coRecord() {
    AlarmRecord r;
    r.gas = QStringLiteral("CO");
    r.unit = QStringLiteral("PPM");
    r.sTime = at(2024, 1, 26, 8, 15, 30);
    r.sValue = 50;
    r.pTime = at(2024, 1, 26, 8, 16, 2);
    r.pValue = 150;
    r.eTime = at(2024, 1, 26, 8, 20, 45);
    r.eValue = 25;
    r.wholeValues = true;
    return r;
}

} // namespace

class TestAlarmFrame : public QObject {
    Q_OBJECT

private slots:
    void decodesValidFrames_data();
    void decodesValidFrames();
    void rejectsMalformedChunks_data();
    void rejectsMalformedChunks();
    void rejectsEachOutOfRangeTimeField_data();
    void rejectsEachOutOfRangeTimeField();
    void refusesCalendarInvalidDates_data();
    void refusesCalendarInvalidDates();
    void namesTable();
};

void TestAlarmFrame::decodesValidFrames_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<AlarmRecord>("expected");

    QTest::newRow("CO PPM whole numbers") << kCoFrame << coRecord();

    AlarmRecord o2 = coRecord();
    o2.gas = QStringLiteral("O2");
    o2.unit = QStringLiteral("%VOL");
    o2.sValue = 5.0;
    o2.pValue = 15.0;
    o2.eValue = 2.5;
    o2.wholeValues = false;
    QTest::newRow("O2 %VOL tenths") << with(kCoFrame, {{kGasAt, 2}, {kUnitAt, 2}}) << o2;

    QTest::newRow("bytes 1 and 30 arbitrary")
        << with(kCoFrame, {{1, 0xFF}, {30, 0xAA}}) << coRecord();

    AlarmRecord y2099 = coRecord();
    y2099.sTime = at(2099, 12, 31, 23, 59, 59);
    QTest::newRow("year 99 is 2099, upper bounds")
        << withTime(kCoFrame, kStartAt, 99, 12, 31, 23, 59, 59) << y2099;

    AlarmRecord y2000 = coRecord();
    y2000.eTime = at(2000, 1, 1, 0, 0, 0);
    QTest::newRow("year 0 is 2000, lower bounds")
        << withTime(kCoFrame, kEndAt, 0, 1, 1, 0, 0, 0) << y2000;

    AlarmRecord leap = coRecord();
    leap.pTime = at(2024, 2, 29, 12, 0, 0);
    QTest::newRow("29 February in a leap year")
        << withTime(kCoFrame, kPeakAt, 24, 2, 29, 12, 0, 0) << leap;

    AlarmRecord coMax = coRecord();
    coMax.sValue = 65535;
    coMax.pValue = 256;
    QTest::newRow("CO 0xFFFF is 65535, high byte counts")
        << with(kCoFrame, {{10, 0xFF}, {11, 0xFF}, {18, 0x01}, {19, 0x00}}) << coMax;

    AlarmRecord h2sMax = coRecord();
    h2sMax.gas = QStringLiteral("H2S");
    h2sMax.sValue = 6553.5;
    h2sMax.pValue = 15.0;
    h2sMax.eValue = 2.5;
    h2sMax.wholeValues = false;
    QTest::newRow("other gas 0xFFFF is 6553.5")
        << with(kCoFrame, {{kGasAt, 4}, {10, 0xFF}, {11, 0xFF}}) << h2sMax;

    // Scaling follows the gas, never the unit.
    AlarmRecord coLel = coRecord();
    coLel.unit = QStringLiteral("%LEL");
    QTest::newRow("CO in %LEL stays whole") << with(kCoFrame, {{kUnitAt, 3}}) << coLel;

    AlarmRecord hcn = coRecord();
    hcn.gas = QStringLiteral("HCN");
    hcn.unit = QStringLiteral("%LEL");
    hcn.sValue = 5.0;
    hcn.pValue = 15.0;
    hcn.eValue = 2.5;
    hcn.wholeValues = false;
    QTest::newRow("last gas and unit codes") << with(kCoFrame, {{kGasAt, 20}, {kUnitAt, 3}}) << hcn;
}

void TestAlarmFrame::decodesValidFrames() {
    QFETCH(QByteArray, frame);
    QFETCH(AlarmRecord, expected);
    const std::optional<AlarmRecord> record = Decode(frame, QLocale::c());
    QVERIFY(record.has_value());
    QCOMPARE(*record, expected);
    QCOMPARE(record->sTime.timeSpec(), Qt::UTC);
}

void TestAlarmFrame::rejectsMalformedChunks_data() {
    QTest::addColumn<QByteArray>("chunk");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("31 bytes") << kCoFrame.left(31);
    QTest::newRow("33 bytes: frame plus one") << kCoFrame + char(0x55);
    QTest::newRow("33 bytes: one plus frame") << char(0xAA) + kCoFrame;
    QTest::newRow("64 bytes: two valid frames") << kCoFrame + kCoFrame;
    QTest::newRow("1024 bytes of frames") << kCoFrame.repeated(32);
    QTest::newRow("start marker") << with(kCoFrame, {{0, 0xAB}});
    QTest::newRow("command echo") << with(kCoFrame, {{2, 0xF1}});
    QTest::newRow("payload length") << with(kCoFrame, {{3, 0x1B}});
    QTest::newRow("end marker") << with(kCoFrame, {{31, 0x54}});
    QTest::newRow("gas code 0") << with(kCoFrame, {{kGasAt, 0}});
    QTest::newRow("gas code 21") << with(kCoFrame, {{kGasAt, 21}});
    QTest::newRow("gas code 255") << with(kCoFrame, {{kGasAt, 255}});
    QTest::newRow("unit code 0") << with(kCoFrame, {{kUnitAt, 0}});
    QTest::newRow("unit code 4") << with(kCoFrame, {{kUnitAt, 4}});
    // Recognition comes before conversion: a range failure anywhere discards the frame
    // even when an earlier date does not exist.
    QTest::newRow("30 Feb start but end hour 24")
        << with(withTime(kCoFrame, kStartAt, 24, 2, 30, 8, 15, 30), {{kEndAt + 3, 24}});
    QTest::newRow("31 Apr peak but unknown gas")
        << with(withTime(kCoFrame, kPeakAt, 24, 4, 31, 8, 16, 2), {{kGasAt, 21}});
}

void TestAlarmFrame::rejectsMalformedChunks() {
    QFETCH(QByteArray, chunk);
    QCOMPARE(Decode(chunk, QLocale::c()).has_value(), false);
}

void TestAlarmFrame::rejectsEachOutOfRangeTimeField_data() {
    QTest::addColumn<QByteArray>("frame");

    struct Field {
        const char* name;
        int index;
        std::vector<int> badValues;
    };
    const std::vector<Field> fields = {{"year", 0, {100, 255}}, {"month", 1, {0, 13}},
                                       {"day", 2, {0, 32}},     {"hour", 3, {24}},
                                       {"minute", 4, {60}},     {"second", 5, {60}}};
    const std::vector<std::pair<const char*, int>> times = {
        {"start", kStartAt}, {"peak", kPeakAt}, {"end", kEndAt}};
    for (const auto& [timeName, timeAt] : times) {
        for (const Field& field : fields) {
            for (int value : field.badValues) {
                QTest::addRow("%s %s %d", timeName, field.name, value)
                    << with(kCoFrame, {{timeAt + field.index, value}});
            }
        }
    }
}

void TestAlarmFrame::rejectsEachOutOfRangeTimeField() {
    QFETCH(QByteArray, frame);
    QCOMPARE(Decode(frame, QLocale::c()).has_value(), false);
}

void TestAlarmFrame::refusesCalendarInvalidDates_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("message");

    const QByteArray feb30Start = withTime(kCoFrame, kStartAt, 24, 2, 30, 8, 15, 30);
    QTest::newRow("30 Feb start, C locale")
        << feb30Start << QLocale::c()
        << QStringLiteral("''2024/2/30 8:15:30.0'' is not a valid date and time");
    QTest::newRow("30 Feb start, en_US")
        << feb30Start << QLocale(QStringLiteral("en_US"))
        << QStringLiteral("''2024/2/30 8:15:30.0'' is not a valid date and time");
    QTest::newRow("30 Feb start, de_DE")
        << feb30Start << QLocale(QStringLiteral("de_DE"))
        << QStringLiteral("''2024.2.30 8:15:30,0'' is not a valid date and time");
    QTest::newRow("30 Feb start, sv_SE")
        << feb30Start << QLocale(QStringLiteral("sv_SE"))
        << QStringLiteral("''2024-2-30 8:15:30,0'' is not a valid date and time");
    QTest::newRow("30 Feb start, da_DK")
        << feb30Start << QLocale(QStringLiteral("da_DK"))
        << QStringLiteral("''2024.2.30 8.15.30,0'' is not a valid date and time");

    QTest::newRow("31 Apr peak names the peak")
        << withTime(kCoFrame, kPeakAt, 24, 4, 31, 8, 16, 2) << QLocale::c()
        << QStringLiteral("''2024/4/31 8:16:2.0'' is not a valid date and time");
    QTest::newRow("29 Feb 2023 end names the end")
        << withTime(kCoFrame, kEndAt, 23, 2, 29, 0, 0, 0) << QLocale::c()
        << QStringLiteral("''2023/2/29 0:0:0.0'' is not a valid date and time");
    QTest::newRow("start and peak invalid names the start")
        << withTime(withTime(kCoFrame, kPeakAt, 24, 4, 31, 8, 16, 2), kStartAt, 24, 6, 31, 23, 59,
                    59)
        << QLocale::c() << QStringLiteral("''2024/6/31 23:59:59.0'' is not a valid date and time");
    QTest::newRow("year 1 is 2001, no leading zeros")
        << withTime(kCoFrame, kStartAt, 1, 2, 29, 1, 2, 3) << QLocale::c()
        << QStringLiteral("''2001/2/29 1:2:3.0'' is not a valid date and time");
}

void TestAlarmFrame::refusesCalendarInvalidDates() {
    QFETCH(QByteArray, frame);
    QFETCH(QLocale, locale);
    QFETCH(QString, message);
    try {
        Decode(frame, locale);
        QFAIL("Decode accepted a date that does not exist");
    } catch (const EConvertError& e) {
        QCOMPARE(e.text(), message);
        QCOMPARE(QString::fromStdString(e.what()), message);
    }
}

void TestAlarmFrame::namesTable() {
    // Spot checks against the code table: first, last and the ones easily shifted by one.
    QCOMPARE(gasName(1), QStringLiteral("CO"));
    QCOMPARE(gasName(5), QStringLiteral("PID"));
    QCOMPARE(gasName(16), QStringLiteral("HCL"));
    QCOMPARE(gasName(19), QStringLiteral("C3H8"));
    QCOMPARE(gasName(20), QStringLiteral("HCN"));
    QCOMPARE(unitName(1), QStringLiteral("PPM"));
    QCOMPARE(unitName(2), QStringLiteral("%VOL"));
    QCOMPARE(unitName(3), QStringLiteral("%LEL"));
}

QTEST_GUILESS_MAIN(TestAlarmFrame)
#include "tst_alarm_frame.moc"
