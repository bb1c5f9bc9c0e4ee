#include "CommandFrame.h"

namespace zor {

namespace {

constexpr quint8 kStartMarker = 0xAA;
constexpr quint8 kAddress = 0x00;
constexpr quint8 kEndMarker = 0x55;
constexpr int kParametersAt = 4;
constexpr int kChecksumAt = 11;
constexpr int kEndMarkerAt = 12;

constexpr CommandParameters kReadParameters = {0x01, 0x01, 0x01, 0x01, 0x01, 0x00, 0x00};

constexpr int kCenturyYears = 100;
constexpr int kDecimalBase = 10;
constexpr int kNibbleShift = 4;
constexpr int kDaysInWeek = 7;

// Two decimal digits read as two hexadecimal digits: 59 becomes 0x59.
quint8 packedBcd(int value) {
    return quint8(((value / kDecimalBase) << kNibbleShift) | (value % kDecimalBase));
}

} // namespace

QByteArray commandFrame(quint8 command, const CommandParameters& parameters) {
    QByteArray frame(kCommandFrameSize, '\0');
    frame[0] = char(kStartMarker);
    frame[1] = char(kAddress);
    frame[2] = char(command);
    frame[3] = char(kCommandParameterCount);
    for (int i = 0; i < kCommandParameterCount; ++i)
        frame[kParametersAt + i] = char(parameters[i]);
    quint8 checksum = 0;
    for (int i = 0; i < kChecksumAt; ++i)
        checksum = quint8(checksum + quint8(frame[i]));
    frame[kChecksumAt] = char(checksum);
    frame[kEndMarkerAt] = char(kEndMarker);
    return frame;
}

QByteArray readCommandFrame() {
    return commandFrame(ReadCommand, kReadParameters);
}

QByteArray setClockCommandFrame(const QDateTime& at) {
    const QDate date = at.date();
    const QTime time = at.time();
    // Qt counts Monday as 1 and Sunday as 7; the detector counts Sunday as 0.
    const quint8 weekday = quint8(date.dayOfWeek() % kDaysInWeek);
    const CommandParameters parameters = {packedBcd(date.year() % kCenturyYears),
                                          packedBcd(date.month()),
                                          weekday,
                                          packedBcd(date.day()),
                                          packedBcd(time.hour()),
                                          packedBcd(time.minute()),
                                          packedBcd(time.second())};
    return commandFrame(SetClockCommand, parameters);
}

} // namespace zor
