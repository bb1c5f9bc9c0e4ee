// Writes the seed inputs of fuzz_receive into the folder given as argument.
// Usage: fuzz_seeds tests/fuzz/corpus

#include "FrameOracle.h"
#include "FuzzInput.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <utility>

using namespace zor::fuzz;

namespace {

using Change = std::pair<int, int>;

// The CO frame of the protocol: start 2024-01-26 08:15:30 (50), peak 08:16:02 (150),
// end 08:20:45 (25), PPM.
QByteArray co() {
    return QByteArray::fromHex("AA00F01A18011A080F1E0032"
                               "18011A0810020096"
                               "18011A08142D0019"
                               "01010055");
}

constexpr int kGasO2 = 2;
constexpr int kUnitVol = 2;
constexpr int kFramesOfLongChunk = 40;
constexpr int kMaxSeconds = 60;
constexpr int kByteMax = 0xFF;
constexpr int kStartMarker = 0xAA;
constexpr int kEndMarker = 0x55;
constexpr int kUncheckedAt1 = 1;
constexpr int kUncheckedAt30 = 30;
constexpr int kFramesOfFullChunk = 32;
constexpr int kSlidingFirstAt = 4;
constexpr int kSlidingLastAt = 29;
constexpr int kSlidingValue = 2;

QByteArray with(QByteArray frame, std::initializer_list<Change> changes) {
    for (auto [offset, value] : changes)
        frame[offset] = char(value);
    return frame;
}

// A valid frame of the given gas and unit whose start second and readings differ by n.
QByteArray frameOf(int gas, int unit, int n) {
    return with(co(), {{kGasAt, gas},
                       {kUnitAt, unit},
                       {kStartTimeAt + kSecondOf, n % kMaxSeconds},
                       {kStartValueAt + 1, n},
                       {kPeakValueAt, n}});
}

// A frame whose free bytes hold the end marker and whose fields all hold 2, so that the
// frame shifted by an inserted byte still passes every check.
QByteArray slidingFrame(int n) {
    QByteArray frame = co();
    for (int at = kSlidingFirstAt; at <= kSlidingLastAt; ++at)
        frame[at] = char(kSlidingValue);
    frame[kStartTimeAt + kSecondOf] = char(1 + n % kLastUnitCode);
    return with(frame, {{kUncheckedAt1, kEndMarker}, {kUncheckedAt30, kEndMarker}});
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

// The input of the operations that build writes, followed by a silence when closed.
QByteArray input(const std::function<void(InputWriter&)>& build, bool closed = true) {
    InputWriter writer;
    build(writer);
    if (closed)
        writer.silence();
    return writer.input();
}

// One frame of each kind in a burst of its own.
QByteArray eachAlone(std::initializer_list<QByteArray> frames) {
    return input([&](InputWriter& w) {
        for (const QByteArray& frame : frames) {
            w.frame(frame);
            w.silence();
        }
    });
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

    const QByteArray a = co();
    const QByteArray o2 = with(a, {{kGasAt, kGasO2}, {kUnitAt, kUnitVol}});
    const QByteArray s1 = slidingFrame(1);
    const QByteArray s2 = slidingFrame(2);
    const QByteArray s3 = slidingFrame(3);
    QByteArray ffff = a;
    for (int at : kValueFields)
        ffff = with(ffff, {{at, kByteMax}, {at + 1, kByteMax}});
    // A frame whose byte 1 is the end marker: 30 bytes that begin a frame and its first two
    // bytes pass every check.
    const QByteArray markerAt1 = with(o2, {{kUncheckedAt1, kEndMarker}});
    const QByteArray insertedByte(1, char(kSlidingValue));

    const std::initializer_list<std::pair<const char*, QByteArray>> seeds = {
        {"co_example", input([&](InputWriter& w) { w.frame(a); })},
        {"o2_example", input([&](InputWriter& w) { w.frame(o2); })},
        {"every_gas_back_to_back", input([&](InputWriter& w) {
             for (int gas = 1; gas <= kLastGasCode; ++gas)
                 w.frame(frameOf(gas, 1 + (gas - 1) % kLastUnitCode, gas));
         })},
        {"every_unit_cut_between", input([&](InputWriter& w) {
             for (int unit = 1; unit <= kLastUnitCode; ++unit) {
                 w.frame(frameOf(kGasO2 + unit, unit, unit));
                 w.cut();
             }
         })},
        {"run_filling_one_chunk", input([&](InputWriter& w) { w.run(a, kFramesOfFullChunk); })},
        {"runs_over_chunk_limits", input([&](InputWriter& w) {
             w.run(a, kFramesOfFullChunk);
             w.run(o2, kFramesOfFullChunk);
             w.run(ffff, kFramesOfFullChunk / 2);
         })},
        {"stream_ends_without_silence",
         input([&](InputWriter& w) { w.run(o2, kFramesOfLongChunk % kFramesOfFullChunk); }, false)},
        {"same_frame_three_times", input([&](InputWriter& w) {
             w.frame(a);
             w.repeat();
             w.silence();
             w.repeat();
         })},
        {"frames_separated_by_silence", eachAlone({a, o2, ffff})},
        {"readings_ffff",
         eachAlone({ffff, with(ffff, {{kGasAt, kGasO2}}), with(a, {{kUncheckedAt1, kByteMax}})})},
        {"calendar_edges",
         eachAlone({with(withDate(a, kStartTimeAt, 0, 1, 1), {{kEndTimeAt + kYearOf, 99}}),
                    withDate(a, kPeakTimeAt, 24, 2, 29), withDate(a, kStartTimeAt, 24, 2, 30),
                    withDate(a, kPeakTimeAt, 24, 4, 31), withDate(a, kEndTimeAt, 23, 2, 29),
                    withDate(withDate(a, kPeakTimeAt, 24, 6, 31), kEndTimeAt, 25, 2, 29),
                    withDate(withDate(withDate(a, kStartTimeAt, 24, 2, 30), kPeakTimeAt, 24, 4, 31),
                             kEndTimeAt, 23, 2, 29)})},
        {"inserted_byte_shifts_into_a_frame", input([&](InputWriter& w) {
             w.frame(s1);
             w.insert(s2, 10, insertedByte);
             w.frame(s3);
         })},
        {"inserted_bytes_near_the_end", input([&](InputWriter& w) {
             w.frame(s1);
             w.insert(s2, 30, QByteArray::fromHex("AA55"));
             w.frame(s3);
             w.frame(s1);
         })},
        {"inserted_three_bytes", input([&](InputWriter& w) {
             w.insert(s2, 4, QByteArray::fromHex("020202"));
             w.frame(s3);
         })},
        {"dropped_byte_between_frames", input([&](InputWriter& w) {
             w.frame(s1);
             w.drop(s2, 12, 1);
             w.frame(s3);
             w.frame(s1);
         })},
        {"dropped_end_of_a_frame", input([&](InputWriter& w) {
             w.drop(a, 30, 2);
             w.frame(markerAt1);
             w.frame(o2);
         })},
        {"dropped_start_of_a_frame", input([&](InputWriter& w) {
             w.frame(o2);
             w.drop(a, 0, 3);
             w.frame(o2);
         })},
        {"damage_two_frames_apart", input([&](InputWriter& w) {
             w.insert(s1, 20, insertedByte);
             w.frame(s2);
             w.frame(s3);
             w.drop(s1, 5, 2);
             w.frame(s2);
         })},
        // Two damaged frames whose shifts cancel cannot be told from intact ones: the input
        // puts a silence between them.
        {"damage_right_after_damage", input([&](InputWriter& w) {
             w.drop(a, 30, 2);
             w.insert(with(o2, {{kUncheckedAt1, kEndMarker}}), 2, QByteArray::fromHex("AA00"));
             w.frame(o2);
         })},
        {"noise_around_frames_with_silence", input([&](InputWriter& w) {
             w.noise(noise(45, 7));
             w.silence();
             w.frame(a);
             w.silence();
             w.noise(noise(20, 8));
             w.silence();
             w.frame(o2);
         })},
        {"noise_right_before_and_after", input([&](InputWriter& w) {
             w.noise(noise(9, 9));
             w.frame(a);
             w.frame(o2);
             w.noise(noise(40, 3));
         })},
        {"noise_like_the_start_of_a_frame", input([&](InputWriter& w) {
             w.frame(o2);
             w.noise(a.left(kFrameSize - 2));
             w.frame(markerAt1);
             w.frame(o2);
         })},
        {"only_noise", input([&](InputWriter& w) { w.noise(noise(200, 5)); })},
        {"aa_before_frame", input([&](InputWriter& w) {
             w.noise(QByteArray(1, char(kStartMarker)));
             w.frame(a);
         })},
        {"partial_frame_then_frame", input([&](InputWriter& w) {
             w.noise(a.left(20));
             w.silence();
             w.frame(o2);
         })},
        // Whole inputs of 32 bytes are decoded as they are.
        {"input_is_a_frame", a},
        {"input_is_a_frame_gas_0", with(a, {{kGasAt, 0}})},
        {"input_is_a_frame_gas_21", with(a, {{kGasAt, 21}})},
        {"input_is_a_frame_unit_0", with(a, {{kUnitAt, 0}})},
        {"input_is_a_frame_unit_4", with(a, {{kUnitAt, 4}})},
        {"input_is_a_frame_month_13", with(a, {{kPeakTimeAt + kMonthOf, 13}})},
        {"input_is_a_frame_second_60", with(a, {{kStartTimeAt + kSecondOf, 60}})},
        {"input_is_a_frame_wrong_echo", with(a, {{kEchoAt, 0xF1}})},
        {"input_is_a_frame_wrong_end", with(a, {{kEndMarkerAt, 0x56}})},
    };
    for (const auto& [name, input] : seeds) {
        if (!write(dir, name, input))
            return 1;
    }
    std::printf("%zu seeds written to %s\n", seeds.size(), argv[1]);
    return 0;
}
