#include "AlarmFrame.h"

#include "LocaleSeparators.h"
#include "UserError.h"

namespace zor {

namespace {

constexpr quint8 kStartMarker = 0xAA;
constexpr quint8 kReadEcho = 0xF0;
constexpr quint8 kPayloadLength = 0x1A;
constexpr quint8 kEndMarker = 0x55;

constexpr int kStartMarkerAt = 0;
constexpr int kEchoAt = 2;
constexpr int kLengthAt = 3;
constexpr int kStartTimeAt = 4;
constexpr int kStartValueAt = 10;
constexpr int kPeakTimeAt = 12;
constexpr int kPeakValueAt = 18;
constexpr int kEndTimeAt = 20;
constexpr int kEndValueAt = 26;
constexpr int kGasAt = 28;
constexpr int kUnitAt = 29;
constexpr int kEndMarkerAt = 31;

constexpr int kCentury = 2000;
constexpr int kGasCodeCO = 1;
constexpr double kTenthsDivisor = 10.0;

// Inclusive ranges of the six date-time bytes: year, month, day, hour, minute, second.
struct Range {
    quint8 low;
    quint8 high;
};
constexpr std::array<Range, 6> kTimeRanges = {
    {{0, 99}, {1, 12}, {1, 31}, {0, 23}, {0, 59}, {0, 59}}};

quint8 byteAt(const char* data, int offset) {
    return static_cast<quint8>(data[offset]);
}

// Checks the byte at offset against the frame layout; offsets outside the checked set pass.
bool byteFits(int offset, quint8 value) {
    switch (offset) {
    case kStartMarkerAt:
        return value == kStartMarker;
    case kEchoAt:
        return value == kReadEcho;
    case kLengthAt:
        return value == kPayloadLength;
    case kGasAt:
        return value >= 1 && value <= kGasCount;
    case kUnitAt:
        return value >= 1 && value <= kUnitCount;
    case kEndMarkerAt:
        return value == kEndMarker;
    default:
        break;
    }
    for (int timeAt : {kStartTimeAt, kPeakTimeAt, kEndTimeAt}) {
        if (offset >= timeAt && offset < timeAt + int(kTimeRanges.size())) {
            const Range r = kTimeRanges[offset - timeAt];
            return value >= r.low && value <= r.high;
        }
    }
    return true;
}

QString invalidDateText(const char* data, int at, const QLocale& locale) {
    const LocaleSeparators sep = LocaleSeparators::of(locale);
    const auto n = [&](int i) {
        return QString::number(byteAt(data, at + i) + (i == 0 ? kCentury : 0));
    };
    const QString stamp = n(0) + sep.date + n(1) + sep.date + n(2) + u' ' + n(3) + sep.time + n(4) +
                          sep.time + n(5) + sep.decimal + u'0';
    return QStringLiteral("''%1'' is not a valid date and time").arg(stamp);
}

QDateTime dateTimeAt(const char* data, int at, const QLocale& locale) {
    const QDate date(kCentury + byteAt(data, at), byteAt(data, at + 1), byteAt(data, at + 2));
    if (!date.isValid())
        throw EConvertError(invalidDateText(data, at, locale));
    const QTime time(byteAt(data, at + 3), byteAt(data, at + 4), byteAt(data, at + 5));
    // Detector times carry no zone: keep them as wall-clock values that no DST rule can shift.
    return QDateTime(date, time, Qt::UTC);
}

double readingAt(const char* data, int at, bool whole) {
    const int raw = byteAt(data, at) * 256 + byteAt(data, at + 1);
    return whole ? double(raw) : raw / kTenthsDivisor;
}

} // namespace

bool CouldBeginFrame(const char* data, int size) {
    const int checked = std::min(size, kAlarmFrameSize);
    for (int i = 0; i < checked; ++i) {
        if (!byteFits(i, byteAt(data, i)))
            return false;
    }
    return true;
}

std::optional<AlarmRecord> Decode(const QByteArray& frame, const QLocale& locale) {
    if (frame.size() != kAlarmFrameSize || !CouldBeginFrame(frame.constData(), int(frame.size())))
        return std::nullopt;
    const char* data = frame.constData();
    const int gasCode = byteAt(data, kGasAt);
    const bool whole = gasCode == kGasCodeCO;

    AlarmRecord record;
    record.sTime = dateTimeAt(data, kStartTimeAt, locale);
    record.pTime = dateTimeAt(data, kPeakTimeAt, locale);
    record.eTime = dateTimeAt(data, kEndTimeAt, locale);
    record.gas = gasName(gasCode);
    record.unit = unitName(byteAt(data, kUnitAt));
    record.sValue = readingAt(data, kStartValueAt, whole);
    record.pValue = readingAt(data, kPeakValueAt, whole);
    record.eValue = readingAt(data, kEndValueAt, whole);
    record.wholeValues = whole;
    return record;
}

} // namespace zor
