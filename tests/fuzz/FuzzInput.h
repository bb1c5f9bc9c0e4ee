#pragma once

// How one fuzz input is read: a list of operations that build what a detector sent and what
// the line did to it. Each operation is one byte, kind in its low three bits and a small
// argument above them, followed by its operands:
//   frame    32 bytes, made a valid frame                    sent intact
//   repeat   -                                               the previous frame again, intact
//   insert   32 bytes, offset byte, 1-3 bytes (argument)     a frame with bytes inserted at
//                                                            offset 1-31
//   drop     32 bytes, offset byte (1-3 bytes by argument)   a frame with bytes dropped
//   noise    length byte, 1-256 bytes                        bytes of no frame (never 0x55)
//   silence  -                                               the line goes quiet
//   cut      -                                               a chunk ends without silence
//   run      32 bytes (1-32 frames by argument)              frames back to back, intact
// The line damages at most what a receiver can tell: a second damage (damaged frame or noise)
// comes at least two intact frames after the one before it, or after a silence; where the
// input asks for it sooner, a silence is put in between.

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zor::fuzz {

// One chunk as the serial component hands it over.
struct Chunk {
    QByteArray bytes;
    bool endedBySilence = false;
};

// The bytes between two silences, and what went into them.
struct Burst {
    QByteArray bytes;
    std::vector<qsizetype> cuts;    // where chunks end without silence
    std::vector<QByteArray> intact; // frames sent unbroken, in order
    bool damagedFrame = false;      // a frame went in with bytes inserted or dropped
    bool noise = false;             // bytes of no frame went in
    bool closed = false;            // silence ended it; the last burst may stay open
    int intactSinceDamage = 0;

    bool clean() const { return !damagedFrame && !noise; }
};

using Transmission = std::vector<Burst>;

Transmission parseInput(const std::uint8_t* data, std::size_t size);

// The chunks of a burst: cut where the input says, at every chunk limit as the serial
// component cuts them, or one byte at a time.
std::vector<Chunk> chunksAsCut(const Burst& burst);
std::vector<Chunk> chunksAtLimit(const Burst& burst);
std::vector<Chunk> chunksByByte(const Burst& burst);

// Writes inputs that parseInput reads back as the operations called.
class InputWriter {
public:
    void frame(const QByteArray& raw);
    void repeat();
    void insert(const QByteArray& raw, int offset, const QByteArray& inserted);
    void drop(const QByteArray& raw, int offset, int count);
    void noise(const QByteArray& bytes);
    void silence();
    void cut();
    void run(const QByteArray& raw, int count);

    const QByteArray& input() const { return input_; }

private:
    void op(int kind, int argument = 0);

    QByteArray input_;
};

} // namespace zor::fuzz
