#include "FrameOracle.h"

namespace zor::fuzz {

namespace {

struct Allowed {
    int low;
    int high;
};

constexpr Allowed kAny{0x00, 0xFF};
constexpr Allowed kStartMarker{0xAA, 0xAA};
constexpr Allowed kReadEcho{0xF0, 0xF0};
constexpr Allowed kPayloadLength{0x1A, 0x1A};
constexpr Allowed kYear{0, 99};
constexpr Allowed kMonth{1, 12};
constexpr Allowed kDay{1, 31};
constexpr Allowed kHour{0, 23};
constexpr Allowed kMinute{0, 59};
constexpr Allowed kSecond{0, 59};
constexpr Allowed kGas{1, kLastGasCode};
constexpr Allowed kUnit{1, kLastUnitCode};
constexpr Allowed kEndMarker{0x55, 0x55};

// What each of the 32 bytes may hold, in frame order.
constexpr std::array<Allowed, kFrameSize> kRules = {{
    kStartMarker, kAny,   kReadEcho, kPayloadLength,                      // 0-3
    kYear,        kMonth, kDay,      kHour,          kMinute, kSecond,    // 4-9
    kAny,         kAny,                                                   // 10-11
    kYear,        kMonth, kDay,      kHour,          kMinute, kSecond,    // 12-17
    kAny,         kAny,                                                   // 18-19
    kYear,        kMonth, kDay,      kHour,          kMinute, kSecond,    // 20-25
    kAny,         kAny,   kGas,      kUnit,          kAny,    kEndMarker, // 26-31
}};

constexpr int kMonthsPerYear = 12;
constexpr std::array<int, kMonthsPerYear + 1> kDaysInMonth = {0,  31, 28, 31, 30, 31, 30,
                                                              31, 31, 30, 31, 30, 31};
constexpr int kFebruary = 2;
constexpr int kLeapEvery = 4;
constexpr int kNoLeapEvery = 100;
constexpr int kLeapAgainEvery = 400;
constexpr int kRawHighFactor = 256;

bool isLeapYear(int year) {
    return (year % kLeapEvery == 0 && year % kNoLeapEvery != 0) || year % kLeapAgainEvery == 0;
}

int daysIn(int year, int month) {
    return kDaysInMonth[month] + (month == kFebruary && isLeapYear(year) ? 1 : 0);
}

} // namespace

int rawReading(const char* frame, int at) {
    return byteAt(frame, at) * kRawHighFactor + byteAt(frame, at + 1);
}

bool fitsFrameRules(const char* bytes, qsizetype size) {
    for (qsizetype i = 0; i < size && i < kFrameSize; ++i) {
        const int value = byteAt(bytes, i);
        if (value < kRules[i].low || value > kRules[i].high)
            return false;
    }
    return true;
}

QByteArray madeValid(const QByteArray& raw) {
    QByteArray frame = raw.left(kFrameSize);
    for (qsizetype i = 0; i < frame.size(); ++i) {
        const Allowed allowed = kRules[i];
        const int value = byteAt(frame.constData(), i);
        if (value < allowed.low || value > allowed.high)
            frame[i] = char(allowed.low + value % (allowed.high - allowed.low + 1));
    }
    return frame;
}

std::optional<int> firstMissingDate(const char* frame) {
    for (int at : kTimeFields) {
        const int year = kCentury + byteAt(frame, at + kYearOf);
        const int month = byteAt(frame, at + kMonthOf);
        if (byteAt(frame, at + kDayOf) > daysIn(year, month))
            return at;
    }
    return std::nullopt;
}

QString missingDateText(const char* frame, int at) {
    const auto field = [&](int of) {
        return QString::number(byteAt(frame, at + of) + (of == kYearOf ? kCentury : 0));
    };
    const QString stamp = field(kYearOf) + QChar('/') + field(kMonthOf) + QChar('/') +
                          field(kDayOf) + QChar(' ') + field(kHourOf) + QChar(':') +
                          field(kMinuteOf) + QChar(':') + field(kSecondOf) + QStringLiteral(".0");
    return QStringLiteral("''") + stamp + QStringLiteral("'' is not a valid date and time");
}

} // namespace zor::fuzz
