#include "EventLog.h"

#include "AlarmFrame.h"
#include "SimRandom.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <stdexcept>

namespace zor::sim {

const char* const kLogFormatHelp =
    "Log file: one alarm event per line,\n"
    "  GAS UNIT START START_RAW PEAK PEAK_RAW END END_RAW\n"
    "  e.g. CO PPM 2024-01-26T08:15:30 50 2024-01-26T08:16:02 150 2024-01-26T08:20:45 25\n"
    "GAS is one of CO O2 EX H2S PID CO2 VOC H2 CL2 NO2 SO2 NH3 O3 CH4 PH3 HCL SF6 NO C3H8 HCN,\n"
    "UNIT one of PPM %VOL %LEL. Times are yyyy-MM-ddTHH:mm:ss with years 2000 to 2099.\n"
    "Readings are raw 0..65535: whole ppm for CO, tenths for every other gas (209 is 20.9).\n"
    "Blank lines are skipped; '#' starts a comment.\n";

namespace {

constexpr int kFieldCount = 8;
constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2099;
constexpr int kMaxRaw = 0xFFFF;
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd'T'HH:mm:ss");
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
const QString kClockFormat = QStringLiteral("HH:mm:ss");

// A gas with its usual unit and the raw readings an alarm of it typically shows.
struct GasProfile {
    int gasCode;
    int unitCode;
    int lowRaw;
    int highRaw;
};
constexpr int kPpm = 1;
constexpr int kVol = 2;
constexpr int kLel = 3;
constexpr std::array<GasProfile, kGasCount> kProfiles = {{
    {1, kPpm, 25, 500},     // CO, whole ppm
    {2, kVol, 150, 235},    // O2 15.0..23.5 %VOL
    {3, kLel, 100, 1000},   // EX
    {4, kPpm, 100, 2000},   // H2S 10..200 ppm
    {5, kPpm, 10, 5000},    // PID
    {6, kVol, 5, 50},       // CO2 0.5..5.0 %VOL
    {7, kPpm, 10, 1000},    // VOC
    {8, kPpm, 50, 10000},   // H2
    {9, kPpm, 5, 100},      // CL2
    {10, kPpm, 20, 200},    // NO2
    {11, kPpm, 20, 200},    // SO2
    {12, kPpm, 250, 1000},  // NH3
    {13, kPpm, 1, 10},      // O3
    {14, kLel, 100, 1000},  // CH4
    {15, kPpm, 3, 50},      // PH3
    {16, kPpm, 20, 300},    // HCL
    {17, kPpm, 100, 10000}, // SF6
    {18, kPpm, 250, 1000},  // NO
    {19, kLel, 100, 1000},  // C3H8
    {20, kPpm, 47, 300},    // HCN
}};

// Seconds between one event's end and the next start, from start to peak, and peak to end.
constexpr int kMinPauseSecs = 60;
constexpr int kMaxPauseSecs = 6 * 3600;
constexpr int kMinRiseSecs = 5;
constexpr int kMaxRiseSecs = 600;
constexpr int kMinFallSecs = 5;
constexpr int kMaxFallSecs = 1800;
constexpr int kSecsPerDay = 86400;

int codeOf(const QString& name, const auto& names) {
    for (size_t code = 1; code < names.size(); ++code) {
        if (name == QLatin1String(names[code].data(), qsizetype(names[code].size())))
            return int(code);
    }
    return 0;
}

[[noreturn]] void fault(int lineNumber, const QString& what) {
    throw std::runtime_error(QStringLiteral("line %1: %2").arg(lineNumber).arg(what).toStdString());
}

QDateTime parseTime(const QString& text, int lineNumber) {
    // Date and time are read apart so that no local zone rule can move or refuse them.
    const QStringList parts = text.split(u'T');
    const QDate date = parts.size() == 2 ? QDate::fromString(parts[0], kDateFormat) : QDate();
    const QTime time = parts.size() == 2 ? QTime::fromString(parts[1], kClockFormat) : QTime();
    if (!date.isValid() || !time.isValid())
        fault(lineNumber, QStringLiteral("bad time \"%1\"").arg(text));
    if (date.year() < kFirstYear || date.year() > kLastYear)
        fault(lineNumber, QStringLiteral("year outside 2000..2099 in \"%1\"").arg(text));
    return QDateTime(date, time, Qt::UTC);
}

quint16 parseRaw(const QString& text, int lineNumber) {
    bool ok = false;
    const uint raw = text.toUInt(&ok);
    if (!ok || raw > kMaxRaw)
        fault(lineNumber, QStringLiteral("bad raw reading \"%1\"").arg(text));
    return quint16(raw);
}

} // namespace

std::vector<SimEvent> parseLog(const QString& text) {
    std::vector<SimEvent> events;
    const QStringList lines = text.split(u'\n');
    static const QRegularExpression kBlanks(QStringLiteral("\\s+"));
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNumber = i + 1;
        const QString content = lines[i].section(u'#', 0, 0).trimmed();
        if (content.isEmpty())
            continue;
        const QStringList fields = content.split(kBlanks);
        if (fields.size() != kFieldCount)
            fault(
                lineNumber,
                QStringLiteral("expected %1 fields, found %2").arg(kFieldCount).arg(fields.size()));
        SimEvent event;
        event.gasCode = codeOf(fields[0], GasNames);
        if (event.gasCode == 0)
            fault(lineNumber, QStringLiteral("unknown gas \"%1\"").arg(fields[0]));
        event.unitCode = codeOf(fields[1], UnitNames);
        if (event.unitCode == 0)
            fault(lineNumber, QStringLiteral("unknown unit \"%1\"").arg(fields[1]));
        event.start = parseTime(fields[2], lineNumber);
        event.startRaw = parseRaw(fields[3], lineNumber);
        event.peak = parseTime(fields[4], lineNumber);
        event.peakRaw = parseRaw(fields[5], lineNumber);
        event.end = parseTime(fields[6], lineNumber);
        event.endRaw = parseRaw(fields[7], lineNumber);
        events.push_back(event);
    }
    return events;
}

QString formatLogLine(const SimEvent& event) {
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
        .arg(gasName(event.gasCode), unitName(event.unitCode), event.start.toString(kTimeFormat))
        .arg(event.startRaw)
        .arg(event.peak.toString(kTimeFormat))
        .arg(event.peakRaw)
        .arg(event.end.toString(kTimeFormat))
        .arg(event.endRaw);
}

std::vector<SimEvent> generateEvents(int count, quint64 seed) {
    SimRandom random(seed);
    std::vector<SimEvent> events;
    events.reserve(size_t(std::max(count, 0)));
    QDateTime clock(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
    clock = clock.addSecs(random.between(0, kSecsPerDay - 1));
    std::array<int, kGasCount> order{};
    for (int i = 0; i < count; ++i) {
        if (i % kGasCount == 0) {
            for (int g = 0; g < kGasCount; ++g)
                order[g] = g;
            random.shuffle(order);
        }
        const GasProfile& gas = kProfiles[order[i % kGasCount]];
        SimEvent event;
        event.gasCode = gas.gasCode;
        event.unitCode = gas.unitCode;
        event.peakRaw = quint16(random.between(gas.lowRaw, gas.highRaw));
        event.startRaw = quint16(random.between(gas.lowRaw, event.peakRaw));
        event.endRaw = quint16(random.between(gas.lowRaw, event.startRaw));
        event.start = clock.addSecs(random.between(kMinPauseSecs, kMaxPauseSecs));
        event.peak = event.start.addSecs(random.between(kMinRiseSecs, kMaxRiseSecs));
        event.end = event.peak.addSecs(random.between(kMinFallSecs, kMaxFallSecs));
        clock = event.end;
        events.push_back(event);
    }
    return events;
}

} // namespace zor::sim
