#include "FrameAssembler.h"

#include "AlarmFrame.h"

namespace zor {

std::vector<QByteArray> FrameAssembler::append(const QByteArray& chunk) {
    buffer_.append(chunk);
    std::vector<QByteArray> frames;
    qsizetype begin = 0;
    while (begin < buffer_.size()) {
        const qsizetype available = std::min<qsizetype>(buffer_.size() - begin, kAlarmFrameSize);
        if (!CouldBeginFrame(buffer_.constData() + begin, int(available))) {
            // This byte cannot begin a frame: resynchronise on the next one.
            ++begin;
            continue;
        }
        if (available < kAlarmFrameSize)
            break;
        frames.push_back(buffer_.mid(begin, kAlarmFrameSize));
        begin += kAlarmFrameSize;
    }
    buffer_.remove(0, begin);
    return frames;
}

void FrameAssembler::clear() {
    buffer_.clear();
}

} // namespace zor
