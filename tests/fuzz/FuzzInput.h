#pragma once

// How one fuzz input is read: byte 0 holds the number of chunk sizes that follow, one byte
// each; the sizes are used in turn to cut the rest of the input, the received byte stream,
// into chunks. No sizes (or only zeros) means the stream arrives as one chunk.

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zor::fuzz {

struct FuzzInput {
    std::vector<int> chunkSizes; // 0 stands for an empty chunk
    QByteArray stream;
};

FuzzInput parseInput(const std::uint8_t* data, std::size_t size);

// Cuts the stream into chunks by the sizes, taken in turn.
std::vector<QByteArray> cutIntoChunks(const QByteArray& stream, const std::vector<int>& sizes);

// The input that parseInput reads back as these chunk sizes and this stream.
QByteArray encodeInput(const std::vector<int>& sizes, const QByteArray& stream);

} // namespace zor::fuzz
