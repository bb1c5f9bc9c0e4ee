#pragma once

#include "CommandScanner.h"
#include "SimEvent.h"
#include "SimRandom.h"

#include <QString>
#include <functional>
#include <vector>

namespace zor::sim {

class PseudoTerminal;

// How the simulated link delivers the answer to a read command.
struct LinkOptions {
    int gapMs = 30;          // pause between frames
    bool backToBack = false; // no pause between frames at all
    int splitBytes = 0;      // when above 0, each frame goes out in pieces of this size
    int garbageBytes = 0;    // random bytes sent before each frame, a pause apart from it
    int noiseEvery = 0;      // when above 0, every so many frames get one noise byte inside
    int invalidEvery = 0;    // when above 0, an invalid frame follows every so many valid ones
    bool repeat = false;     // answer every read command, not only the first
    int exitAfterReads = 0;  // when above 0, end after answering so many read commands
    quint64 seed = 1;        // for garbage bytes
};

// The detector's side of the link: waits for commands on the master side of a
// pseudo-terminal and answers them, until stopFd becomes readable.
class Detector {
public:
    using Report = std::function<void(const QString&)>;

    Detector(PseudoTerminal& pty, std::vector<SimEvent> log, const LinkOptions& options, int stopFd,
             Report report);

    // Runs until stopped or, with exitAfterReads, until the last answer has been taken.
    void run();

    // The detector's own clock, as last set by a set-clock command.
    QDateTime clock() const;

private:
    void handle(const DetectorCommand& command);
    void answerRead();
    bool sendFrame(const QByteArray& frame);
    bool sendGarbage();
    bool send(const QByteArray& bytes);
    bool pause(int ms);
    void waitUntilTaken();

    PseudoTerminal& pty_;
    const std::vector<SimEvent> log_;
    const LinkOptions options_;
    const int stopFd_;
    const Report report_;
    CommandScanner scanner_;
    SimRandom random_;
    int readsAnswered_ = 0;
    int invalidSent_ = 0;
    qint64 clockOffsetSecs_ = 0;
    bool stopping_ = false;
};

} // namespace zor::sim
