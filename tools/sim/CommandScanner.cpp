#include "CommandScanner.h"

#include "DetectorFrames.h"

#include <optional>

namespace zor::sim {

namespace {

const QByteArray kReadFrame = QByteArray::fromHex("AA00F00701010101010000A655");

constexpr char kStartMarker = char(0xAA);
constexpr quint8 kSetClockCode = 0xF1;
constexpr quint8 kParameterCount = 0x07;
constexpr quint8 kEndMarker = 0x55;
constexpr int kChecksumAt = 11;
constexpr int kEndMarkerAt = 12;
constexpr int kYearAt = 4;
constexpr int kMonthAt = 5;
constexpr int kWeekdayAt = 6;
constexpr int kDayAt = 7;
constexpr int kHourAt = 8;
constexpr int kMinuteAt = 9;
constexpr int kSecondAt = 10;
constexpr int kCentury = 2000;
constexpr int kMaxWeekday = 6;
constexpr int kNibbleBits = 4;
constexpr int kNibbleMask = 0x0F;
constexpr int kDecimalBase = 10;

quint8 at(const char* frame, int offset) {
    return quint8(frame[offset]);
}

// Packed BCD to its number, or -1 when a digit is not decimal.
int fromBcd(quint8 value) {
    const int high = value >> kNibbleBits;
    const int low = value & kNibbleMask;
    if (high >= kDecimalBase || low >= kDecimalBase)
        return -1;
    return high * kDecimalBase + low;
}

std::optional<DetectorCommand> setClockAt(const char* frame) {
    if (at(frame, 1) != 0 || at(frame, 2) != kSetClockCode || at(frame, 3) != kParameterCount ||
        at(frame, kEndMarkerAt) != kEndMarker)
        return std::nullopt;
    quint8 sum = 0;
    for (int i = 0; i < kChecksumAt; ++i)
        sum = quint8(sum + at(frame, i));
    if (sum != at(frame, kChecksumAt))
        return std::nullopt;
    const QDate date(kCentury + fromBcd(at(frame, kYearAt)), fromBcd(at(frame, kMonthAt)),
                     fromBcd(at(frame, kDayAt)));
    const QTime time(fromBcd(at(frame, kHourAt)), fromBcd(at(frame, kMinuteAt)),
                     fromBcd(at(frame, kSecondAt)));
    const int weekday = at(frame, kWeekdayAt);
    if (fromBcd(at(frame, kYearAt)) < 0 || !date.isValid() || !time.isValid() ||
        weekday > kMaxWeekday)
        return std::nullopt;
    return DetectorCommand{DetectorCommand::Kind::SetClock, QDateTime(date, time, Qt::UTC),
                           weekday};
}

} // namespace

std::vector<DetectorCommand> CommandScanner::feed(const QByteArray& bytes) {
    buffer_.append(bytes);
    std::vector<DetectorCommand> commands;
    qsizetype begin = 0;
    while (begin + kCommandFrameBytes <= buffer_.size()) {
        const char* frame = buffer_.constData() + begin;
        if (frame[0] != kStartMarker) {
            ++begin;
            continue;
        }
        if (QByteArrayView(frame, kCommandFrameBytes) == kReadFrame) {
            commands.push_back({DetectorCommand::Kind::Read, {}, 0});
            begin += kCommandFrameBytes;
        } else if (auto setClock = setClockAt(frame)) {
            commands.push_back(*setClock);
            begin += kCommandFrameBytes;
        } else {
            ++begin;
        }
    }
    // Keep only a tail that could still grow into a command.
    begin = std::max(begin, buffer_.size() - (kCommandFrameBytes - 1));
    buffer_.remove(0, begin);
    return commands;
}

} // namespace zor::sim
