// Writes the seed inputs of fuzz_receive into the folder given as argument.
// Usage: fuzz_seeds tests/fuzz/corpus

#include "FrameOracle.h"
#include "FuzzInput.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <initializer_list>
#include <utility>

using namespace zor::fuzz;

namespace {

using Change = std::pair<int, int>;

// The CO frame of the protocol: start 2024-01-26 08:15:30 (50), peak 08:16:02 (150),
// end 08:20:45 (25), PPM.
const QByteArray kCoFrame = QByteArray::fromHex("AA00F01A18011A080F1E0032"
                                                "18011A0810020096"
                                                "18011A08142D0019"
                                                "01010055");

constexpr int kGasO2 = 2;
constexpr int kUnitVol = 2;
constexpr int kFramesOfLongChunk = 40;
constexpr int kMaxSeconds = 60;
constexpr int kByteMax = 0xFF;
constexpr int kStartMarker = 0xAA;
constexpr int kEndMarker = 0x55;
constexpr int kUncheckedAt1 = 1;
constexpr int kUncheckedAt30 = 30;

QByteArray with(QByteArray frame, std::initializer_list<Change> changes) {
    for (auto [offset, value] : changes)
        frame[offset] = char(value);
    return frame;
}

// A valid frame of the given gas and unit whose start second and readings differ by n.
QByteArray frameOf(int gas, int unit, int n) {
    return with(kCoFrame, {{kGasAt, gas},
                           {kUnitAt, unit},
                           {kStartTimeAt + kSecondOf, n % kMaxSeconds},
                           {kStartValueAt + 1, n},
                           {kPeakValueAt, n}});
}

QByteArray withDate(const QByteArray& frame, int at, int year, int month, int day) {
    return with(frame, {{at + kYearOf, year}, {at + kMonthOf, month}, {at + kDayOf, day}});
}

// Noise rich in the marker bytes, so that false starts are common.
QByteArray noise(int size, unsigned seed) {
    static const char kMarkers[] = {char(0xAA), char(0xF0), char(0x1A), char(0x55), 0x00, 0x18};
    QByteArray bytes;
    unsigned state = seed;
    for (int i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        const unsigned pick = state >> 24;
        bytes.append(pick % 3 == 0 ? kMarkers[pick % sizeof(kMarkers)] : char(state >> 16));
    }
    return bytes;
}

bool write(const QDir& dir, const char* name, const QByteArray& input) {
    QFile file(dir.filePath(QString::fromLatin1(name)));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(input) != input.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;

    const QByteArray co = kCoFrame;
    const QByteArray o2 = with(co, {{kGasAt, kGasO2}, {kUnitAt, kUnitVol}});
    QByteArray everyGas;
    for (int gas = 1; gas <= kLastGasCode; ++gas)
        everyGas += frameOf(gas, 1 + (gas - 1) % kLastUnitCode, gas);
    QByteArray everyUnit;
    for (int unit = 1; unit <= kLastUnitCode; ++unit)
        everyUnit += frameOf(kGasO2 + unit, unit, unit);
    QByteArray longRun;
    for (int n = 0; n < kFramesOfLongChunk; ++n)
        longRun += frameOf(1 + n % kLastGasCode, 1 + n % kLastUnitCode, n);
    QByteArray ffff = co;
    for (int at : kValueFields)
        ffff = with(ffff, {{at, kByteMax}, {at + 1, kByteMax}});
    // A frame whose byte 1 is the end marker, behind 30 bytes that begin a frame: the false
    // frame takes the real one's first two bytes, and the real one is lost.
    const QByteArray swallowed = with(co, {{kUncheckedAt1, kEndMarker}});

    const std::initializer_list<std::pair<const char*, QByteArray>> seeds = {
        {"co_example", encodeInput({}, co)},
        {"o2_example", encodeInput({}, o2)},
        {"input_is_a_frame", co},
        {"every_gas_back_to_back", encodeInput({}, everyGas)},
        {"every_gas_byte_by_byte", encodeInput({1}, everyGas)},
        {"every_unit_split_10_22", encodeInput({10, 22}, everyUnit)},
        {"frames_split_31_1", encodeInput({31, 1}, co + o2)},
        {"frames_in_uneven_chunks", encodeInput({7, 13, 1, 40}, everyUnit + co + o2)},
        {"empty_chunks_between", encodeInput({0, 5, 0, 27}, co + o2)},
        {"long_chunks_of_frames", encodeInput({255}, longRun)},
        {"readings_ffff_co", encodeInput({}, ffff)},
        {"readings_ffff_o2", encodeInput({}, with(ffff, {{kGasAt, kGasO2}}))},
        {"years_0_and_99",
         encodeInput({}, with(withDate(co, kStartTimeAt, 0, 1, 1), {{kEndTimeAt + kYearOf, 99}}))},
        {"leap_day_2024", encodeInput({}, withDate(co, kPeakTimeAt, 24, 2, 29))},
        {"bytes_1_and_30_any",
         encodeInput({}, with(co, {{kUncheckedAt1, kByteMax}, {kUncheckedAt30, kStartMarker}}))},
        {"noise_around_frames",
         encodeInput({}, noise(45, 7) + co + noise(20, 8) + o2 + noise(9, 9))},
        {"noise_around_frames_in_3s", encodeInput({3}, noise(40, 3) + everyUnit + noise(40, 4))},
        {"only_noise", encodeInput({17}, noise(200, 5))},
        {"aa_before_frame", encodeInput({1}, QByteArray(1, char(kStartMarker)) + co)},
        {"false_header_before_frame", encodeInput({}, QByteArray::fromHex("AA00F01A18") + co)},
        {"truncated_frame_then_frame", encodeInput({20}, co.left(20) + o2)},
        {"no_end_marker_then_frame", encodeInput({31}, co.left(31) + o2)},
        {"false_frame_swallows_next", encodeInput({}, co.left(30) + swallowed + o2)},
        {"feb30_start", encodeInput({}, withDate(co, kStartTimeAt, 24, 2, 30) + o2)},
        {"apr31_peak", encodeInput({}, withDate(co, kPeakTimeAt, 24, 4, 31) + o2)},
        {"feb29_2023_end", encodeInput({}, withDate(co, kEndTimeAt, 23, 2, 29) + o2)},
        {"every_date_missing",
         encodeInput(
             {}, withDate(withDate(withDate(co, kStartTimeAt, 24, 2, 30), kPeakTimeAt, 24, 4, 31),
                          kEndTimeAt, 23, 2, 29))},
        {"peak_and_end_missing",
         encodeInput({}, withDate(withDate(co, kPeakTimeAt, 24, 6, 31), kEndTimeAt, 25, 2, 29))},
        {"gas_0", encodeInput({}, with(co, {{kGasAt, 0}}) + o2)},
        {"gas_21", encodeInput({}, with(co, {{kGasAt, 21}}) + o2)},
        {"unit_0", encodeInput({}, with(co, {{kUnitAt, 0}}) + o2)},
        {"unit_4", encodeInput({}, with(co, {{kUnitAt, 4}}) + o2)},
        {"wrong_markers",
         encodeInput({}, with(co, {{kStartMarkerAt, 0xAB}}) + with(co, {{kEchoAt, 0xF1}}) +
                             with(co, {{kLengthAt, 0x1B}}) + with(co, {{kEndMarkerAt, 0x56}}) +
                             o2)},
        {"out_of_range_fields",
         encodeInput(
             {},
             with(co, {{kStartTimeAt + kYearOf, 100}}) + with(co, {{kStartTimeAt + kMonthOf, 0}}) +
                 with(co, {{kPeakTimeAt + kMonthOf, 13}}) + with(co, {{kEndTimeAt + kDayOf, 0}}) +
                 with(co, {{kStartTimeAt + kDayOf, 32}}) + with(co, {{kPeakTimeAt + kHourOf, 24}}) +
                 with(co, {{kEndTimeAt + kMinuteOf, 60}}) +
                 with(co, {{kStartTimeAt + kSecondOf, 60}}) + o2)},
        {"frame_plus_one_byte", encodeInput({33}, co + QByteArray(1, char(kEndMarker)))},
    };
    for (const auto& [name, input] : seeds) {
        if (!write(dir, name, input))
            return 1;
    }
    std::printf("%zu seeds written to %s\n", seeds.size(), argv[1]);
    return 0;
}
