#pragma once

#include <QByteArray>
#include <QString>

namespace zor::sim {

// A pseudo-terminal pair whose master side we hold; the slave path is what a serial
// program opens. Both directions pass bytes unchanged (raw mode, no echo).
class PseudoTerminal {
public:
    // Opens a new pair; throws std::runtime_error when the system refuses.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int masterFd() const { return master_; }
    const QString& slavePath() const { return slavePath_; }

    // Keeps a slave descriptor of our own open, so the master never reads end-of-file or EIO
    // while the program under test has the slave closed.
    void holdSlave();

    // Bytes sent to the slave that nobody has read yet (needs holdSlave).
    qsizetype unreadBySlave() const;

    // Closes the master side: an open slave sees a hang-up.
    void closeMaster();

    // Writes every byte, waiting up to timeoutMs for room each time the buffer is full.
    bool writeAll(const QByteArray& bytes, int timeoutMs);

    // Waits up to timeoutMs for input and returns what is there (empty on time-out or error).
    QByteArray readAvailable(int timeoutMs);

private:
    int master_ = -1;
    int heldSlave_ = -1;
    QString slavePath_;
};

} // namespace zor::sim
