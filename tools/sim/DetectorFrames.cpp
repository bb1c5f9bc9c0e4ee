#include "DetectorFrames.h"

namespace zor::sim {

namespace {

constexpr char kStartMarker = char(0xAA);
constexpr char kReadEcho = char(0xF0);
constexpr char kPayloadLength = char(0x1A);
constexpr char kEndMarker = char(0x55);
constexpr char kSpoiltMarker = char(0xA5);
constexpr int kStartAt = 4;
constexpr int kPeakAt = 12;
constexpr int kEndAt = 20;
constexpr int kGasAt = 28;
constexpr int kUnitAt = 29;
constexpr int kFreeByteAt = 30;
constexpr int kEndMarkerAt = 31;
constexpr int kMonthOffset = 1;
constexpr int kDayOffset = 2;
constexpr int kCentury = 2000;
constexpr int kBadMonth = 13;
constexpr int kUnknownGas = 21;
constexpr int kFebruary = 2;
constexpr int kNoSuchFebruaryDay = 30;
constexpr int kByteBits = 8;
constexpr int kTimeBytes = 6; // each date-time is followed by its reading
constexpr int kUnitCodeCount = 3;

void putTime(QByteArray& frame, int at, const QDateTime& time) {
    const QDate date = time.date();
    const QTime clock = time.time();
    frame[at] = char(date.year() - kCentury);
    frame[at + 1] = char(date.month());
    frame[at + 2] = char(date.day());
    frame[at + 3] = char(clock.hour());
    frame[at + 4] = char(clock.minute());
    frame[at + 5] = char(clock.second());
}

void putRaw(QByteArray& frame, int at, quint16 raw) {
    frame[at] = char(raw >> kByteBits);
    frame[at + 1] = char(raw & 0xFF);
}

} // namespace

QByteArray encodeAlarmFrame(const SimEvent& event) {
    QByteArray frame(kAlarmFrameBytes, '\0');
    frame[0] = kStartMarker;
    frame[2] = kReadEcho;
    frame[3] = kPayloadLength;
    putTime(frame, kStartAt, event.start);
    putRaw(frame, kStartAt + kTimeBytes, event.startRaw);
    putTime(frame, kPeakAt, event.peak);
    putRaw(frame, kPeakAt + kTimeBytes, event.peakRaw);
    putTime(frame, kEndAt, event.end);
    putRaw(frame, kEndAt + kTimeBytes, event.endRaw);
    frame[kGasAt] = char(event.gasCode);
    frame[kUnitAt] = char(event.unitCode);
    // The receiver ignores this byte; the detector fills it with a running sum.
    char sum = 0;
    for (int i = 0; i < kFreeByteAt; ++i)
        sum = char(sum + frame[i]);
    frame[kFreeByteAt] = sum;
    frame[kEndMarkerAt] = kEndMarker;
    return frame;
}

QByteArray invalidAlarmFrame(const SimEvent& event, InvalidKind kind) {
    QByteArray frame = encodeAlarmFrame(event);
    switch (kind) {
    case InvalidKind::BadMarker:
        frame[0] = kSpoiltMarker;
        break;
    case InvalidKind::BadMonth:
        frame[kStartAt + kMonthOffset] = char(kBadMonth);
        break;
    case InvalidKind::UnknownGas:
        frame[kGasAt] = char(kUnknownGas);
        break;
    case InvalidKind::NoSuchDate:
        frame[kStartAt + kMonthOffset] = char(kFebruary);
        frame[kStartAt + kDayOffset] = char(kNoSuchFebruaryDay);
        break;
    }
    return frame;
}

QByteArray withNoiseByte(const QByteArray& frame) {
    QByteArray damaged = frame;
    // The free byte lands on the end marker, the inserted byte on the unit code.
    damaged[kFreeByteAt] = kEndMarker;
    const char otherUnit = char(frame[kUnitAt] % kUnitCodeCount + 1);
    damaged.insert(kUnitAt, otherUnit);
    return damaged;
}

} // namespace zor::sim
