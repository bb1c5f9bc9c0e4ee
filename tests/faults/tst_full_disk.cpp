// A download onto a full disk: every import that cannot be written says so plainly, nothing
// is half-written, and once there is room again the next download stores the rest once.
#include "RecordingNotifier.h"
#include "SimulatorProcess.h"
#include "StoreFixture.h"
#include "StoreProbe.h"
#include "UntMain.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace zor;
using test::SimulatorProcess;

namespace {

// Room for the empty store and a first download, far less than a disk.
constexpr auto kDiskOptions = "size=4m";
constexpr int kFirstEvents = 20;
constexpr int kAllEvents = 40;
constexpr int kDownloadTimeoutMs = 60000;
constexpr qsizetype kFillBlockBytes = 64 * 1024;
const QString kFullText = QStringLiteral("disk is full");

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

bool writeText(const char* path, const QByteArray& text) {
    const int fd = ::open(path, O_WRONLY);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, text.constData(), size_t(text.size())) == text.size();
    ::close(fd);
    return written;
}

// Gives this process a mount namespace of its own, so that the small disk it mounts is seen
// by no one else and goes away with it even if it dies. Empty when that worked, else why not.
QString isolateMounts() {
    if (::geteuid() != 0) {
        // Without root a user namespace may still allow it; must happen before any thread.
        const QByteArray uid = QByteArray::number(::geteuid());
        const QByteArray gid = QByteArray::number(::getegid());
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return systemError("unshare of user and mount namespaces");
        if (!writeText("/proc/self/setgroups", "deny") ||
            !writeText("/proc/self/uid_map", "0 " + uid + " 1") ||
            !writeText("/proc/self/gid_map", "0 " + gid + " 1"))
            return systemError("mapping the user into the new namespace");
    } else if (::unshare(CLONE_NEWNS) != 0) {
        return systemError("unshare of the mount namespace");
    }
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return systemError("making mounts private");
    return {};
}

// Fills the file system holding the path to the last byte; true when it ended full.
bool fillDisk(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    const QByteArray block(kFillBlockBytes, 'x');
    // Big blocks first, then ever smaller ones down to single bytes.
    for (qsizetype size = kFillBlockBytes; size > 0; size /= 2) {
        while (::write(fd, block.constData(), size_t(size)) == size) {
        }
    }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full;
}

// Waits for the download under way, if one started, to end.
bool downloadEnds(const TFrmMain& window) {
    return SimulatorProcess::waitFor([&] { return !window.session()->isRunning(); },
                                     kDownloadTimeoutMs);
}

} // namespace

class TestFullDisk : public QObject {
    Q_OBJECT
public:
    explicit TestFullDisk(QString mountRefusal) : mountRefusal_(std::move(mountRefusal)) {}

private slots:
    void init();
    void cleanup();
    void importsOntoAFullDiskFailCleanly();

private:
    QString mountRefusal_;
    std::unique_ptr<QTemporaryDir> base_;
    QString disk_;
    bool mounted_ = false;
};

void TestFullDisk::init() {
    if (!mountRefusal_.isEmpty())
        QSKIP(qPrintable(QStringLiteral("no small disk of our own can be mounted here (") +
                         mountRefusal_ + u')'));
    base_ = std::make_unique<QTemporaryDir>();
    QVERIFY(base_->isValid());
    disk_ = base_->filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(disk_));
    if (::mount("tmpfs", QFile::encodeName(disk_).constData(), "tmpfs", 0, kDiskOptions) != 0)
        QSKIP(qPrintable(QStringLiteral("no small disk of our own can be mounted here (") +
                         systemError("mount -t tmpfs") + u')'));
    mounted_ = true;
}

void TestFullDisk::cleanup() {
    if (mounted_ && ::umount2(QFile::encodeName(disk_).constData(), 0) != 0) {
        qWarning("%s", qPrintable(systemError("umount")));
        ::umount2(QFile::encodeName(disk_).constData(), MNT_DETACH);
    }
    mounted_ = false;
    base_.reset();
}

void TestFullDisk::importsOntoAFullDiskFailCleanly() {
    const QStringList log =
        test::simulatorLog({"--events", QString::number(kAllEvents), "--seed", "57"});
    QCOMPARE(log.size(), kAllEvents);
    const QStringList first = log.mid(0, kFirstEvents);
    const QString storePath = QDir(disk_).filePath(QString::fromLatin1(kStoreFileName));
    Database::createEmpty(storePath);

    test::RecordingNotifier notifier;
    TFrmMain window(notifier, storePath);
    QVERIFY(window.FormCreate());
    test::StoreProbe probe(storePath);
    QVERIFY2(probe.isOpen(), qPrintable(probe.openError()));

    // A first download while there is room.
    test::SimulatorProcess firstDetector;
    QVERIFY(firstDetector.start(
        {"--events", QString::number(kFirstEvents), "--seed", "57", "--gap", "5"}));
    window.cbxComPort->setEditText(firstDetector.devicePath());
    window.BtnGetData->click();
    QVERIFY(downloadEnds(window));
    QCOMPARE(notifier.errors, QStringList());
    QCOMPARE(probe.storedEvents(), first);

    // The disk fills up; the detector now holds twice as many events.
    const QString filler = QDir(disk_).filePath(QStringLiteral("filler"));
    QVERIFY(fillDisk(filler));
    test::SimulatorProcess detector;
    QVERIFY(detector.start(
        {"--events", QString::number(kAllEvents), "--seed", "57", "--gap", "5", "--repeat"}));
    window.cbxComPort->setEditText(detector.devicePath());
    window.BtnGetData->click();
    // Either the history row or the first new event meets the full disk: one message for the
    // download, naming the cause; no new event is stored.
    QVERIFY(downloadEnds(window));
    QCoreApplication::processEvents();
    qInfo("on the full disk: %lld messages, the first: %s", qint64(notifier.errors.size()),
          qPrintable(notifier.errors.value(0)));
    QCOMPARE(notifier.errors.size(), 1);
    QVERIFY2(notifier.errors[0].contains(kFullText, Qt::CaseInsensitive),
             qPrintable(notifier.errors[0]));
    QCOMPARE(notifier.informations, QStringList());
    QCOMPARE(probe.integrity(), QStringLiteral("ok"));
    QCOMPARE(probe.countDisagreement(), QString());
    QCOMPARE(probe.storedEvents(), first);
    QCOMPARE(window.ARGrid->totalRows(), qint64(kFirstEvents));

    // With room again the same download stores the rest, each event once.
    QVERIFY(QFile::remove(filler));
    const QStringList errorsOnFullDisk = notifier.errors;
    window.BtnGetData->click();
    QVERIFY2(downloadEnds(window), qPrintable(notifier.errors.join(u'\n')));
    QCOMPARE(window.session()->outcome(), DownloadOutcome::Finished);
    QCOMPARE(notifier.errors, errorsOnFullDisk);
    QCOMPARE(probe.storedEvents(), log);
    QCOMPARE(window.ARGrid->totalRows(), qint64(kAllEvents));
    QCOMPARE(probe.integrity(), QStringLiteral("ok"));
    QCOMPARE(probe.countDisagreement(), QString());
}

int main(int argc, char** argv) {
    // Before the application starts any thread.
    const QString mountRefusal = isolateMounts();
    QApplication app(argc, argv);
    TestFullDisk test(mountRefusal);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_full_disk.moc"
