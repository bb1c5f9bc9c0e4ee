#include "TComm.h"

#include "CommReader.h"
#include "PortNames.h"
#include "UserError.h"

namespace zor {

namespace {
constexpr auto kAlreadyOpenText = "This serial port already opened";
}

TComm::TComm(QObject* parent) : QObject(parent) {}

TComm::~TComm() {
    StopComm();
}

void TComm::StartComm() {
    if (reader_)
        throw UserError(QString::fromLatin1(kAlreadyOpenText));
    const quint64 opening = ++opening_;
    // Hand-overs travel as queued calls to this object, so they arrive on its thread in order;
    // one from an opening that has since been stopped is dropped there.
    auto handOver = [this, opening](auto emitOnOwner) {
        QMetaObject::invokeMethod(
            this,
            [this, opening, emitOnOwner] {
                if (opening == opening_)
                    emitOnOwner();
            },
            Qt::QueuedConnection);
    };
    auto handOverChunk = [this, handOver](const QByteArray& chunk, bool endedBySilence) {
        handOver([this, chunk, endedBySilence] { emit ReceiveData(chunk, endedBySilence); });
    };
    auto handOverLoss = [this, handOver] { handOver([this] { emit LinkLost(); }); };
    auto reader = std::make_unique<CommReader>(devicePathFor(CommName), std::move(handOverChunk),
                                               std::move(handOverLoss));
    try {
        reader->open();
    } catch (const PortOpenError& e) {
        throw PortOpenError(e.text(), e.cause().arg(portLabel()));
    }
    reader_ = std::move(reader);
}

QString TComm::portLabel() const {
    const QString path = devicePathFor(CommName);
    return path == CommName ? path : QStringLiteral("%1 (%2)").arg(CommName, path);
}

void TComm::StopComm() {
    if (!reader_)
        return;
    ++opening_;
    reader_->stop();
    reader_.reset();
}

bool TComm::WriteCommData(const char* data, quint16 size) {
    if (!reader_ || data == nullptr || size == 0)
        return false;
    return reader_->queueWrite(QByteArray(data, size));
}

bool TComm::waitForSent(int timeoutMs) {
    return reader_ && reader_->waitForSent(timeoutMs);
}

} // namespace zor
