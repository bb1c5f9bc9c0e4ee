#pragma once

#include <QByteArray>
#include <QDateTime>
#include <vector>

namespace zor::sim {

// A command the detector recognised in what it received.
struct DetectorCommand {
    enum class Kind { Read, SetClock };
    Kind kind = Kind::Read;
    QDateTime clock; // set-clock only: the date and time sent
    int weekday = 0; // set-clock only: 0 = Sunday
};

// Finds the 13-byte command frames anywhere in the incoming byte stream, across chunk
// borders; everything else is skipped.
class CommandScanner {
public:
    std::vector<DetectorCommand> feed(const QByteArray& bytes);

private:
    QByteArray buffer_;
};

} // namespace zor::sim
