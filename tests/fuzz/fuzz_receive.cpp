// libFuzzer target over the receive path. The input builds a stream from known frames and
// what the line does to them (FuzzInput.h); the stream goes through the frame assembler, cut
// into chunks three ways, and every frame taken through the decoder. Every frame taken must
// be one that went in unbroken, and a burst of unbroken frames must come out whole; the
// decoder is checked against the frame rules of FrameOracle. A broken property aborts with a
// line saying which one.

#include "AlarmFrame.h"
#include "FrameAssembler.h"
#include "FrameOracle.h"
#include "FuzzInput.h"
#include "UserError.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

using namespace zor;
using namespace zor::fuzz;

namespace {

using Frames = std::vector<QByteArray>;
using Chunking = std::vector<Chunk> (*)(const Burst&);

constexpr double kTenths = 10.0;
constexpr double kReadingTolerance = 1e-9;
constexpr int kMaxRaw = 0xFFFF;
constexpr int kLastYear = 2099;
constexpr qsizetype kLongerThanFrame = kFrameSize + 1;
constexpr qsizetype kShorterThanFrame = kFrameSize - 1;
constexpr qsizetype kMaxHeld = 2 * kFrameSize - 1;

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

// What the assembler gave for one burst.
struct BurstResult {
    Frames frames;
    int refused = 0;

    bool operator==(const BurstResult&) const = default;
};
using Results = std::vector<BurstResult>;

// Feeds every burst in the given chunks; checks the bytes held after every chunk.
Results receive(FrameAssembler& assembler, const Transmission& sent, Chunking chunking) {
    Results results;
    for (const Burst& burst : sent) {
        BurstResult& result = results.emplace_back();
        for (const Chunk& chunk : chunking(burst)) {
            AssembledFrames out = assembler.append(chunk.bytes, chunk.endedBySilence);
            std::move(out.frames.begin(), out.frames.end(), std::back_inserter(result.frames));
            result.refused += out.refused;
            require(assembler.pending() <= kMaxHeld, "less than two frames are held", burst.bytes);
            require(!chunk.endedBySilence || assembler.pending() == 0,
                    "silence leaves nothing held", burst.bytes);
        }
        if (!burst.closed)
            result.refused += assembler.finish();
    }
    require(assembler.pending() == 0, "finish() leaves nothing held", QByteArray());
    return results;
}

Results receive(const Transmission& sent, Chunking chunking) {
    FrameAssembler assembler;
    return receive(assembler, sent, chunking);
}

// True when every frame taken is one that went in unbroken, in the order sent, and is taken
// at most once for each time it was sent.
bool inOrderAmong(const Frames& taken, const Frames& intact) {
    auto next = intact.begin();
    for (const QByteArray& frame : taken) {
        next = std::find(next, intact.end(), frame);
        if (next == intact.end())
            return false;
        ++next;
    }
    return true;
}

void checkBursts(const Transmission& sent, const Results& results) {
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const Burst& burst = sent[i];
        const BurstResult& result = results[i];
        require(inOrderAmong(result.frames, burst.intact),
                "every frame taken went in unbroken, in order, once per sending", burst.bytes);
        if (burst.closed && burst.clean()) {
            require(result.frames == burst.intact && result.refused == 0,
                    "a burst of unbroken frames comes out whole", burst.bytes);
        }
        require(!burst.damagedFrame || result.refused >= 1, "a damaged frame is counted refused",
                burst.bytes);
        // Each refused frame is a header of four bytes, or a frame's length without one.
        require(result.refused <= burst.bytes.size() / 4 + 1,
                "no more frames refused than the burst could hold", burst.bytes);
    }
}

QByteArray wholeStream(const Transmission& sent) {
    QByteArray stream;
    for (const Burst& burst : sent)
        stream += burst.bytes;
    return stream;
}

} // namespace

// One input frees a few megabytes at most, so a small quarantine still catches a use after
// free, and memory stays flat over long runs instead of creeping towards the RSS limit.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=32";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Transmission sent = parseInput(data, size);
    const QByteArray stream = wholeStream(sent);

    const Results asCut = receive(sent, chunksAsCut);
    checkBursts(sent, asCut);
    require(receive(sent, chunksAtLimit) == asCut && receive(sent, chunksByByte) == asCut,
            "where chunks are cut without silence changes nothing", stream);

    // After clear() the assembler starts afresh: nothing held from before joins the stream.
    FrameAssembler assembler;
    const std::vector<Chunk> firstChunks = chunksAsCut(sent.front());
    for (std::size_t i = 0; i + 1 < firstChunks.size(); ++i)
        assembler.append(firstChunks[i].bytes, firstChunks[i].endedBySilence);
    assembler.clear();
    require(assembler.pending() == 0, "clear() keeps nothing", stream);
    require(receive(assembler, sent, chunksAsCut) == asCut,
            "after clear() the stream gives the same frames", stream);

    for (const BurstResult& result : asCut) {
        for (const QByteArray& frame : result.frames)
            checkDecoded(frame);
    }
    checkDecodeEverywhere(stream);
    const QByteArray whole =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (size != std::size_t(kFrameSize) || !fitsFrameRules(whole.constData(), kFrameSize))
        checkRefused(whole);
    else
        checkDecoded(whole);
    return 0;
}
