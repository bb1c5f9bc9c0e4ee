#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <array>
#include <optional>
#include <string_view>

namespace zor {

inline constexpr int kAlarmFrameSize = 32;
inline constexpr int kGasCount = 20;
inline constexpr int kUnitCount = 3;

// Gas names by gas code; code 0 is not a valid code.
inline constexpr std::array<std::string_view, kGasCount + 1> GasNames = {
    "",    "CO",  "O2", "EX",  "H2S", "PID", "CO2", "VOC", "H2",   "CL2", "NO2",
    "SO2", "NH3", "O3", "CH4", "PH3", "HCL", "SF6", "NO",  "C3H8", "HCN"};

// Unit names by unit code; code 0 is not a valid code.
inline constexpr std::array<std::string_view, kUnitCount + 1> UnitNames = {"", "PPM", "%VOL",
                                                                           "%LEL"};

inline QString gasName(int code) {
    return QString::fromLatin1(GasNames.at(code));
}
inline QString unitName(int code) {
    return QString::fromLatin1(UnitNames.at(code));
}

// One alarm event as the detector reports it.
struct AlarmRecord {
    QString gas;
    QDateTime sTime;
    double sValue = 0;
    QDateTime pTime;
    double pValue = 0;
    QDateTime eTime;
    double eValue = 0;
    QString unit;
    bool wholeValues = false; // the readings are whole numbers (gas "CO")

    bool operator==(const AlarmRecord&) const = default;
};

// Decodes the bytes of one alarm record frame. Returns nothing when the bytes are not
// a valid frame; throws EConvertError when a date passes the range checks but does
// not exist. The locale gives the separators of the error text.
std::optional<AlarmRecord> Decode(const QByteArray& frame, const QLocale& locale = QLocale());

// True when the first bytes of a frame could begin a valid frame (markers, length, ranges
// of the bytes present); used to find frames at the boundaries of a byte stream.
bool CouldBeginFrame(const char* data, int size);

} // namespace zor
