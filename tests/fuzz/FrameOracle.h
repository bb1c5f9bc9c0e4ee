#pragma once

// The alarm frame rules written out a second time, apart from the device code, so that the
// fuzz target can judge the receive path instead of asking it about itself.

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

namespace zor::fuzz {

inline constexpr qsizetype kFrameSize = 32;

inline constexpr int kStartMarkerAt = 0;
inline constexpr int kEchoAt = 2;
inline constexpr int kLengthAt = 3;
inline constexpr int kStartTimeAt = 4;
inline constexpr int kStartValueAt = 10;
inline constexpr int kPeakTimeAt = 12;
inline constexpr int kPeakValueAt = 18;
inline constexpr int kEndTimeAt = 20;
inline constexpr int kEndValueAt = 26;
inline constexpr int kGasAt = 28;
inline constexpr int kUnitAt = 29;
inline constexpr int kEndMarkerAt = 31;

// Offsets of year, month, day, hour, minute and second within one date-time field.
inline constexpr int kYearOf = 0;
inline constexpr int kMonthOf = 1;
inline constexpr int kDayOf = 2;
inline constexpr int kHourOf = 3;
inline constexpr int kMinuteOf = 4;
inline constexpr int kSecondOf = 5;

inline constexpr std::array<int, 3> kTimeFields = {kStartTimeAt, kPeakTimeAt, kEndTimeAt};
inline constexpr std::array<int, 3> kValueFields = {kStartValueAt, kPeakValueAt, kEndValueAt};

inline constexpr int kCentury = 2000;
inline constexpr int kGasCodeCO = 1;
inline constexpr int kLastGasCode = 20;
inline constexpr int kLastUnitCode = 3;

// The unsigned byte at offset.
inline int byteAt(const char* bytes, qsizetype offset) {
    return static_cast<unsigned char>(bytes[offset]);
}

// The raw big-endian reading at offset.
int rawReading(const char* frame, int at);

// True when each of the first `size` bytes (at most one frame) is allowed at its place.
bool fitsFrameRules(const char* bytes, qsizetype size);

// A valid frame from any 32 bytes: markers set, every byte out of its range folded into it;
// bytes in range, the free bytes and the calendar are left as they are.
QByteArray madeValid(const QByteArray& raw);

// Offset of the first of the three date-times (start, peak, end) whose date is not in the
// calendar, if any.
std::optional<int> firstMissingDate(const char* frame);

// The operator's text for the date-time at offset under the C locale's separators.
QString missingDateText(const char* frame, int at);

} // namespace zor::fuzz
