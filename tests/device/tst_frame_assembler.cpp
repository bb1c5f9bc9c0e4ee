// Taking alarm record frames out of a byte stream cut into chunks, and only where the stream
// shows them intact: a frame damaged on the line never comes out with shifted values.
#include "AlarmFrame.h"
#include "FrameAssembler.h"

#include <QTest>

using namespace zor;

namespace {

// One chunk as the link hands it over.
struct Chunk {
    QByteArray bytes;
    bool silenceAfter = true;
};
using Chunks = QList<Chunk>;
using Frames = QList<QByteArray>;

constexpr qsizetype kMostHeld = 2 * kAlarmFrameSize - 1;

// A valid frame whose free bytes (1 and 30) hold 0x55, so that bytes shifted by one place
// can still pass every check; n makes its start second and gas its own.
QByteArray frameNo(int n) {
    QByteArray frame = QByteArray::fromHex("AA55F01A18011A080F1E003218011A0810020096"
                                           "18011A08142D001901015555");
    frame[9] = char(n % 60);
    frame[8] = char((n / 60) % 60);
    frame[28] = char(1 + n % 20);
    return frame;
}

// A valid frame that stays valid when shifted by one place anywhere in bytes 4 to 30: every
// time byte is 1, the readings' low bytes are 1, gas and unit codes fit either place, and
// the free byte 30 holds 0x55. n is the start reading's high byte, free in both places.
QByteArray shiftableFrame(int n) {
    QByteArray frame(kAlarmFrameSize, char(1));
    frame[0] = char(0xAA);
    frame[1] = char(0x55);
    frame[2] = char(0xF0);
    frame[3] = char(0x1A);
    frame[10] = char(n);
    frame[28] = char(1 + n % 3);
    frame[29] = char(1 + (n + 1) % 3);
    frame[30] = char(0x55);
    frame[31] = char(0x55);
    return frame;
}

// Deterministic noise rich in marker bytes.
QByteArray noise(int size, quint32 seed) {
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
    int refused = 0;
    qsizetype mostHeld = 0;
};

Run feed(FrameAssembler& assembler, const Chunks& chunks) {
    Run run;
    for (const Chunk& chunk : chunks) {
        AssembledFrames out = assembler.append(chunk.bytes, chunk.silenceAfter);
        for (QByteArray& frame : out.frames)
            run.frames.append(std::move(frame));
        run.refused += out.refused;
        run.mostHeld = std::max(run.mostHeld, assembler.pending());
    }
    run.refused += assembler.finish();
    return run;
}

Run feed(const Chunks& chunks) {
    FrameAssembler assembler;
    return feed(assembler, chunks);
}

// True when every frame yielded is one of the intact ones, in the order they were sent.
bool onlyIntact(const Frames& yielded, const Frames& intact) {
    qsizetype next = 0;
    for (const QByteArray& frame : yielded) {
        next = intact.indexOf(frame, next);
        if (next < 0)
            return false;
        ++next;
    }
    return true;
}

// Ways the line can damage one frame.
QByteArray withInserted(const QByteArray& frame, int at, int count) {
    // Copies of the bytes that follow fit their places best, so the shift passes most checks.
    return frame.left(at) + frame.mid(at, count) + frame.mid(at);
}
QByteArray withDropped(const QByteArray& frame, int at, int count) {
    return frame.left(at) + frame.mid(at + count);
}

} // namespace

Q_DECLARE_METATYPE(Chunks)

class TestFrameAssembler : public QObject {
    Q_OBJECT

private slots:
    void takesIntactFrames_data();
    void takesIntactFrames();
    void damagedFrameNeverYieldsARecord_data();
    void damagedFrameNeverYieldsARecord();
    void insertedBytesWouldOftenPassTheChecks();
    void everySplitPoint();
    void cutAtTheChunkLimit();
    void heldBytesStayBoundedOnEndlessNoise();
    void finishAndClear();
};

void TestFrameAssembler::takesIntactFrames_data() {
    QTest::addColumn<Chunks>("chunks");
    QTest::addColumn<Frames>("expected");
    // Refused frames: noise without a frame's header counts as none.
    QTest::addColumn<int>("refused");

    const QByteArray a = frameNo(1);
    const QByteArray b = frameNo(2);
    const QByteArray c = frameNo(3);
    const QByteArray g = noise(45, 7);
    QByteArray badMonth = a;
    badMonth[13] = 13;
    QByteArray feb30 = a;
    feb30[5] = 2;
    feb30[6] = 30;

    QTest::newRow("one frame") << Chunks{{a}} << Frames{a} << 0;
    QTest::newRow("back to back in one chunk") << Chunks{{a + b + c}} << Frames{a, b, c} << 0;
    QTest::newRow("split over chunks")
        << Chunks{{a.left(10), false}, {a.mid(10) + b.left(3), false}, {b.mid(3)}} << Frames{a, b}
        << 0;
    QTest::newRow("empty chunks between pieces")
        << Chunks{{{}, false}, {a.left(1), false}, {{}, false}, {a.mid(1)}} << Frames{a} << 0;
    // Silence inside a frame breaks it: the pieces are never joined.
    QTest::newRow("pause inside a frame") << Chunks{{a.left(5)}, {a.mid(5) + b}} << Frames{} << 2;
    QTest::newRow("marker byte, silence, frame")
        << Chunks{{QByteArray(1, char(0xAA))}, {a}} << Frames{a} << 0;
    QTest::newRow("separated by silence") << Chunks{{a}, {b}, {c}} << Frames{a, b, c} << 0;
    QTest::newRow("noise, silence, frame") << Chunks{{g}, {a}} << Frames{a} << 0;
    QTest::newRow("frame, silence, noise") << Chunks{{a}, {g}} << Frames{a} << 0;
    QTest::newRow("noise running into a frame") << Chunks{{g + a}} << Frames{} << 1;
    QTest::newRow("one marker byte running into a frame")
        << Chunks{{QByteArray(1, char(0xAA)) + a}} << Frames{} << 1;
    QTest::newRow("noise running out of a frame") << Chunks{{a + g}} << Frames{} << 1;
    QTest::newRow("one byte after a frame") << Chunks{{a + QByteArray(1, 0)}} << Frames{} << 1;
    QTest::newRow("truncated frame, silence, frame") << Chunks{{a.left(20)}, {b}} << Frames{b} << 1;
    QTest::newRow("frame followed by a truncated one") << Chunks{{a + b.left(20)}} << Frames{} << 2;
    QTest::newRow("bad month, silence, frame") << Chunks{{badMonth}, {b}} << Frames{b} << 1;
    QTest::newRow("frame before a bad month is refused with it")
        << Chunks{{a + badMonth}} << Frames{} << 2;
    QTest::newRow("refused burst, then a good one") << Chunks{{g + a + b}, {c}} << Frames{c} << 2;
    // The calendar is Decode's to judge.
    QTest::newRow("30 February passes") << Chunks{{feb30}} << Frames{feb30} << 0;
    QTest::newRow("only noise") << Chunks{{g, false}, {g}, {g}} << Frames{} << 0;
}

void TestFrameAssembler::takesIntactFrames() {
    QFETCH(Chunks, chunks);
    QFETCH(Frames, expected);
    QFETCH(int, refused);
    const Run run = feed(chunks);
    QCOMPARE(run.frames, expected);
    QCOMPARE(run.refused, refused);
}

void TestFrameAssembler::damagedFrameNeverYieldsARecord_data() {
    QTest::addColumn<QByteArray>("damaged");
    for (int count = 1; count <= 3; ++count) {
        for (int at = 4; at <= 29; ++at)
            QTest::addRow("%d inserted at %d", count, at)
                << withInserted(shiftableFrame(7), at, count);
        for (int at = 0; at + count <= kAlarmFrameSize; ++at)
            QTest::addRow("%d dropped at %d", count, at)
                << withDropped(shiftableFrame(7), at, count);
    }
}

void TestFrameAssembler::damagedFrameNeverYieldsARecord() {
    QFETCH(QByteArray, damaged);
    const QByteArray before = shiftableFrame(1);
    const QByteArray after = shiftableFrame(2);
    const Frames intact = {before, after};
    // Alone between pauses, back to back between intact frames, and apart from them.
    const Run alone = feed({{damaged}});
    QCOMPARE(alone.frames, Frames{});
    QVERIFY(alone.refused >= 1);

    const Run between = feed({{before + damaged + after}});
    QVERIFY(onlyIntact(between.frames, intact));
    QVERIFY(between.refused >= 1);

    const Run apart = feed({{before}, {damaged}, {after}});
    QCOMPARE(apart.frames, intact);
    QCOMPARE(apart.refused, 1);

    // However the link cuts the stream.
    const QByteArray stream = before + damaged + after;
    for (qsizetype cut = 1; cut < stream.size(); ++cut) {
        const Run split = feed({{stream.left(cut), false}, {stream.mid(cut)}});
        QVERIFY2(onlyIntact(split.frames, intact), qPrintable(QString::number(cut)));
    }
}

void TestFrameAssembler::insertedBytesWouldOftenPassTheChecks() {
    // The fixture has teeth: a single inserted byte anywhere in bytes 4 to 29 leaves 32 bytes
    // that pass every check, which a plain scan would store with wrong values.
    QVERIFY(CouldBeginFrame(shiftableFrame(7).constData(), kAlarmFrameSize));
    for (int at = 4; at <= 29; ++at) {
        const QByteArray shifted = withInserted(shiftableFrame(7), at, 1).left(kAlarmFrameSize);
        QVERIFY2(CouldBeginFrame(shifted.constData(), kAlarmFrameSize),
                 qPrintable(QString::number(at)));
        QVERIFY(shifted != shiftableFrame(7) || at == 29);
    }
}

void TestFrameAssembler::everySplitPoint() {
    const QByteArray stream = frameNo(1) + frameNo(2) + frameNo(3);
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        for (qsizetype second = cut; second <= stream.size(); second += 7) {
            const Run run = feed({{stream.left(cut), false},
                                  {stream.mid(cut, second - cut), false},
                                  {stream.mid(second)}});
            QCOMPARE(run.frames, (Frames{frameNo(1), frameNo(2), frameNo(3)}));
            QCOMPARE(run.refused, 0);
        }
    }
}

void TestFrameAssembler::cutAtTheChunkLimit() {
    // 40 frames back to back arrive as a full chunk, cut inside the 33rd frame, and the rest.
    Frames sent;
    QByteArray stream;
    for (int i = 0; i < 40; ++i) {
        sent << frameNo(i);
        stream += sent.last();
    }
    const Run run = feed({{stream.left(1024), false}, {stream.mid(1024)}});
    QCOMPARE(run.frames, sent);
    QCOMPARE(run.refused, 0);
    QVERIFY(run.mostHeld <= kMostHeld);
}

void TestFrameAssembler::heldBytesStayBoundedOnEndlessNoise() {
    FrameAssembler assembler;
    Run run;
    QByteArray all;
    for (quint32 seed = 0; seed < 200; ++seed) {
        const QByteArray bytes = noise(1024, seed);
        all += bytes;
        AssembledFrames out = assembler.append(bytes, false);
        QVERIFY(out.frames.empty());
        run.mostHeld = std::max(run.mostHeld, assembler.pending());
    }
    QVERIFY(run.mostHeld <= kMostHeld);
    // Refused noise counts the frame headers that appeared in it.
    QCOMPARE(assembler.finish(), refusedFrameCount(all));
    // The next burst is judged afresh.
    QCOMPARE(feed(assembler, {{frameNo(1)}}).frames, Frames{frameNo(1)});
}

void TestFrameAssembler::finishAndClear() {
    FrameAssembler assembler;
    // A frame still waiting for what follows it when the port closes is refused.
    QVERIFY(assembler.append(frameNo(1), false).frames.empty());
    QCOMPARE(assembler.pending(), kAlarmFrameSize);
    QCOMPARE(assembler.finish(), 1);
    QCOMPARE(assembler.pending(), 0);
    // Reopening forgets held bytes without counting them.
    QVERIFY(assembler.append(frameNo(1).left(9), false).frames.empty());
    assembler.clear();
    QCOMPARE(assembler.pending(), 0);
    QCOMPARE(assembler.finish(), 0);
    const AssembledFrames out = assembler.append(frameNo(2), true);
    QCOMPARE(out.frames.size(), size_t(1));
    QCOMPARE(out.refused, 0);
}

QTEST_GUILESS_MAIN(TestFrameAssembler)
#include "tst_frame_assembler.moc"
