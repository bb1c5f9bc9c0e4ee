#include "FuzzInput.h"

#include "FrameOracle.h"

#include <algorithm>

namespace zor::fuzz {

namespace {

enum Kind { kFrame, kRepeat, kInsert, kDrop, kNoise, kSilence, kCut, kRun };

constexpr int kKindBits = 3;
constexpr int kKindMask = (1 << kKindBits) - 1;
constexpr int kMaxDamage = 3;
constexpr int kMaxRun = 32;
constexpr int kIntactBetweenDamage = 2;
constexpr qsizetype kChunkLimit = 1024;
constexpr char kEndMarker = char(0x55);
constexpr char kNoiseInsteadOfEndMarker = char(0x54);
constexpr int kRunCounterAt = 1; // a free byte

// Reads the operands of one operation; running out of input ends the input.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool atEnd() const { return at_ >= size_; }
    bool has(std::size_t count) const { return size_ - at_ >= count; }
    int byte() { return data_[at_++]; }
    QByteArray bytes(std::size_t count) {
        count = std::min(count, size_ - at_);
        const QByteArray taken(reinterpret_cast<const char*>(data_ + at_), qsizetype(count));
        at_ += count;
        return taken;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

class Builder {
public:
    Builder() : bursts_(1) {}

    void intact(const QByteArray& frame) {
        Burst& burst = bursts_.back();
        burst.bytes += frame;
        burst.intact.push_back(frame);
        ++burst.intactSinceDamage;
        last_ = frame;
    }

    void damaged(const QByteArray& bytes, bool isFrame) {
        const Burst& current = bursts_.back();
        if (!current.clean() && current.intactSinceDamage < kIntactBetweenDamage)
            silence();
        Burst& burst = bursts_.back();
        burst.bytes += bytes;
        (isFrame ? burst.damagedFrame : burst.noise) = true;
        burst.intactSinceDamage = 0;
    }

    void silence() {
        bursts_.back().closed = true;
        bursts_.emplace_back();
    }

    void cut() { bursts_.back().cuts.push_back(bursts_.back().bytes.size()); }

    const QByteArray& last() const { return last_; }
    Transmission take() { return std::move(bursts_); }

private:
    Transmission bursts_;
    QByteArray last_;
};

std::vector<Chunk> chunksAt(const Burst& burst, std::vector<qsizetype> cuts) {
    std::vector<Chunk> chunks;
    qsizetype from = 0;
    for (qsizetype to : cuts) {
        chunks.push_back({burst.bytes.mid(from, to - from), false});
        from = to;
    }
    const QByteArray rest = burst.bytes.mid(from);
    if (!rest.isEmpty() || burst.closed)
        chunks.push_back({rest, burst.closed});
    return chunks;
}

} // namespace

Transmission parseInput(const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    Builder out;
    while (!in.atEnd()) {
        const int op = in.byte();
        const int argument = op >> kKindBits;
        const int damage = 1 + argument % kMaxDamage;
        switch (op & kKindMask) {
        case kFrame:
            if (!in.has(kFrameSize))
                return out.take();
            out.intact(madeValid(in.bytes(kFrameSize)));
            break;
        case kRepeat:
            if (!out.last().isEmpty())
                out.intact(out.last());
            break;
        case kInsert: {
            if (!in.has(kFrameSize + 1 + damage))
                return out.take();
            QByteArray frame = madeValid(in.bytes(kFrameSize));
            const int offset = 1 + in.byte() % (kFrameSize - 1);
            out.damaged(frame.insert(offset, in.bytes(damage)), true);
            break;
        }
        case kDrop: {
            if (!in.has(kFrameSize + 1))
                return out.take();
            QByteArray frame = madeValid(in.bytes(kFrameSize));
            const int offset = in.byte() % (kFrameSize + 1 - damage);
            out.damaged(frame.remove(offset, damage), true);
            break;
        }
        case kNoise: {
            if (in.atEnd())
                return out.take();
            QByteArray bytes = in.bytes(std::size_t(1 + in.byte()));
            if (bytes.isEmpty())
                return out.take();
            bytes.replace(kEndMarker, kNoiseInsteadOfEndMarker);
            out.damaged(bytes, false);
            break;
        }
        case kSilence:
            out.silence();
            break;
        case kCut:
            out.cut();
            break;
        case kRun: {
            if (!in.has(kFrameSize))
                return out.take();
            QByteArray frame = madeValid(in.bytes(kFrameSize));
            for (int i = 0; i <= argument % kMaxRun; ++i) {
                frame[kRunCounterAt] = char(i);
                out.intact(frame);
            }
            break;
        }
        }
    }
    return out.take();
}

std::vector<Chunk> chunksAsCut(const Burst& burst) {
    return chunksAt(burst, burst.cuts);
}

std::vector<Chunk> chunksAtLimit(const Burst& burst) {
    // A chunk that fills the limit is cut there only when more bytes follow it.
    std::vector<qsizetype> cuts;
    for (qsizetype at = kChunkLimit; at < burst.bytes.size(); at += kChunkLimit)
        cuts.push_back(at);
    return chunksAt(burst, cuts);
}

std::vector<Chunk> chunksByByte(const Burst& burst) {
    std::vector<qsizetype> cuts;
    for (qsizetype at = 1; at < burst.bytes.size(); ++at)
        cuts.push_back(at);
    return chunksAt(burst, cuts);
}

void InputWriter::op(int kind, int argument) {
    input_.append(char(kind | argument << kKindBits));
}

void InputWriter::frame(const QByteArray& raw) {
    op(kFrame);
    input_ += raw;
}

void InputWriter::repeat() {
    op(kRepeat);
}

void InputWriter::insert(const QByteArray& raw, int offset, const QByteArray& inserted) {
    op(kInsert, int(inserted.size()) - 1);
    input_ += raw;
    input_.append(char(offset - 1));
    input_ += inserted;
}

void InputWriter::drop(const QByteArray& raw, int offset, int count) {
    op(kDrop, count - 1);
    input_ += raw;
    input_.append(char(offset));
}

void InputWriter::noise(const QByteArray& bytes) {
    op(kNoise);
    input_.append(char(bytes.size() - 1));
    input_ += bytes;
}

void InputWriter::silence() {
    op(kSilence);
}

void InputWriter::cut() {
    op(kCut);
}

void InputWriter::run(const QByteArray& raw, int count) {
    op(kRun, count - 1);
    input_ += raw;
}

} // namespace zor::fuzz
