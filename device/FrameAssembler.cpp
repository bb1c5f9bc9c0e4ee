#include "FrameAssembler.h"

#include "AlarmFrame.h"

#include <algorithm>

namespace zor {

namespace {

constexpr char kStartMarker = char(0xAA);
// Start marker, a free byte, echo and length: what tells a frame's beginning.
constexpr int kHeaderBytes = 4;

bool isCandidate(const QByteArray& bytes, qsizetype at) {
    return CouldBeginFrame(bytes.constData() + at, kAlarmFrameSize);
}

} // namespace

namespace {

// A frame that lost bytes of its header still ends like a frame.
constexpr qsizetype kShortestFrameTail = kAlarmFrameSize - kHeaderBytes;
constexpr qsizetype kLongestFrameLike = kAlarmFrameSize + kHeaderBytes;
constexpr char kEndMarker = char(0x55);

int headersIn(const char* data, qsizetype size) {
    int starts = 0;
    for (qsizetype at = 0; at + kHeaderBytes <= size; ++at) {
        if (data[at] == kStartMarker && CouldBeginFrame(data + at, kHeaderBytes))
            ++starts;
    }
    return starts;
}

int framesOf(int headers, qsizetype length, char last) {
    if (headers > 0)
        return headers;
    return length >= kShortestFrameTail && length <= kLongestFrameLike && last == kEndMarker;
}

} // namespace

int refusedFrameCount(const QByteArray& stretch) {
    return framesOf(headersIn(stretch.constData(), stretch.size()), stretch.size(),
                    stretch.isEmpty() ? char(0) : stretch.back());
}

void FrameAssembler::refuse(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return;
    // The last bytes refused may begin a header that these complete.
    const QByteArray joined = refusedTail_ + bytes;
    refusedHeaders_ += headersIn(joined.constData(), joined.size());
    refusedTail_ = joined.right(kHeaderBytes - 1);
    refusedLength_ += bytes.size();
}

AssembledFrames FrameAssembler::append(const QByteArray& chunk, bool endedBySilence) {
    AssembledFrames result;
    if (chunk.isEmpty()) {
        silent_ = silent_ || endedBySilence;
    } else if (discarding_) {
        refuse(chunk);
    } else {
        buffer_.append(chunk);
    }
    if (!chunk.isEmpty())
        silent_ = endedBySilence;
    if (silent_ && discarding_) {
        // The burst that was refused ends here; the next one is judged afresh.
        discarding_ = false;
        countRefused(result);
    }
    takeFrames(result);
    return result;
}

void FrameAssembler::takeFrames(AssembledFrames& result) {
    while (!discarding_ && !buffer_.isEmpty()) {
        const qsizetype held = buffer_.size();
        if (held < kAlarmFrameSize) {
            // A frame cut short by silence is never joined to what comes after it.
            if (silent_ || !CouldBeginFrame(buffer_.constData(), int(held)))
                refuseFront(result);
            else
                return;
            continue;
        }
        if (!isCandidate(buffer_, 0)) {
            refuseFront(result);
            continue;
        }
        // Silence right after the candidate, or a candidate following it, shows it intact.
        if (held == kAlarmFrameSize && silent_) {
            take(result);
            continue;
        }
        if (held >= 2 * kAlarmFrameSize) {
            if (isCandidate(buffer_, kAlarmFrameSize))
                take(result);
            else
                refuseFront(result);
            continue;
        }
        const qsizetype tail = held - kAlarmFrameSize;
        if (silent_ || !CouldBeginFrame(buffer_.constData() + kAlarmFrameSize, int(tail)))
            refuseFront(result);
        else
            return;
    }
}

void FrameAssembler::take(AssembledFrames& result) {
    countRefused(result);
    result.frames.push_back(buffer_.left(kAlarmFrameSize));
    buffer_.remove(0, kAlarmFrameSize);
}

void FrameAssembler::refuseFront(AssembledFrames& result) {
    // Everything up to the next silence is refused: no frame begins inside a broken burst.
    refuse(buffer_);
    buffer_.clear();
    if (!silent_)
        discarding_ = true;
    else
        countRefused(result);
}

void FrameAssembler::countRefused(AssembledFrames& result) {
    if (refusedLength_ > 0)
        result.refused += framesOf(refusedHeaders_, refusedLength_, refusedTail_.back());
    refusedHeaders_ = 0;
    refusedLength_ = 0;
    refusedTail_.clear();
}

int FrameAssembler::finish() {
    refuse(buffer_);
    AssembledFrames result;
    countRefused(result);
    clear();
    return result.refused;
}

void FrameAssembler::clear() {
    buffer_.clear();
    silent_ = true;
    discarding_ = false;
    refusedHeaders_ = 0;
    refusedLength_ = 0;
    refusedTail_.clear();
}

} // namespace zor
