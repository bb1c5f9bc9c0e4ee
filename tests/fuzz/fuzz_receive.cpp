// libFuzzer target over the receive path: arbitrary bytes, cut into chunks as the input says,
// go through the frame assembler and the decoder, and every result is checked against the
// frame rules of FrameOracle. A broken property aborts with a line saying which one.

#include "AlarmFrame.h"
#include "FrameAssembler.h"
#include "FrameOracle.h"
#include "FuzzInput.h"
#include "UserError.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace zor;
using namespace zor::fuzz;

namespace {

using Frames = std::vector<QByteArray>;

constexpr double kTenths = 10.0;
constexpr double kReadingTolerance = 1e-9;
constexpr int kMaxRaw = 0xFFFF;
constexpr int kLastYear = 2099;
constexpr qsizetype kLongerThanFrame = kFrameSize + 1;
constexpr qsizetype kShorterThanFrame = kFrameSize - 1;

[[noreturn]] void fail(const char* property, const QByteArray& bytes) {
    std::fprintf(stderr, "\nProperty broken: %s\nBytes: %s\n", property,
                 bytes.toHex(' ').constData());
    std::abort();
}

void require(bool holds, const char* property, const QByteArray& bytes) {
    if (!holds)
        fail(property, bytes);
}

QLatin1String latin1(std::string_view name) {
    return QLatin1String(name.data(), qsizetype(name.size()));
}

QByteArray windowAt(const QByteArray& stream, qsizetype at, qsizetype size = kFrameSize) {
    return QByteArray::fromRawData(stream.constData() + at, size);
}

void checkTime(const QByteArray& frame, int at, const QDateTime& time) {
    const char* b = frame.constData();
    const QDate date(kCentury + byteAt(b, at + kYearOf), byteAt(b, at + kMonthOf),
                     byteAt(b, at + kDayOf));
    const QTime clock(byteAt(b, at + kHourOf), byteAt(b, at + kMinuteOf),
                      byteAt(b, at + kSecondOf));
    require(time.isValid(), "a decoded time is valid", frame);
    require(time.date() == date, "a decoded date is 2000 + year, month, day", frame);
    require(time.time() == clock && time.time().msec() == 0,
            "a decoded time of day is hour, minute, second to the whole second", frame);
    require(time.date().year() >= kCentury && time.date().year() <= kLastYear,
            "a decoded year lies in 2000-2099", frame);
}

void checkReading(const QByteArray& frame, int at, bool whole, double value) {
    const int raw = rawReading(frame.constData(), at);
    if (whole) {
        require(value == double(raw) && value >= 0 && value <= kMaxRaw,
                "a CO reading is the raw big-endian number", frame);
    } else {
        require(std::abs(value * kTenths - raw) < kReadingTolerance && value >= 0 &&
                    value <= kMaxRaw / kTenths,
                "a reading of any other gas is the raw number in tenths", frame);
    }
}

void checkRecord(const QByteArray& frame, const AlarmRecord& record) {
    const int gasCode = byteAt(frame.constData(), kGasAt);
    const int unitCode = byteAt(frame.constData(), kUnitAt);
    const bool whole = gasCode == kGasCodeCO;
    require(!record.gas.isEmpty() && record.gas == latin1(GasNames[gasCode]),
            "the gas is the GasNames entry of byte 28", frame);
    require(!record.unit.isEmpty() && record.unit == latin1(UnitNames[unitCode]),
            "the unit is the UnitNames entry of byte 29", frame);
    require(record.wholeValues == whole, "only CO readings are whole numbers", frame);
    checkTime(frame, kStartTimeAt, record.sTime);
    checkTime(frame, kPeakTimeAt, record.pTime);
    checkTime(frame, kEndTimeAt, record.eTime);
    checkReading(frame, kStartValueAt, whole, record.sValue);
    checkReading(frame, kPeakValueAt, whole, record.pValue);
    checkReading(frame, kEndValueAt, whole, record.eValue);
}

// Decode of bytes that are no frame by the rules must give nothing and throw nothing.
void checkRefused(const QByteArray& bytes) {
    try {
        require(!Decode(bytes, QLocale::c()).has_value(), "Decode refuses a non-frame", bytes);
    } catch (const std::exception&) {
        fail("Decode throws nothing for a non-frame", bytes);
    }
}

// Decode of a frame that fits the rules: a record, or EConvertError for a missing date.
void checkDecoded(const QByteArray& frame) {
    const std::optional<int> missing = firstMissingDate(frame.constData());
    try {
        const std::optional<AlarmRecord> record = Decode(frame, QLocale::c());
        require(!missing, "Decode refuses a date that is not in the calendar", frame);
        require(record.has_value(), "Decode accepts a frame that fits every rule", frame);
        checkRecord(frame, *record);
    } catch (const EConvertError& error) {
        require(missing.has_value(), "EConvertError only for a date not in the calendar", frame);
        require(error.text() == missingDateText(frame.constData(), *missing),
                "EConvertError names the first missing date-time", frame);
    } catch (const std::exception&) {
        fail("Decode throws nothing but EConvertError", frame);
    }
}

// Decode over every place of the stream, and over lengths next to a frame's.
void checkDecodeEverywhere(const QByteArray& stream) {
    for (qsizetype at = 0; at + kFrameSize <= stream.size(); ++at) {
        const QByteArray window = windowAt(stream, at);
        if (!fitsFrameRules(window.constData(), kFrameSize)) {
            checkRefused(window);
            continue;
        }
        checkDecoded(window);
        checkRefused(windowAt(stream, at, kShorterThanFrame));
        if (at + kLongerThanFrame <= stream.size())
            checkRefused(windowAt(stream, at, kLongerThanFrame));
    }
    if (stream.size() != kFrameSize)
        checkRefused(stream);
}

// Feeds the chunks and checks, after every one, the frames so far and the bytes kept.
Frames assemble(FrameAssembler& assembler, const QByteArray& stream,
                const std::vector<QByteArray>& chunks, const std::vector<qsizetype>& positions) {
    Frames frames;
    qsizetype fed = 0;
    qsizetype consumed = 0;
    // On failure, shows the bytes fed so far.
    const auto check = [&](bool holds, const char* property) {
        if (!holds)
            fail(property, stream.left(fed));
    };
    for (const QByteArray& chunk : chunks) {
        fed += chunk.size();
        for (QByteArray& frame : assembler.append(chunk)) {
            check(frame.size() == kFrameSize, "every frame is 32 bytes");
            check(fitsFrameRules(frame.constData(), kFrameSize), "every frame fits every rule");
            check(frames.size() < positions.size(), "no frame beyond the frames of the stream");
            check(frame == windowAt(stream, positions[frames.size()]),
                  "frames are the stream's frames, in order");
            consumed = positions[frames.size()] + kFrameSize;
            frames.push_back(std::move(frame));
        }
        if (frames.size() < positions.size()) {
            check(positions[frames.size()] + kFrameSize > fed,
                  "a frame comes out as soon as its last byte is in");
        }
        check(assembler.pending() < kFrameSize, "less than a frame is kept");
        check(assembler.pending() == keptTail(stream, fed, consumed),
              "exactly the tail that could still begin a frame is kept");
    }
    return frames;
}

Frames assemble(const QByteArray& stream, const std::vector<QByteArray>& chunks,
                const std::vector<qsizetype>& positions) {
    FrameAssembler assembler;
    return assemble(assembler, stream, chunks, positions);
}

std::vector<QByteArray> byteByByte(const QByteArray& stream) {
    std::vector<QByteArray> chunks;
    chunks.reserve(std::size_t(stream.size()));
    for (char byte : stream)
        chunks.emplace_back(1, byte);
    return chunks;
}

} // namespace

// One input frees a few megabytes at most, so a small quarantine still catches a use after
// free, and memory stays flat over long runs instead of creeping towards the RSS limit.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=32";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzInput input = parseInput(data, size);
    const QByteArray& stream = input.stream;
    const std::vector<qsizetype> positions = framePositions(stream);

    FrameAssembler assembler;
    const Frames cut =
        assemble(assembler, stream, cutIntoChunks(stream, input.chunkSizes), positions);
    const Frames single = assemble(stream, {stream}, positions);
    const Frames bytes = assemble(stream, byteByByte(stream), positions);
    require(cut.size() == positions.size() && single.size() == positions.size(),
            "every frame of the stream comes out", stream);
    require(cut == single && single == bytes, "the chunking changes nothing", stream);

    // After clear() the assembler starts afresh: nothing kept from before joins the stream.
    assembler.clear();
    require(assembler.pending() == 0, "clear() keeps nothing", stream);
    require(assemble(assembler, stream, {stream}, positions) == single,
            "after clear() the stream gives the same frames", stream);

    for (const QByteArray& frame : single)
        checkDecoded(frame);
    checkDecodeEverywhere(stream);
    const QByteArray whole =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (size != std::size_t(kFrameSize) || !fitsFrameRules(whole.constData(), kFrameSize))
        checkRefused(whole);
    else
        checkDecoded(whole);
    return 0;
}
