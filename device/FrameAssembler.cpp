#include "FrameAssembler.h"

#include "AlarmFrame.h"

#include <algorithm>

namespace zor {

namespace {

constexpr char kStartMarker = char(0xAA);

bool isCandidate(const QByteArray& bytes, qsizetype at) {
    return CouldBeginFrame(bytes.constData() + at, kAlarmFrameSize);
}

} // namespace

int frameStartsIn(const char* data, qsizetype size) {
    constexpr int kHeaderBytes = 4;
    // A frame that lost bytes of its header still ends like a frame.
    constexpr qsizetype kShortestFrameTail = kAlarmFrameSize - kHeaderBytes;
    constexpr char kEndMarker = char(0x55);
    int starts = 0;
    for (qsizetype at = 0; at + kHeaderBytes <= size; ++at) {
        if (data[at] == kStartMarker && CouldBeginFrame(data + at, kHeaderBytes))
            ++starts;
    }
    if (starts == 0 && size >= kShortestFrameTail && size <= kAlarmFrameSize + kHeaderBytes &&
        data[size - 1] == kEndMarker)
        return 1;
    return starts;
}

bool FrameAssembler::silenceAt(qsizetype offset) const {
    if (offset == buffer_.size())
        return silent_;
    return std::find(burstStarts_.begin(), burstStarts_.end(), offset) != burstStarts_.end();
}

AssembledFrames FrameAssembler::append(const QByteArray& chunk, bool endedBySilence) {
    AssembledFrames result;
    if (chunk.isEmpty()) {
        silent_ = silent_ || endedBySilence;
    } else if (discarding_) {
        refusedFrames_ += frameStartsIn(chunk.constData(), chunk.size());
    } else {
        if (silent_ && !buffer_.isEmpty())
            burstStarts_.push_back(buffer_.size());
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
            // Silence after bytes that cannot begin a frame: they never will.
            if (silent_ && !CouldBeginFrame(buffer_.constData(), int(held)))
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
        if (silenceAt(kAlarmFrameSize)) {
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
        if (!CouldBeginFrame(buffer_.constData() + kAlarmFrameSize, int(tail)))
            refuseFront(result);
        else
            return;
    }
}

void FrameAssembler::take(AssembledFrames& result) {
    countRefused(result);
    result.frames.push_back(buffer_.left(kAlarmFrameSize));
    dropFront(kAlarmFrameSize);
}

void FrameAssembler::dropFront(qsizetype bytes) {
    buffer_.remove(0, bytes);
    std::vector<qsizetype> starts;
    for (qsizetype start : burstStarts_)
        if (start > bytes)
            starts.push_back(start - bytes);
    burstStarts_ = std::move(starts);
}

void FrameAssembler::refuseFront(AssembledFrames& result) {
    // Bytes up to the next place after silence are refused; a frame may begin there.
    const auto next = std::find_if(burstStarts_.begin(), burstStarts_.end(),
                                   [](qsizetype start) { return start > 0; });
    if (next == burstStarts_.end()) {
        refusedFrames_ += frameStartsIn(buffer_.constData(), buffer_.size());
        buffer_.clear();
        burstStarts_.clear();
        if (!silent_)
            discarding_ = true;
        else
            countRefused(result);
        return;
    }
    const qsizetype cut = *next;
    refusedFrames_ += frameStartsIn(buffer_.constData(), cut);
    dropFront(cut);
    countRefused(result);
}

void FrameAssembler::countRefused(AssembledFrames& result) {
    result.refused += refusedFrames_;
    refusedFrames_ = 0;
}

int FrameAssembler::finish() {
    refusedFrames_ += frameStartsIn(buffer_.constData(), buffer_.size());
    AssembledFrames result;
    countRefused(result);
    clear();
    return result.refused;
}

void FrameAssembler::clear() {
    buffer_.clear();
    burstStarts_.clear();
    silent_ = true;
    discarding_ = false;
    refusedFrames_ = 0;
}

} // namespace zor
