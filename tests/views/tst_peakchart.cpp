#include "ListingFixture.h"
#include "PeakChart.h"

#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

using namespace zor;
using test::ListingFixture;
using test::record;

namespace {

constexpr QSize kChartSize(950, 421);

bool isReddish(QRgb c) {
    return qRed(c) > 200 && qGreen(c) < 90 && qBlue(c) < 90;
}

// Some pixel of the rectangle passes the test.
bool anyPixel(const QImage& image, const QRect& box, const std::function<bool(QRgb)>& test) {
    const QRect r = box.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (test(image.pixel(x, y)))
                return true;
    return false;
}

QImage render(const PeakChart& chart) {
    QImage image(kChartSize, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    chart.paint(painter, image.rect());
    return image;
}

// Every point as position, plotted value, key and label.
QStringList plotted(const PeakChart& chart) {
    QStringList out;
    for (const ChartPoint& p : chart.points())
        out << QString("%1 %2 %3 %4").arg(p.x).arg(p.y).arg(p.id).arg(chart.series().label(p));
    return out;
}

// Every point of the window shows its marker with a red mark above it.
void checkShownPoints(const QImage& image, const PeakChart& chart) {
    const ChartGeometry g = chartGeometry(image.rect(), chart.series());
    int shown = 0;
    for (const ChartPoint& p : chart.points()) {
        if (p.x < chart.ChartWindowFirst() || p.x > chart.ChartWindowLast())
            continue;
        ++shown;
        const QPoint at = g.pointAt(p.x, p.y).toPoint();
        QVERIFY(g.plot.contains(at));
        QCOMPARE(QColor(image.pixel(at)), pointColour(p.x));
        QVERIFY2(isReddish(image.pixel(at.x(), at.y() - 8)), qPrintable(QString::number(p.x)));
        QVERIFY(anyPixel(image, QRect(at.x() - 8, at.y() - 32, 17, 14), isReddish));
    }
    QCOMPARE(shown, 13);
}

} // namespace

class TestPeakChart : public QObject {
    Q_OBJECT
private slots:
    void roundsHalfToEven_data();
    void roundsHalfToEven();
    void windowSlidesOverTheListing_data();
    void windowSlidesOverTheListing();
    void pointsFollowTheListing();
    void labelsUseTheLocaleSeparators_data();
    void labelsUseTheLocaleSeparators();
    void peakIsRoundedButGridKeepsIt();
    void leftAxisSpansEveryPoint();
    void rebuildResetsWindowAndPoints();
    void rebuildFollowsEveryChange_data();
    void rebuildFollowsEveryChange();
    void renderShowsPointsAndMarks();
    void emptyChartRenders();
};

void TestPeakChart::roundsHalfToEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");
    QTest::newRow("20.5 down to even") << 20.5 << 20.0;
    QTest::newRow("21.5 up to even") << 21.5 << 22.0;
    QTest::newRow("20.9 nearest") << 20.9 << 21.0;
    QTest::newRow("20.4 nearest") << 20.4 << 20.0;
    QTest::newRow("0.5 to zero") << 0.5 << 0.0;
    QTest::newRow("2.5 to 2") << 2.5 << 2.0;
    QTest::newRow("-1.5 to -2") << -1.5 << -2.0;
    QTest::newRow("-2.5 to -2") << -2.5 << -2.0;
    QTest::newRow("whole stays") << 150.0 << 150.0;
    QTest::newRow("just above a half") << 20.500001 << 21.0;
}

void TestPeakChart::roundsHalfToEven() {
    QFETCH(double, value);
    QFETCH(double, expected);
    QCOMPARE(roundHalfEven(value), expected);
}

void TestPeakChart::windowSlidesOverTheListing_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("forwardSteps");
    QTest::newRow("empty") << 0 << 0 << 0;
    QTest::newRow("5 rows inside 1..13") << 5 << 5 << 0;
    QTest::newRow("13 rows fill the window") << 13 << 13 << 0;
    QTest::newRow("20 rows: seven steps to 8..20") << 20 << 20 << 7;
    QTest::newRow("1500 rows: 1000 points, window runs to 1500") << 1500 << 1000 << 1487;
}

void TestPeakChart::windowSlidesOverTheListing() {
    QFETCH(int, rows);
    QFETCH(int, points);
    QFETCH(int, forwardSteps);
    ListingFixture f;
    f.addMany(rows);
    f.reload();
    PeakChart chart;
    chart.rebuild(*f.model);
    QCOMPARE(int(chart.points().size()), points);
    QCOMPARE(chart.ChartWindowFirst(), 1);
    QCOMPARE(chart.ChartWindowLast(), 13);
    // The walk fetched no more than it needed.
    QVERIFY(f.model->rowCount() <= PeakSeries::kMaxPoints + ListingModel::kPageRows);

    QVERIFY(!chart.prior());
    int steps = 0;
    while (chart.next(f.model->totalRows())) {
        ++steps;
        QCOMPARE(chart.ChartWindowLast() - chart.ChartWindowFirst(), PeakSeries::kWindowSpan);
    }
    QCOMPARE(steps, forwardSteps);
    QCOMPARE(chart.ChartWindowFirst(), 1 + forwardSteps);
    QCOMPARE(chart.ChartWindowLast(), 13 + forwardSteps);
    QVERIFY(!chart.next(f.model->totalRows()));

    int back = 0;
    while (chart.prior())
        ++back;
    QCOMPARE(back, forwardSteps);
    QCOMPARE(chart.ChartWindowFirst(), 1);
    QCOMPARE(chart.ChartWindowLast(), 13);
}

void TestPeakChart::pointsFollowTheListing() {
    ListingFixture f;
    f.addMany(30, [](int i) { return 100.0 + i; });
    f.reload();
    PeakChart chart;
    chart.rebuild(*f.model);
    QCOMPARE(int(chart.points().size()), 30);
    for (int i = 0; i < 30; ++i) {
        QCOMPARE(chart.points()[i].x, i + 1);
        QCOMPARE(chart.points()[i].y, 100.0 + i);
    }
}

void TestPeakChart::labelsUseTheLocaleSeparators_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("label");
    QTest::newRow("C: slash and colon") << QLocale::c() << "CO\r24/01/26\r08:16:02";
    QTest::newRow("German: dots in the date")
        << QLocale(QLocale::German, QLocale::Germany) << "CO\r24.01.26\r08:16:02";
    QTest::newRow("Finnish: dots in the time too")
        << QLocale(QLocale::Finnish, QLocale::Finland) << "CO\r24.01.26\r08.16.02";
}

void TestPeakChart::labelsUseTheLocaleSeparators() {
    QFETCH(QLocale, locale);
    QFETCH(QString, label);
    ListingFixture f(locale);
    f.import(record("CO", "2024-01-26 08:15:30", 50, "2024-01-26 08:16:02", 150,
                    "2024-01-26 08:20:00", 20));
    f.reload();
    PeakChart chart;
    chart.rebuild(*f.model);
    QCOMPARE(chart.points().size(), size_t(1));
    QCOMPARE(chart.series().label(chart.points()[0]), label);
}

void TestPeakChart::peakIsRoundedButGridKeepsIt() {
    ListingFixture f;
    f.import(record("H2S", "2024-01-26 08:15:30", 5.5, "2024-01-26 08:16:02", 20.9,
                    "2024-01-26 08:20:00", 2.5));
    f.reload();
    PeakChart chart;
    chart.rebuild(*f.model);
    QCOMPARE(chart.points()[0].y, 21.0);
    QCOMPARE(f.model->index(0, ListingModel::PeakValue).data().toString(), QString("20.9"));
}

void TestPeakChart::leftAxisSpansEveryPoint() {
    ListingFixture f;
    f.addMany(20, [](int i) { return i == 19 ? 500.0 : 5.0; });
    f.reload();
    PeakChart chart;
    chart.resize(kChartSize);
    chart.rebuild(*f.model);
    QCOMPARE(chart.points().back().y, 500.0);
    const AxisRange axis = chart.leftAxisRange();
    QVERIFY2(axis.max >= 500 && axis.min <= 5,
             qPrintable(QString("axis %1..%2").arg(axis.min).arg(axis.max)));
    // Sliding never rescales the axis.
    QVERIFY(chart.next(f.model->totalRows()));
    QCOMPARE(chart.leftAxisRange(), axis);
}

void TestPeakChart::rebuildResetsWindowAndPoints() {
    ListingFixture f;
    f.addMany(
        20, [](int) { return 10.0; }, "CO");
    f.addMany(
        3, [](int) { return 7.0; }, "O2");
    f.reload();
    PeakChart chart;
    chart.rebuild(*f.model);
    QCOMPARE(chart.points().size(), size_t(23));
    QVERIFY(chart.next(f.model->totalRows()));
    QVERIFY(chart.next(f.model->totalRows()));
    QCOMPARE(chart.ChartWindowFirst(), 3);

    f.reload(ListingFilter{"O2", {}, {}});
    chart.rebuild(*f.model);
    QCOMPARE(chart.ChartWindowFirst(), 1);
    QCOMPARE(chart.ChartWindowLast(), 13);
    QCOMPARE(chart.points().size(), size_t(3));
    for (const ChartPoint& p : chart.points())
        QVERIFY(chart.series().label(p).startsWith("O2\r"));
}

void TestPeakChart::rebuildFollowsEveryChange_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("change");
    using C = test::StoreChange;
    QTest::newRow("nothing new") << 30 << int(C::Nothing);
    QTest::newRow("newest event") << 30 << int(C::NewestEvent);
    QTest::newRow("newest event pushes the 1000th point out") << 1005 << int(C::NewestEvent);
    QTest::newRow("two newest events") << 30 << int(C::TwoNewestEvents);
    QTest::newRow("event between plotted ones") << 30 << int(C::OlderEvent);
    QTest::newRow("first point deleted") << 30 << int(C::TopRowDeleted);
    QTest::newRow("point in the middle deleted") << 30 << int(C::MiddleRowDeleted);
    QTest::newRow("key of a deleted point given again") << 30 << int(C::KeyGivenAgain);
}

void TestPeakChart::rebuildFollowsEveryChange() {
    QFETCH(int, rows);
    QFETCH(int, change);
    ListingFixture f;
    f.addMany(rows, [](int i) { return 10.0 + i % 500; });
    if (change == int(test::StoreChange::KeyGivenAgain))
        f.giveKeysAgain();
    f.reload();
    PeakChart chart;
    chart.rebuild(*f.model);
    QVERIFY(chart.next(f.model->totalRows()));
    const QStringList before = plotted(chart);

    f.change(test::StoreChange(change));
    f.reload();
    chart.rebuild(*f.model);
    QCOMPARE(chart.ChartWindowFirst(), 1);
    // A chart that has not plotted this store before shows the same.
    ListingModel fresh(*f.listing, QLocale::c());
    fresh.reload({});
    PeakChart reference;
    reference.rebuild(fresh);
    QCOMPARE(plotted(chart), plotted(reference));
    QCOMPARE(int(chart.points().size()), std::min(int(fresh.totalRows()), 1000));
    if (change != int(test::StoreChange::Nothing))
        QVERIFY(plotted(chart) != before);
}

void TestPeakChart::renderShowsPointsAndMarks() {
    ListingFixture f;
    f.addMany(20, [](int i) { return 10.0 * (i % 5) + 3; });
    f.reload();
    PeakChart chart;
    chart.rebuild(*f.model);
    const QImage image = render(chart);
    const ChartGeometry g = chartGeometry(image.rect(), chart.series());

    // The background runs from light yellow at the top to white at the bottom.
    QCOMPARE(QColor(image.pixel(image.width() / 2, 0)), kChartTopColour);
    const QColor bottom(image.pixel(image.width() - 2, image.height() - 1));
    QVERIFY(bottom.red() == 255 && bottom.green() == 255 && bottom.blue() >= 250);

    checkShownPoints(image, chart);
    // After sliding, the window's points move to their new places.
    for (int i = 0; i < 7; ++i)
        QVERIFY(chart.next(f.model->totalRows()));
    checkShownPoints(render(chart), chart);

    // Markers of neighbouring points differ.
    QVERIFY(pointColour(1) != pointColour(2));
    // The axis lines are brown.
    QCOMPARE(QColor(image.pixel(g.plot.left(), (g.plot.top() + g.plot.bottom()) / 2)), kAxisColour);
    QCOMPARE(QColor(image.pixel((g.plot.left() + g.plot.right()) / 2 + 3, g.plot.bottom())),
             kAxisColour);
    // Bottom labels in green under the first point.
    const QPoint first = g.pointAt(1, 0).toPoint();
    QVERIFY(anyPixel(image, QRect(first.x() - 30, g.plot.bottom() + 3, 60, 40), [](QRgb c) {
        return qRed(c) < 60 && qGreen(c) > 90 && qGreen(c) < 170 && qBlue(c) < 110;
    }));
}

void TestPeakChart::emptyChartRenders() {
    ListingFixture f;
    f.reload();
    PeakChart chart;
    chart.rebuild(*f.model);
    const QImage image = render(chart);
    const ChartGeometry g = chartGeometry(image.rect(), chart.series());
    QVERIFY(!anyPixel(image, g.plot.adjusted(2, 2, -2, -2), isReddish));
    QVERIFY(!chart.prior());
    QVERIFY(!chart.next(f.model->totalRows()));

    QSignalSpy doubled(&chart, &PeakChart::doubleClicked);
    chart.resize(kChartSize);
    QTest::mouseDClick(&chart, Qt::LeftButton, {}, QPoint(300, 200));
    QCOMPARE(doubled.count(), 1);
}

QTEST_MAIN(TestPeakChart)
#include "tst_peakchart.moc"
