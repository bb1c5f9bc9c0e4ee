#pragma once

#include <QByteArray>
#include <vector>

namespace zor {

// What one chunk gave: the frames now shown intact, in order, and how many were refused.
struct AssembledFrames {
    std::vector<QByteArray> frames;
    int refused = 0;
};

// Takes alarm record frames out of the byte stream of an open port, wherever chunk borders
// fall, and only where the stream shows them intact. The frame has no checksum, so a byte
// inserted or lost on the line can shift a frame into 32 bytes that still pass every check.
// A frame is therefore taken only when it begins right after silence or right after another
// frame, and is followed by silence or by 32 bytes that pass the checks too. Bytes that fail
// are refused up to the next place where silence lets a frame begin. Whether a taken frame's
// dates exist in the calendar is left to Decode.
class FrameAssembler {
public:
    // Adds the bytes of one chunk; endedBySilence tells whether the line fell silent after it.
    AssembledFrames append(const QByteArray& chunk, bool endedBySilence);

    // The stream has ended (the port closes): refuses what is held and returns how many
    // frames that counts as.
    int finish();

    // Forgets every kept byte; used when the port is reopened.
    void clear();

    // Bytes held until the stream shows what they are.
    qsizetype pending() const { return buffer_.size(); }

private:
    void takeFrames(AssembledFrames& result);
    void take(AssembledFrames& result);
    void refuseFront(AssembledFrames& result);
    // Removes bytes from the front, keeping the places after silence that remain.
    void dropFront(qsizetype bytes);
    void countRefused(AssembledFrames& result);
    bool silenceAt(qsizetype offset) const;

    // Bytes from the current frame boundary on.
    QByteArray buffer_;
    // Offsets in buffer_ that silence preceded: places where a frame may begin again.
    std::vector<qsizetype> burstStarts_;
    // The line fell silent after the last byte received.
    bool silent_ = true;
    // The rest of the current burst is refused, up to the next silence.
    bool discarding_ = false;
    // Frames refused and not yet reported.
    int refusedFrames_ = 0;
};

// How many frames refused bytes count as: the places where a frame's header (start marker,
// echo, length) begins in them, or one for about a frame's length of bytes that ends like a
// frame. Noise counts as no frame.
int frameStartsIn(const char* data, qsizetype size);

} // namespace zor
