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
// frame, and is followed by silence or by 32 bytes that pass the checks too. Bytes that fail,
// and a frame cut short by silence, are refused up to the next silence. Whether a taken
// frame's dates exist in the calendar is left to Decode.
class FrameAssembler {
public:
    // Adds the bytes of one chunk; endedBySilence tells whether the line fell silent after it.
    AssembledFrames append(const QByteArray& chunk, bool endedBySilence);

    // The stream has ended (the port closes): refuses what is held and returns how many
    // frames that counts as.
    int finish();

    // Forgets every kept byte; used when the port is reopened.
    void clear();

    // Bytes held until the stream shows what they are (less than two frames; none after
    // silence).
    qsizetype pending() const { return buffer_.size(); }

private:
    void takeFrames(AssembledFrames& result);
    void take(AssembledFrames& result);
    void refuseFront(AssembledFrames& result);
    void refuse(const QByteArray& bytes);
    void countRefused(AssembledFrames& result);

    // Bytes from the current frame boundary on.
    QByteArray buffer_;
    // The line fell silent after the last byte received.
    bool silent_ = true;
    // The rest of the current burst is refused, up to the next silence.
    bool discarding_ = false;
    // The refused stretch of the current burst, not yet reported: frame headers seen in it,
    // its length and its last bytes.
    int refusedHeaders_ = 0;
    qsizetype refusedLength_ = 0;
    QByteArray refusedTail_;
};

// How many frames a refused stretch of bytes counts as: the frame headers (start marker, a
// free byte, echo and length) in it, or one for about a frame's length of bytes that ends like
// a frame. Noise counts as no frame.
int refusedFrameCount(const QByteArray& stretch);

} // namespace zor
