// Taking alarm record frames out of a byte stream cut into arbitrary chunks.
#include "FrameAssembler.h"

#include <QTest>

using namespace zor;

using Chunks = QList<QByteArray>;
using Frames = QList<QByteArray>;

namespace {

constexpr qsizetype kMaxKept = 31;

const QByteArray kCoFrame = QByteArray::fromHex("AA00F01A18011A080F1E003218011A0810020096"
                                                "18011A08142D001901010055");

// A valid frame that differs from the others in its start second and gas.
QByteArray frameNo(int n) {
    QByteArray frame = kCoFrame;
    frame[9] = char(n % 60);
    frame[8] = char((n / 60) % 60);
    frame[28] = char(1 + n % 20);
    return frame;
}

// Deterministic noise that is rich in marker bytes, so resynchronisation is exercised.
QByteArray garbage(int size, quint32 seed) {
    static const char kTricky[] = {char(0xAA), char(0xF0), char(0x1A), char(0x55), 0x00, 0x18};
    QByteArray bytes;
    quint32 state = seed;
    for (int i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        const quint32 pick = state >> 24;
        bytes.append(pick % 3 == 0 ? kTricky[pick % sizeof(kTricky)] : char(state >> 16));
    }
    return bytes;
}

struct Run {
    Frames frames;
    qsizetype maxKept = 0;
};

Run feed(FrameAssembler& assembler, const Chunks& chunks) {
    Run run;
    for (const QByteArray& chunk : chunks) {
        for (QByteArray& frame : assembler.append(chunk))
            run.frames.append(std::move(frame));
        run.maxKept = std::max(run.maxKept, assembler.pending());
    }
    return run;
}

Run feed(const Chunks& chunks) {
    FrameAssembler assembler;
    return feed(assembler, chunks);
}

// Cuts a stream into chunks of pseudo-random sizes from 1 to maxSize.
Chunks cut(const QByteArray& stream, quint32 seed, int maxSize) {
    Chunks chunks;
    quint32 state = seed;
    for (qsizetype at = 0; at < stream.size();) {
        state = state * 1103515245u + 12345u;
        const qsizetype size = 1 + (state >> 16) % maxSize;
        chunks.append(stream.mid(at, size));
        at += size;
    }
    return chunks;
}

} // namespace

class TestFrameAssembler : public QObject {
    Q_OBJECT

private slots:
    void takesFrames_data();
    void takesFrames();
    void everySplitPoint();
    void sameStreamCutTwoWays();
    void keptBytesStayBoundedOnEndlessGarbage();
    void keepsOnlyAPossiblePrefix();
    void clearForgetsKeptBytes();
};

void TestFrameAssembler::takesFrames_data() {
    QTest::addColumn<Chunks>("chunks");
    QTest::addColumn<Frames>("expected");

    const QByteArray a = frameNo(1);
    const QByteArray b = frameNo(2);
    const QByteArray g = garbage(45, 7);

    QTest::newRow("one frame") << Chunks{a} << Frames{a};
    QTest::newRow("two frames in one chunk") << Chunks{a + b} << Frames{a, b};
    QTest::newRow("split over two chunks") << Chunks{a.left(10), a.mid(10) + b} << Frames{a, b};
    QTest::newRow("split across three chunks with empty ones")
        << Chunks{QByteArray(), a.left(1), QByteArray(), a.mid(1, 30), a.right(1)} << Frames{a};
    QTest::newRow("garbage before") << Chunks{g + a} << Frames{a};
    QTest::newRow("garbage between") << Chunks{a + g + b} << Frames{a, b};
    QTest::newRow("garbage after") << Chunks{a + g} << Frames{a};
    QTest::newRow("only garbage") << Chunks{g, g, g} << Frames{};
    QTest::newRow("0xAA right before a frame")
        << Chunks{QByteArray(1, char(0xAA)) + a} << Frames{a};
    QTest::newRow("0xAA in its own chunk before a frame")
        << Chunks{QByteArray(1, char(0xAA)), a} << Frames{a};
    QTest::newRow("false header right before a frame")
        << Chunks{QByteArray::fromHex("AA00F01A18") + a} << Frames{a};
    QTest::newRow("truncated frame then a frame") << Chunks{a.left(20) + b} << Frames{b};
    QTest::newRow("frame without end marker then a frame") << Chunks{a.left(31), b} << Frames{b};
    QTest::newRow("frame with a bad month then a frame") << Chunks{[&] {
        QByteArray bad = a;
        bad[13] = 13;
        return bad;
    }() + b} << Frames{b};

    QByteArray feb30 = kCoFrame;
    feb30[5] = 2;
    feb30[6] = 30;
    QTest::newRow("calendar-invalid frame is left to the decoder")
        << Chunks{feb30, a} << Frames{feb30, a};

    Frames many;
    QByteArray backToBack;
    for (int i = 0; i < 64; ++i) {
        many.append(frameNo(i));
        backToBack.append(many.back());
    }
    QTest::newRow("1024-byte chunks of frames")
        << Chunks{backToBack.left(1024), backToBack.mid(1024)} << many;
    QTest::newRow("1024-byte chunks not on frame borders")
        << Chunks{g.left(5) + backToBack.left(1019), backToBack.mid(1019, 1024),
                  backToBack.mid(2043)}
        << many;
}

void TestFrameAssembler::takesFrames() {
    QFETCH(Chunks, chunks);
    QFETCH(Frames, expected);
    const Run run = feed(chunks);
    QCOMPARE(run.frames, expected);
    QVERIFY2(run.maxKept <= kMaxKept, qPrintable(QString::number(run.maxKept)));
}

void TestFrameAssembler::everySplitPoint() {
    const QByteArray a = frameNo(3);
    const QByteArray b = frameNo(4);
    const QByteArray stream = garbage(3, 11) + a + garbage(5, 12) + b;
    for (qsizetype split = 0; split <= stream.size(); ++split) {
        const Run run = feed(Chunks{stream.left(split), stream.mid(split)});
        QVERIFY2(run.frames == (Frames{a, b}),
                 qPrintable(QStringLiteral("split at %1").arg(split)));
    }
}

void TestFrameAssembler::sameStreamCutTwoWays() {
    Frames expected;
    QByteArray stream;
    for (int i = 0; i < 40; ++i) {
        expected.append(frameNo(i));
        stream.append(garbage(i % 7 * 3, quint32(i)) + expected.back());
    }
    const Run whole = feed(Chunks{stream});
    const Run small = feed(cut(stream, 1, 5));
    const Run large = feed(cut(stream, 2, 300));
    QCOMPARE(whole.frames, expected);
    QCOMPARE(small.frames, expected);
    QCOMPARE(large.frames, expected);
}

void TestFrameAssembler::keptBytesStayBoundedOnEndlessGarbage() {
    FrameAssembler assembler;
    // Repeated valid prefixes that never complete, then random noise.
    const QByteArray prefix = kCoFrame.left(30);
    for (int i = 0; i < 200; ++i) {
        QVERIFY(assembler.append(prefix).empty());
        QVERIFY(assembler.pending() <= kMaxKept);
    }
    for (int i = 0; i < 100; ++i) {
        QVERIFY(assembler.append(garbage(1000, quint32(100 + i))).empty());
        QVERIFY(assembler.pending() <= kMaxKept);
    }
    // A real frame still comes through after all that.
    const auto frames = assembler.append(kCoFrame);
    QCOMPARE(frames.size(), size_t(1));
    QCOMPARE(frames.front(), kCoFrame);
}

void TestFrameAssembler::keepsOnlyAPossiblePrefix() {
    FrameAssembler assembler;
    QVERIFY(assembler.append(QByteArray::fromHex("0055F01A")).empty());
    QCOMPARE(assembler.pending(), 0);
    QVERIFY(assembler.append(kCoFrame.left(20)).empty());
    QCOMPARE(assembler.pending(), 20);
    QCOMPARE(assembler.append(kCoFrame.mid(20)).size(), size_t(1));
    QCOMPARE(assembler.pending(), 0);
}

void TestFrameAssembler::clearForgetsKeptBytes() {
    FrameAssembler assembler;
    QVERIFY(assembler.append(kCoFrame.left(20)).empty());
    assembler.clear();
    QCOMPARE(assembler.pending(), 0);
    // The tail of the old frame alone is not a frame.
    QVERIFY(assembler.append(kCoFrame.mid(20)).empty());
    const auto frames = assembler.append(kCoFrame);
    QCOMPARE(frames.size(), size_t(1));
    QCOMPARE(frames.front(), kCoFrame);
}

QTEST_GUILESS_MAIN(TestFrameAssembler)
#include "tst_frame_assembler.moc"
