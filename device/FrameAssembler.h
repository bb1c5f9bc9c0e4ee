#pragma once

#include <QByteArray>
#include <vector>

namespace zor {

// Takes alarm record frames out of the byte stream of an open port, wherever chunk
// borders fall. A returned frame passes every structural and range check; whether its
// dates exist in the calendar is left to Decode.
class FrameAssembler {
public:
    // Adds the bytes of one chunk and returns the complete frames now available, in order.
    std::vector<QByteArray> append(const QByteArray& chunk);

    // Forgets every kept byte; used when the port is reopened.
    void clear();

    // Bytes kept because they could still begin a frame (at most one frame less one byte).
    qsizetype pending() const { return buffer_.size(); }

private:
    QByteArray buffer_;
};

} // namespace zor
