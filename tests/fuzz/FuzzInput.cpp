#include "FuzzInput.h"

#include <algorithm>

namespace zor::fuzz {

namespace {

// Empty chunks beyond this many are left out, so that a run stays short.
constexpr int kMaxEmptyChunks = 64;
constexpr std::size_t kMaxChunkSizes = 255;

} // namespace

FuzzInput parseInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input;
    if (size == 0)
        return input;
    const std::size_t count = std::min<std::size_t>(data[0], size - 1);
    input.chunkSizes.assign(data + 1, data + 1 + count);
    const std::size_t streamAt = 1 + count;
    input.stream =
        QByteArray(reinterpret_cast<const char*>(data + streamAt), qsizetype(size - streamAt));
    return input;
}

std::vector<QByteArray> cutIntoChunks(const QByteArray& stream, const std::vector<int>& sizes) {
    const bool anySize = std::any_of(sizes.begin(), sizes.end(), [](int s) { return s > 0; });
    if (!anySize)
        return {stream};
    std::vector<QByteArray> chunks;
    int empties = 0;
    qsizetype at = 0;
    for (std::size_t turn = 0; at < stream.size(); ++turn) {
        const int size = sizes[turn % sizes.size()];
        if (size == 0) {
            if (empties++ < kMaxEmptyChunks)
                chunks.emplace_back();
            continue;
        }
        chunks.push_back(stream.mid(at, size));
        at += size;
    }
    return chunks;
}

QByteArray encodeInput(const std::vector<int>& sizes, const QByteArray& stream) {
    QByteArray input;
    const std::size_t count = std::min(sizes.size(), kMaxChunkSizes);
    input.append(char(count));
    for (std::size_t i = 0; i < count; ++i)
        input.append(char(sizes[i]));
    return input + stream;
}

} // namespace zor::fuzz
